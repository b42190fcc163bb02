// Undo and redo in the main window with real mouse and key events: the module follows each
// step back and forth, the form shows it, and the edit menu greys out what cannot be done.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

#include <memory>
#include <vector>

#include "app/frame_commands.h"
#include "app/main_frame.h"
#include "files/kq505_doc.h"
#include "files/settings_file.h"
#include "files/setup_file.h"
#include "instruments/program_change_dlg.h"
#include "model/part_transmission.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"
#include "view/knob_geometry.h"
#include "view/kq505_view.h"
#include "view/track_name_dlg.h"

using namespace kq505;
using kq505::test::RecordingApp;
using Events = std::vector<MidiEvent>;

namespace {

MidiEvent Cc(Port port, int channel, int control, int value) {
    return {port, {std::uint8_t(0xB0 + channel), std::uint8_t(control), std::uint8_t(value)}};
}

}  // namespace

class EditHistoryWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    std::unique_ptr<CMainFrame> frame_;

    CKQ505App& App() { return rec_->app; }
    CKQ505View* View() { return frame_->View(); }
    Events Take() { return rec_->log.TakeEvents(); }
    QString Field(int id) { return View()->FieldText(id); }
    QSlider* Slider(int id) { return qobject_cast<QSlider*>(View()->Control(id)); }
    QComboBox* Combo() { return qobject_cast<QComboBox*>(View()->Control(1000)); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(frame_.get(), Qt::Key(key), modifiers);
    }
    void Undo() { Key(Qt::Key_Z, Qt::ControlModifier); }
    void Redo() { Key(Qt::Key_Y, Qt::ControlModifier); }

    // Drags Port A's send pad handle by (dx right, dy up) in three mouse moves.
    void DragSendPad(int dx, int dy) {
        const Point c = HandleCentre(HandleKind::kSend, ReadLayerValues(App(), Port::A), Port::A);
        QPoint at(c.x, c.y);
        QTest::mousePress(View(), Qt::LeftButton, {}, at);
        for (int i = 0; i < 3; ++i) {
            at += QPoint(dx / 3 + (i == 2 ? dx % 3 : 0), -(dy / 3 + (i == 2 ? dy % 3 : 0)));
            QTest::mouseMove(View(), at);
        }
        QTest::mouseRelease(View(), Qt::LeftButton, {}, at);
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

    void aKnobDragUndoneSendsAndShowsTheOldValuesAndRedoneTheNew() {
        DragSendPad(10, 4);
        QCOMPARE(Field(1050), QStringLiteral("R10"));
        QCOMPARE(App().edit_history.StepCount(), std::size_t{1});
        Take();

        Undo();
        QCOMPARE(Take(), (Events{Cc(Port::A, 0, 91, 40), Cc(Port::A, 0, 10, 64)}));
        QCOMPARE(Field(1050), QStringLiteral("C"));
        QCOMPARE(Field(1048), QStringLiteral("40"));
        QCOMPARE(App().Value(pan_a), 64);

        Redo();
        QCOMPARE(Take(), (Events{Cc(Port::A, 0, 91, 44), Cc(Port::A, 0, 10, 74)}));
        QCOMPARE(Field(1050), QStringLiteral("R10"));
        QCOMPARE(Field(1048), QStringLiteral("44"));

        // Ctrl+Shift+Z redoes too.
        Undo();
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(App().Value(reverb_a), 44);
    }

    void undoingXResendsThePartsItChangedAndSelectsThePartOfTheStep() {
        Combo()->setCurrentIndex(3);
        QTest::keyClick(Slider(1008), Qt::Key_Right);  // vol 101 on part 3
        RecordingApp before;
        before.app.part_table = App().part_table;
        before.app.selected_part = 3;
        SendAllPartParameters(before.app);
        Combo()->setCurrentIndex(0);
        Key(Qt::Key_X);
        QCOMPARE(App().part_table[vol][3], 100);
        Take();

        Undo();
        QCOMPARE(Take(), before.log.events);
        QCOMPARE(App().part_table[vol][3], 101);
        QCOMPARE(Combo()->currentIndex(), 0);  // X was pressed on part 1
        Combo()->setCurrentIndex(3);
        QCOMPARE(Field(1011), QStringLiteral("101"));
    }

    void undoAndRedoAreGreyedWhenThereIsNothingToDoAndNameTheStep() {
        QAction* undo = frame_->Action(kIdEditUndo);
        QAction* redo = frame_->Action(kIdEditRedo);
        QVERIFY(!undo->isEnabled());
        QVERIFY(!redo->isEnabled());
        Undo();  // greyed: nothing happens
        QVERIFY(Take().empty());

        QTest::mouseClick(View()->Control(kIdPortamentoCheck), Qt::LeftButton);
        QVERIFY(undo->isEnabled());
        QVERIFY(!redo->isEnabled());
        QCOMPARE(undo->statusTip(), QStringLiteral("元に戻す: #01 Portamento OFF→ON"));

        Undo();
        QVERIFY(!undo->isEnabled());
        QVERIFY(redo->isEnabled());
        QCOMPARE(redo->statusTip(), QStringLiteral("やり直し: #01 Portamento OFF→ON"));
        QVERIFY(!qobject_cast<QCheckBox*>(View()->Control(kIdPortamentoCheck))->isChecked());
        QCOMPARE(undo->statusTip(), QStringLiteral("直前の操作を元に戻す"));
    }

    // A mouse drag of a slider is one step; each key step is one.
    void aSliderDragIsOneStepAndAKeyStepIsOne() {
        QSlider* slider = Slider(1008);
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = option.sliderValue = slider->value();
        const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderHandle, slider);
        QPoint at = handle.center();
        QTest::mousePress(slider, Qt::LeftButton, {}, at);
        for (int i = 0; i < 4; ++i) {
            at -= QPoint(6, 0);
            QTest::mouseMove(slider, at);
        }
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
        const int dragged = App().Value(vol);
        QVERIFY(dragged < 100);
        QTest::keyClick(slider, Qt::Key_Right);
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(App().edit_history.StepCount(), std::size_t{3});

        Undo();
        Undo();
        QCOMPARE(App().Value(vol), dragged);
        QCOMPARE(Slider(1008)->value(), dragged);
        Take();
        Undo();
        QCOMPARE(Take(), (Events{Cc(Port::A, 0, 7, 100), Cc(Port::B, 0, 7, 100)}));
        QCOMPARE(Field(1011), QStringLiteral("100"));
    }

    void aProgramChangeChoiceAndATrackNameAreOneStepEach() {
        frame_->Action(kIdProgramChange)->trigger();
        auto* dialog = qobject_cast<CProgramChangeDlg*>(frame_->ProgramChangeWindow());
        QVERIFY(dialog);
        QTest::mouseClick(dialog->TestNoteCheck(), Qt::LeftButton);
        QListWidget* programs = dialog->List(1043);
        QListWidgetItem* fifth = programs->item(4);
        programs->scrollToItem(fifth);
        QTest::mouseClick(programs->viewport(), Qt::LeftButton, {},
                          programs->visualItemRect(fifth).center());
        QCOMPARE(App().Value(program_a), 4);
        dialog->close();
        frame_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame_.get()));

        QTimer::singleShot(0, this, [] {
            auto* names = qobject_cast<CTrackNameDlg*>(QApplication::activeModalWidget());
            QVERIFY(names);
            QTest::keyClicks(names->findChild<QLineEdit*>("name"), "Bass");
            for (QPushButton* button : names->findChildren<QPushButton*>())
                if (button->text() == "&OK") QTest::mouseClick(button, Qt::LeftButton);
        });
        QTest::mouseClick(View()->Control(kIdEditName), Qt::LeftButton);
        QCOMPARE(Combo()->itemText(0), QStringLiteral("#01 : Bass"));
        QCOMPARE(App().edit_history.StepCount(), std::size_t{2});
        frame_->activateWindow();  // the offscreen platform gives no activation back itself
        QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
        Take();

        Undo();
        QVERIFY(Take().empty());  // a name goes nowhere
        QCOMPARE(App().track_names[0], std::string());
        QCOMPARE(Combo()->itemText(0), QStringLiteral("#01 :"));
        Undo();
        QCOMPARE(Take(), (Events{Cc(Port::A, 0, 0, 0), Cc(Port::A, 0, 32, 0),
                                 MidiEvent{Port::A, {0xC0, 0x00}}}));
        QCOMPARE(Field(1002), QStringLiteral("1"));  // PC# of Port A
        QCOMPARE(App().pc_sel_a[0], 0);
        Redo();
        QCOMPARE(Field(1002), QStringLiteral("5"));
        QCOMPARE(App().pc_sel_a[0], 4);
    }

    // Opening a set-up is one step, and the title's mark follows the history: clean where
    // the set-up was opened, modified on either side of it.
    void theModifiedMarkFollowsUndoAndRedo() {
        test::TempFolder folder;
        SetupData setup = CurrentSetup(App());
        setup.part_table[vol][0] = 90;
        const std::string text = SetupFileText(setup);
        test::WriteBytes(folder / "live.kqset", text);
        QVERIFY(frame_->Document().OpenSetupFile(
            QString::fromStdString((folder / "live.kqset").string())));
        const QString clean = frame_->windowTitle();
        QVERIFY(clean.contains("live.kqset") && !clean.endsWith(" *"));

        DragSendPad(6, 0);
        QCOMPARE(frame_->windowTitle(), clean + " *");
        Undo();
        QCOMPARE(frame_->windowTitle(), clean);
        Take();
        Undo();  // the opening itself
        QCOMPARE(Take(), (Events{Cc(Port::A, 0, 7, 100), Cc(Port::B, 0, 7, 100)}));
        QCOMPARE(Field(1011), QStringLiteral("100"));
        QCOMPARE(frame_->windowTitle(), clean + " *");
        Redo();
        QCOMPARE(Field(1011), QStringLiteral("90"));
        QCOMPARE(frame_->windowTitle(), clean);
    }

    // A part file loaded into part 2 is one step: its values and its name go back together.
    void aLoadedPartFileIsOneStep() {
        test::TempFolder folder;
        RecordingApp source;
        source.app.Value(attack_b) = 90;
        source.app.track_names[0] = "Pad";
        const auto bytes = SaveSettingsFile(source.app);
        test::WriteBytes(folder / "pad.kqs", std::string(bytes.begin(), bytes.end()));
        Combo()->setCurrentIndex(1);
        QVERIFY(frame_->Document().OpenDocumentFile(
            QString::fromStdString((folder / "pad.kqs").string())));
        QCOMPARE(Combo()->itemText(1), QStringLiteral("#02 Pad"));
        Take();

        Undo();
        QCOMPARE(Take(), (Events{Cc(Port::B, 1, 73, 64)}));
        QCOMPARE(App().track_names[1], std::string());
        QCOMPARE(Combo()->itemText(1), QStringLiteral("#02 :"));
        QCOMPARE(Field(1072), QStringLiteral("0"));  // attack of Port B
        Redo();
        QCOMPARE(Combo()->itemText(1), QStringLiteral("#02 : Pad"));
        QCOMPARE(Field(1072), QStringLiteral("26"));
    }
};

QTEST_MAIN(EditHistoryWindowTest)
#include "edit_history_window_test.moc"
