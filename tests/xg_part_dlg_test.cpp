// The part detail window as a new user meets it, opened with L from the main window: a split
// at C4 made with its button and a key of the soft keyboard, sent again with Shift+F, and
// the same after the set-up was saved, the program closed and the set-up opened again; a
// value stepped and undone; a velocity switch; the window follows the part selector.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/frame_commands.h"
#include "app/main_frame.h"
#include "files/kq505_doc.h"
#include "tests/support/recording_app.h"
#include "view/kq505_view.h"
#include "view/soft_keyboard_dlg.h"
#include "xgpart/xg_part_dlg.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::RecordingApp;
using Events = std::vector<MidiEvent>;

namespace {

constexpr int kC4 = 72;  // as the program names notes: 60 is C3

MidiEvent Part(int xg_part, int low, int value) {
    return OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, static_cast<std::uint8_t>(xg_part),
                static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(value), 0xF7});
}

const Events kSplitAtC4{Part(0, 0x0F, 0), Part(0, 0x10, kC4 - 1), Part(16, 0x0F, kC4),
                        Part(16, 0x10, 127)};

Events XgPartMessages(const Events& events) {
    Events xg;
    std::ranges::copy_if(events, std::back_inserter(xg), [](const MidiEvent& e) {
        return e.bytes.size() >= 9 && e.bytes[4] == 0x08 && XgPartParamAt(e.bytes[6]) >= 0;
    });
    return xg;
}

