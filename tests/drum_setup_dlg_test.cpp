// The drum setup window as the user meets it, opened with R from the main window: a value
// typed in the table and stepped with the arrow keys goes out at once, one step each, undone
// from the main window; a part mode chosen from the keyboard; a note name clicked is heard
// on the layer that plays the setup; the window follows the part selector.

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/frame_commands.h"
#include "app/main_frame.h"
#include "drums/drum_setup_dlg.h"
#include "tests/support/recording_app.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::OnB;
using kq505::test::RecordingApp;
using Events = std::vector<MidiEvent>;

namespace {

constexpr int kSnare = 38;
constexpr int kPitchCoarseColumn = 2;
constexpr int kPanColumn = 2 + 4;
constexpr int kNameColumn = 1;

MidiEvent Drum(int setup, int note, int param, int value) {
    return OnA({0xF0, 0x43, 0x10, 0x4C, static_cast<std::uint8_t>(0x30 + setup),
                static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(param),
                static_cast<std::uint8_t>(value), 0xF7});
}

// The main window on `part`, shown and active, and its drum setup window opened with R.
struct Shown {
    explicit Shown(int part) {
        rec.app.selected_part = part;
        frame = std::make_unique<CMainFrame>(rec.app);
        frame->show();
        frame->activateWindow();
        [this] { QVERIFY(QTest::qWaitForWindowActive(frame.get())); }();
        QTest::keyClick(frame.get(), Qt::Key_R);
        dlg = qobject_cast<CDrumSetupDlg*>(frame->DrumSetupWindow());
        [this] {
            QVERIFY(dlg && dlg->isVisible());
            // A tool window counts as active while its owner is: wait for the focus itself.
            dlg->activateWindow();
            QTRY_VERIFY(QGuiApplication::focusWindow() == dlg->windowHandle());
        }();
        rec.log.TakeEvents();
    }
    QTableView& Table() const { return *dlg->Table(); }
    QModelIndex Cell(int note, int column) const {
        return Table().model()->index(note - kFirstDrumNote, column);
    }
    // A click in the middle of the cell, scrolled into sight first.
    void Click(int note, int column) {
        Table().scrollTo(Cell(note, column));
        QTest::mouseClick(Table().viewport(), Qt::LeftButton, {},
                          Table().visualRect(Cell(note, column)).center());
    }
    QComboBox* Combo(const char* name) const {
        return dlg->findChild<QComboBox*>(QString::fromLatin1(name));
    }
    Events Take() { return rec.log.TakeEvents(); }

    RecordingApp rec;
    std::unique_ptr<CMainFrame> frame;
    QPointer<CDrumSetupDlg> dlg;
};

}  // namespace

class DrumSetupDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void ATypedValueAndEachArrowStepGoOutAsOneStepEach() {
        Shown shown(9);  // part 10, its A layer in Drums1
        QCOMPARE(shown.dlg->ShownSetup(), 0);
        QCOMPARE(shown.Cell(kSnare, kNameColumn).data().toString(), QStringLiteral("Snare M"));

