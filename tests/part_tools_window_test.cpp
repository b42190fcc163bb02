// Working with sounds in the main window: the part through the real clipboard, compare from
// its key, the randomize dialog, and MIDI learn from a right-click with a controller sent
// into the input from a thread of its own, as a keyboard's would come.

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QtTest>

#include <memory>
#include <thread>
#include <vector>

#include "app/frame_commands.h"
#include "app/ini_store.h"
#include "app/learn_list.h"
#include "app/main_frame.h"
#include "app/part_tools.h"
#include "app/randomize_dlg.h"
#include "app/settings_dlg.h"
#include "model/part_compare.h"
#include "model/play_through_send.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"
#include "view/form_layout.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::OnB;
using kq505::test::RecordingApp;
namespace test = kq505::test;
using Events = std::vector<MidiEvent>;

class PartToolsWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    std::unique_ptr<CMainFrame> frame_;

    CKQ505App& App() { return rec_->app; }
    CKQ505View* View() { return frame_->View(); }
    Events Take() { return rec_->log.TakeEvents(); }
    QComboBox* Combo() { return qobject_cast<QComboBox*>(View()->Control(kIdTrackCombo)); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(frame_.get(), Qt::Key(key), modifiers);
    }
    QString Status() { return frame_->statusBar()->currentMessage(); }
    // As a keyboard's controller comes: on the input's own thread.
    void SendIn(std::vector<std::uint8_t> message) {
        std::thread input([&] { ForwardInput(App(), message); });
        input.join();
    }
    void RightClick(QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, View()->mapToGlobal(at));
        QApplication::sendEvent(View(), &event);
    }
    // Chooses an item as a click does: the menu closes.
    void Choose(const QString& caption) {
        QAction* action = MenuItem(caption);
        QVERIFY(action);
        action->trigger();
        frame_->PartTools()->LearnMenu()->close();
    }
    QAction* MenuItem(const QString& caption) {
        QMenu* menu = frame_->PartTools()->LearnMenu();
        if (!menu) return nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == caption) return action;
        return nullptr;
    }

  private slots:
    void init() {
        rec_ = std::make_unique<RecordingApp>();
        frame_ = std::make_unique<CMainFrame>(rec_->app);
        frame_->show();
        frame_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
        Take();
    }
    void cleanup() {
        frame_.reset();
        rec_.reset();
    }

    void ctrlCAndCtrlVCarryAPartThroughTheSystemClipboard() {
        App().part_table[brightness_a][0] = 90;
        App().part_table[vol][0] = 80;
        App().track_names[0] = "Lead";
        Key(Qt::Key_C, Qt::ControlModifier);
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime);
        QCOMPARE(mime->data(QStringLiteral("application/x-kq505-part")).size(), 320);
        QVERIFY(mime->text().startsWith(QStringLiteral("[Part 1]\ntrack_name=\"Lead\"\n")));

        Combo()->setCurrentIndex(4);
        Take();
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Take(), (Events{OnA({0xB4, 7, 80}), OnB({0xB4, 7, 80}), OnA({0xB4, 74, 90})}));
        QCOMPARE(Combo()->itemText(4), QStringLiteral("#05 : Lead"));
        QCOMPARE(View()->FieldText(1053), QStringLiteral("26"));

        // Text from elsewhere: a set-up section pastes, anything else is refused.
        QGuiApplication::clipboard()->setText(QStringLiteral("[Part 9]\nvol=20\n"));
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(App().part_table[vol][4], 20);
        QGuiApplication::clipboard()->setText(QStringLiteral("Hello"));
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Status(),
                 QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容はﾊﾟｰﾄではないため、貼り付けられません"));
        QCOMPARE(App().part_table[vol][4], 20);
        QCOMPARE(App().edit_history.StepCount(), std::size_t{2});
    }

    void compareKeyShowsTheStoredSoundReadOnlyAndUndoEndsIt() {
        QTest::keyClick(qobject_cast<QSlider*>(View()->Control(kIdVolSlider)), Qt::Key_Left);
        Take();
        QVERIFY(!frame_->statusBar()->findChild<QLabel*>(QStringLiteral("compareState")));
        Key(Qt::Key_C);
        auto* state = frame_->statusBar()->findChild<QLabel*>(QStringLiteral("compareState"));
        QVERIFY(state);
        QCOMPARE(Take(), (Events{OnA({0xB0, 7, 100}), OnB({0xB0, 7, 100})}));
        QVERIFY(state->isVisible());
        QCOMPARE(state->text(), QStringLiteral("比較中"));
        QVERIFY(frame_->Action(kIdCompare)->isChecked());
        QVERIFY(!View()->Control(kIdVolSlider)->isEnabled());
        QVERIFY(Combo()->isEnabled());
        // A knob drag does nothing meanwhile.
        const Point c = HandleCentre(HandleKind::kSend, ReadLayerValues(App(), Port::A), Port::A);
        QTest::mousePress(View(), Qt::LeftButton, {}, QPoint(c.x, c.y));
        QTest::mouseMove(View(), QPoint(c.x + 5, c.y));
        QTest::mouseRelease(View(), Qt::LeftButton, {}, QPoint(c.x + 5, c.y));
        QCOMPARE(App().Value(pan_a), 64);

        Key(Qt::Key_C);
        QCOMPARE(Take(), (Events{OnA({0xB0, 7, 99}), OnB({0xB0, 7, 99})}));
        QVERIFY(!state->isVisible());
        QVERIFY(View()->Control(kIdVolSlider)->isEnabled());

        Key(Qt::Key_C);
        Key(Qt::Key_Z, Qt::ControlModifier);  // ends the compare, then undoes the slider
        QVERIFY(!Comparing(App()));
        QCOMPARE(App().Value(vol), 100);
        QCOMPARE(App().edit_history.StepCount(), std::size_t{1});
    }

    void randomizeTriesAreStepsAndCancelPutsTheSoundBack() {
        frame_->Action(kIdRandomize)->trigger();
        auto* dialog = qobject_cast<CRandomizeDlg*>(frame_->PartTools()->RandomizeWindow());
        QVERIFY(dialog);
        const PartColumn before = ColumnOf(App().part_table, 0);
        auto* again = dialog->findChild<QPushButton*>(QStringLiteral("again"));
        again->click();
        again->click();
        QVERIFY(ColumnOf(App().part_table, 0) != before);
        QCOMPARE(App().edit_history.StepCount(), std::size_t{2});
        QCOMPARE(App().Value(program_a), 0);  // voice is off by default
        dialog->reject();
        QCOMPARE(ColumnOf(App().part_table, 0), before);
        QCOMPARE(App().edit_history.StepCount(), std::size_t{3});
    }

    void rightClickLearnsTheNextControllerOfTheInputAndItDrivesTheRow() {
        App().thru = 1;
        App().play_through->SetThru(true);
        const PixelRect field = ToPixels(kFormControls[22].rect);  // 1053: A LPF
        QCOMPARE(kFormControls[22].id, 1053);
        RightClick(QPoint(field.x + 2, field.y + 2));
        QVERIFY(MenuItem(QStringLiteral("MIDIﾗｰﾝ")));
        QVERIFY(!MenuItem(QStringLiteral("MIDIﾗｰﾝ解除"))->isEnabled());
        Choose(QStringLiteral("MIDIﾗｰﾝ"));
        SendIn({0xB3, 74, 10});
        QTRY_COMPARE(Status(), QStringLiteral("MIDIﾗｰﾝ: CC74 → A LPF"));
        QCOMPARE(App().Value(brightness_a), 64);

        SendIn({0xB3, 74, 127});
        QTRY_COMPARE(View()->FieldText(1053), QStringLiteral("63"));
        QCOMPARE(Take(), (Events{OnA({0xB0, 74, 127})}));  // the edit, never the input's own
        QTRY_COMPARE(App().edit_history.StepCount(), std::size_t{1});

        // A knob handle binds its two rows to the first two controllers moved.
        const Point c = HandleCentre(HandleKind::kLpf, ReadLayerValues(App(), Port::B), Port::B);
        RightClick(QPoint(c.x, c.y));
        Choose(QStringLiteral("MIDIﾗｰﾝ"));
        SendIn({0xB0, 21, 1});
        SendIn({0xB0, 22, 1});
        QTRY_VERIFY(!App().midi_learn.Learning());
        QCOMPARE(App().midi_learn.ControllerOf(brightness_b), (Controller{Controller::kCc, 21}));
        QCOMPARE(App().midi_learn.ControllerOf(harmonic_b), (Controller{Controller::kCc, 22}));

        RightClick(QPoint(field.x + 2, field.y + 2));
        Choose(QStringLiteral("MIDIﾗｰﾝ解除"));
        QVERIFY(!App().midi_learn.ControllerOf(brightness_a));

        // On a slider the menu comes as on the form, and learns the slider's row.
        QWidget* slider = View()->Control(kIdExpSlider);
        QContextMenuEvent on_slider(QContextMenuEvent::Mouse, QPoint(3, 3),
                                    slider->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(slider, &on_slider);
        Choose(QStringLiteral("MIDIﾗｰﾝ"));
        SendIn({0xB0, 11, 0});
        QTRY_COMPARE(App().midi_learn.ControllerOf(kq505::exp), (Controller{Controller::kCc, 11}));
    }

    void theSettingsDialogListsTheBindingsAndOkKeepsWhatItHolds() {
        test::TempFolder folder;
        App().ini_path = (folder.path() / "kq505.ini").string();
        test::WriteBytes(folder / "kq505.ini",
                         "[Learn]\r\nbrightness_a=CC74\r\nhpf_b=NRPN1/36\r\n");
        SetLearnBindings(App(), ReadLearnSection(LoadIniFile(App().ini_path).value()));
        for (const bool ok : {false, true}) {
            CSettingsDlg dialog(App());
            auto* list = dialog.findChild<CLearnList*>();
            QVERIFY(list);
            QCOMPARE(dialog.findChild<QListWidget*>()->item(1)->text(),
                     QStringLiteral("NRPN1/36 → B HPF"));
            dialog.findChild<QPushButton*>(QStringLiteral("unlearn"))->click();
            QCOMPARE(list->Bindings().size(), std::size_t{1});
            if (ok) QVERIFY(ApplyLearnList(dialog, App()));
        }
        QCOMPARE(App().midi_learn.Bindings().size(), std::size_t{1});
        QCOMPARE(App().midi_learn.Bindings()[0].row, hpf_b);
        const IniDocument ini = LoadIniFile(App().ini_path).value();
        QCOMPARE(ini.Find("Learn", "hpf_b"), std::optional<std::string>("NRPN1/36"));
        QCOMPARE(ini.Find("Learn", "brightness_a"), std::optional<std::string>(""));
    }
};

QTEST_MAIN(PartToolsWindowTest)
#include "part_tools_window_test.moc"