// The bytes as a log shows them, for the record of a run.
QString Hex(const Events& events) {
    QStringList lines;
    for (const MidiEvent& e : events) {
        QString line = e.port == Port::A ? QStringLiteral("A:") : QStringLiteral("B:");
        for (const std::uint8_t b : e.bytes)
            line += QStringLiteral(" %1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

// The main window, shown and active, and its part detail window opened with L.
struct Shown {
    Shown() {
        frame = std::make_unique<CMainFrame>(rec.app);
        frame->show();
        frame->activateWindow();
        [this] { QVERIFY(QTest::qWaitForWindowActive(frame.get())); }();
        QTest::keyClick(frame.get(), Qt::Key_L);
        dlg = qobject_cast<CXgPartDlg*>(frame->PartDetailWindow());
        [this] { QVERIFY(dlg && dlg->isVisible()); }();
        rec.log.TakeEvents();
    }
    QSpinBox* Box(int layer, std::uint8_t low) const {
        return qobject_cast<QSpinBox*>(dlg->ValueControl(layer, XgPartParamAt(low)));
    }
    Events ShiftF() {
        rec.log.TakeEvents();
        frame->Action(kIdSendAllParts)->trigger();
        return XgPartMessages(rec.log.TakeEvents());
    }

    RecordingApp rec;
    std::unique_ptr<CMainFrame> frame;
    QPointer<CXgPartDlg> dlg;
};

}  // namespace

class XgPartDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void ASplitAtC4WithTheButtonAndTheSoftKeyboardIsSentAndKept() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("split.kqset"));
        {
            Shown shown;
            QTest::mouseClick(shown.dlg->SplitButton(), Qt::LeftButton);
            QVERIFY(shown.dlg->WaitingForKey());
            QTest::keyClick(shown.frame.get(), Qt::Key_K);
            auto* keyboard = qobject_cast<CSoftKeyboardDlg*>(shown.frame->SoftKeyboardWindow());
            QVERIFY(keyboard);
            SoftKeyboardKeys& keys = keyboard->Keys();
            const KeyRect key = *keys.Layout().KeyOf(kC4);
            const QPoint on_key(key.x + key.width / 2, key.y + key.height - 4);
            QTest::mousePress(&keys, Qt::LeftButton, {}, on_key);
            shown.dlg->LookForKey();
            QTest::mouseRelease(&keys, Qt::LeftButton, {}, on_key);
            QVERIFY(!shown.dlg->WaitingForKey());
            const Events made = XgPartMessages(shown.rec.log.TakeEvents());
            QCOMPARE(made, kSplitAtC4);
            QCOMPARE(shown.Box(0, 0x10)->text(), QStringLiteral("B3"));
            QCOMPARE(shown.Box(1, 0x0F)->text(), QStringLiteral("C4"));
            const Events sent = shown.ShiftF();
            QCOMPARE(sent, kSplitAtC4);
            qInfo().noquote() << "Shift+F after the split:\n" << Hex(sent);

            shown.frame->Document().SetFileDialog([&](const FileDialogRequest&) { return path; });
            QVERIFY(shown.frame->Document().OnSetupSaveAs());
        }
        Shown reopened;
        QVERIFY(reopened.frame->Document().OpenSetupFile(path));
        QCOMPARE(reopened.Box(0, 0x10)->text(), QStringLiteral("B3"));
        const Events again = reopened.ShiftF();
        QCOMPARE(again, kSplitAtC4);
        qInfo().noquote() << "Shift+F after save, quit and open:\n" << Hex(again);
    }

    void AValueStepsOutAndUndoesAndTheSystemBlockToo() {
        Shown shown;
        QSpinBox* detune = shown.Box(1, 0x09);
        detune->setFocus();
        QTest::keyClick(detune, Qt::Key_Up);
        QCOMPARE(detune->text(), QStringLiteral("+0.1 Hz"));
        QCOMPARE(shown.rec.log.TakeEvents(),
                 (Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 16, 0x09, 0x08, 0x01, 0xF7})}));
        QSpinBox* transpose = shown.dlg->SystemBox(xg_transpose);
        transpose->setFocus();
        QTest::keyClick(transpose, Qt::Key_Down);
        QCOMPARE(shown.rec.log.TakeEvents(),
                 (Events{OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x06, 63, 0xF7})}));
        auto* bend = qobject_cast<QCheckBox*>(shown.dlg->ValueControl(0, XgPartParamAt(0x30)));
        bend->click();
        QCOMPARE(shown.rec.log.TakeEvents(), (Events{Part(0, 0x30, 0)}));
        QCOMPARE(shown.rec.app.edit_history.StepCount(), std::size_t{3});
        for (int step = 0; step < 3; ++step)
            shown.frame->Action(kIdEditUndo)->trigger();
        QCOMPARE(
            shown.rec.log.TakeEvents(),
            (Events{Part(0, 0x30, 1), OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x06, 64, 0xF7}),
                    OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 16, 0x09, 0x08, 0x00, 0xF7})}));
        QCOMPARE(detune->text(), QStringLiteral("0.0 Hz"));
        QVERIFY(bend->isChecked());
    }

    void AVelocitySwitchAndThePartSelectorAreFollowed() {
        Shown shown;
        qobject_cast<QComboBox*>(shown.frame->View()->Control(kIdTrackCombo))->setCurrentIndex(3);
        QCOMPARE(shown.dlg->findChild<QLabel*>("part")->text(), QStringLiteral("ﾊﾟｰﾄ 4"));
        // The velocity is asked for: answered as a user would, with a number and Enter.
        QTimer::singleShot(0, [] {
            auto* ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(ask);
            ask->setIntValue(100);
            ask->accept();
        });
        shown.dlg->VelocitySwitchButton()->click();
        QCOMPARE(shown.rec.log.TakeEvents(), (Events{Part(3, 0x6D, 1), Part(3, 0x6E, 99),
                                                     Part(19, 0x6D, 100), Part(19, 0x6E, 127)}));
        QCOMPARE(shown.Box(1, 0x6D)->value(), 100);
        shown.rec.app.part_table[mix][3] = 10;  // the mix softens the A layer
        shown.dlg->ShowValues();
        QCOMPARE(shown.dlg->findChild<QLineEdit*>("velocity_sense_offset_A")->text(),
                 QStringLiteral("54"));

        // A note typed by its name; a text that is no value is not taken.
        QSpinBox* low = shown.Box(1, 0x0F);
        low->setFocus();
        low->selectAll();
        QTest::keyClicks(low, QStringLiteral("c4"));
        QTest::keyClick(low, Qt::Key_Return);
        QCOMPARE(shown.rec.log.TakeEvents(), (Events{Part(19, 0x0F, kC4)}));
        low->selectAll();
        QTest::keyClicks(low, QStringLiteral("H9"));
        QTest::keyClick(low, Qt::Key_Return);
        QVERIFY(shown.rec.log.TakeEvents().empty());
        QCOMPARE(low->value(), kC4);
    }
};

QTEST_MAIN(XgPartDlgTest)
#include "xg_part_dlg_test.moc"