        shown.Click(kSnare, kPitchCoarseColumn);
        QTest::keyClicks(&shown.Table(), QStringLiteral("3"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(shown.rec.app.edit_history.StepCount(), std::size_t{1});  // queued
        QCOMPARE(shown.Take(), (Events{Drum(0, kSnare, 0x00, 64 + 3)}));
        const QModelIndex pitch = shown.Cell(kSnare, kPitchCoarseColumn);
        QCOMPARE(pitch.data().toString(), QStringLiteral("+3"));
        QVERIFY(pitch.data(Qt::FontRole).value<QFont>().bold());

        // F2 opens the cell; each arrow step is sent, Esc sends nothing more.
        shown.Click(kSnare, kPanColumn);
        QTest::keyClick(&shown.Table(), Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor != &shown.Table());
        QTest::keyClick(editor, Qt::Key_Down);
        QTest::keyClick(editor, Qt::Key_Down);
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(shown.Take(), (Events{Drum(0, kSnare, 0x04, 63), Drum(0, kSnare, 0x04, 62)}));
        QCOMPARE(shown.Cell(kSnare, kPanColumn).data().toString(), QStringLiteral("L2"));
        QCOMPARE(shown.rec.app.edit_history.StepCount(), std::size_t{3});

        // Undone from the main window: the old value is sent and shown.
        for (int step = 0; step < 3; ++step)
            shown.frame->Action(kIdEditUndo)->trigger();
        QCOMPARE(shown.Take(), (Events{Drum(0, kSnare, 0x04, 63), Drum(0, kSnare, 0x04, 64),
                                       Drum(0, kSnare, 0x00, 64)}));
        QCOMPARE(pitch.data().toString(), QStringLiteral("0"));
        QVERIFY(!pitch.data(Qt::FontRole).value<QFont>().bold());
    }

    void ANoteNameClickedSoundsOnTheLayerThatPlaysTheSetup() {
        Shown shown(2);
        shown.rec.app.thru = 1;  // the gate ends the note itself
        shown.rec.app.preview_velocity = 100;
        shown.rec.app.preview_gate_ms = 30;
        QComboBox* mode_b = shown.Combo("modeB");
        mode_b->setFocus();
        for (int step = 0; step < 3; ++step)
            QTest::keyClick(mode_b, Qt::Key_Down);  // Normal → Drum 2
        QCOMPARE(mode_b->currentText(), QStringLiteral("Drum 2"));
        // Each choice on the way is sent and is a step of its own.
        QCOMPARE(shown.Take(), (Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 18, 0x07, 1, 0xF7}),
                                       OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 18, 0x07, 2, 0xF7}),
                                       OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 18, 0x07, 3, 0xF7})}));
        QCOMPARE(shown.rec.app.edit_history.StepCount(), std::size_t{3});
        QCOMPARE(shown.dlg->ShownSetup(), 1);
        QCOMPARE(shown.Combo("setup")->currentText(), QStringLiteral("2"));

        shown.Click(kSnare, kNameColumn);
        QCOMPARE(shown.Take(), (Events{OnB({0x92, kSnare, 100})}));
        QTRY_VERIFY(shown.rec.app.sounding_previews.empty());  // the gate's end
        QCOMPARE(shown.Take(), (Events{OnB({0x82, kSnare, 0x40})}));
    }

    void ThePartSelectorAndTheResetAreFollowed() {
        Shown shown(0);
        QCOMPARE(shown.Combo("modeA")->currentText(), QStringLiteral("Normal"));
        shown.rec.app.drums.part_modes[9 + 16] = PartMode::drums3;
        qobject_cast<QComboBox*>(shown.frame->View()->Control(kIdTrackCombo))->setCurrentIndex(9);
        QCOMPARE(shown.dlg->findChild<QLabel*>("part")->text(), QStringLiteral("ﾊﾟｰﾄ 10"));
        QCOMPARE(shown.Combo("modeA")->currentText(), QStringLiteral("Drum 1"));
        QCOMPARE(shown.Combo("modeB")->currentText(), QStringLiteral("Drum 3"));
        QCOMPARE(shown.dlg->ShownSetup(), 0);  // the A layer's setup first

        DrumSlot(shown.rec.app.drums, 0, kSnare, 0x05) = 3;
        shown.Take();
        shown.dlg->findChild<QPushButton*>()->click();  // "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ ﾘｾｯﾄ"
        QCOMPARE(shown.Take(), (Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7D, 0, 0xF7})}));
        QVERIFY(!shown.Cell(kSnare, 2 + 0x05).data(Qt::FontRole).value<QFont>().bold());
    }
};

QTEST_MAIN(DrumSetupDlgTest)
#include "drum_setup_dlg_test.moc"
