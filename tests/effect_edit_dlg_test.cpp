// The effect edit window as the user meets it: types chosen from the keyboard, sliders
// moved by keys, the parameter rows a type shows, the ways it closes, and command E and the
// reset commands of the main window while it is open.

#include <QAbstractSlider>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/main_frame.h"
#include "app/setup_state.h"
#include "effects/effect_edit_dlg.h"
#include "files/kq505_doc.h"
#include "files/setup_file.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::RecordingApp;
using Events = std::vector<MidiEvent>;

namespace {

MidiEvent Effect(std::vector<std::uint8_t> address_and_data) {
    std::vector<std::uint8_t> bytes{0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01};
    bytes.insert(bytes.end(), address_and_data.begin(), address_and_data.end());
    bytes.push_back(0xF7);
    return OnA(bytes);
}

// A window of its own over a recording application, shown and active.
struct ShownDialog {
    ShownDialog() : dlg(new CEffectEditDlg(rec.app, nullptr)) {
        dlg->show();
        dlg->activateWindow();
        [this] { QVERIFY(QTest::qWaitForWindowActive(dlg)); }();
        rec.log.TakeEvents();
    }
    ~ShownDialog() { delete dlg.data(); }

    template <class T>
    T* Find(const char* name) const {
        return dlg->findChild<T*>(QString::fromLatin1(name));
    }
    // A key on a control with the focus, as the user presses it.
    void Key(QWidget* control, Qt::Key key) {
        control->setFocus();
        QTest::keyClick(control, key);
    }
    Events Take() { return rec.log.TakeEvents(); }

    RecordingApp rec;
    QPointer<CEffectEditDlg> dlg;
};

void ChooseType(ShownDialog& shown, const char* combo_name, const char* type_name) {
    auto* combo = shown.Find<QComboBox>(combo_name);
    QVERIFY(combo);
    const int target = combo->findText(QString::fromLatin1(type_name));
    QVERIFY(target >= 0);
    while (combo->currentIndex() != target) {
        const int before = combo->currentIndex();
        shown.Key(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
        QVERIFY(combo->currentIndex() != before);
    }
}

constexpr int kUndo = 57643;  // "元に戻す(&U)"
constexpr int kRedo = 57644;  // "やり直し(&R)"

QString NameOfWindow(const QWidget& window, const char* label) {
    return window.findChild<QLabel*>(label)->text();
}

QString NameOf(ShownDialog& shown, const char* row) {
    auto* label = shown.Find<QLabel>(row);
    return label && label->isVisible() ? label->text() : QString();
}

}  // namespace

class EffectEditDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void ATypeChosenSendsExactlyItsTwoByteMessage() {
        ShownDialog shown;
        auto* reverb = shown.Find<QComboBox>("reverbType");
        QCOMPARE(reverb->currentText(), QString("HALL 1"));
        shown.Key(reverb, Qt::Key_Down);
        QCOMPARE(reverb->currentText(), QString("HALL 2"));
        QCOMPARE(shown.Take(), (Events{Effect({0x00, 0x01, 0x01})}));
        // The type's defaults are taken and shown: HALL 2's reverb time 25 is 2.8 s.
        QCOMPARE(shown.rec.app.effect_blocks[EffectBlock::reverb].params[0], 25);
        QCOMPARE(shown.Find<QLabel>("reverbParam1Value")->text(), QString("2.8 s"));

        ChooseType(shown, "variationType", "ECHO");
        const Events sent = shown.Take();
        QVERIFY(!sent.empty());
        QCOMPARE(sent.back(), Effect({0x40, 0x07, 0x00}));
        for (const MidiEvent& e : sent)
            QCOMPARE(e.bytes[6], std::uint8_t{0x40});  // type messages only
    }

    void ASliderSendsItsAddress() {
        ShownDialog shown;
        auto* delay = shown.Find<QAbstractSlider>("variationParam1");
        QCOMPARE(delay->value(), 3333);
        shown.Key(delay, Qt::Key_Right);
        QCOMPARE(shown.Take(), (Events{Effect({0x42, 0x1A, 0x06})}));
        QCOMPARE(shown.Find<QLabel>("variationParam1Value")->text(), QString("333.4 ms"));

        shown.Key(shown.Find<QAbstractSlider>("reverbParam11"), Qt::Key_Right);
        QCOMPARE(shown.Take(), (Events{Effect({0x10, 1})}));
        shown.Key(shown.Find<QAbstractSlider>("chorusReturn"), Qt::Key_Left);
        QCOMPARE(shown.Take(), (Events{Effect({0x2C, 63})}));
        shown.Key(shown.Find<QAbstractSlider>("variationToChorus"), Qt::Key_Right);
        QCOMPARE(shown.Take(), (Events{Effect({0x59, 1})}));
        shown.Key(shown.Find<QComboBox>("variationConnection"), Qt::Key_Down);
        QCOMPARE(shown.Take(), (Events{Effect({0x5A, 1})}));
        // Off, then the A layer of part 1: XG part 0.
        shown.Key(shown.Find<QComboBox>("variationPart"), Qt::Key_Down);
        QCOMPARE(shown.Find<QComboBox>("variationPart")->currentText(), QString("#01 A"));
        QCOMPARE(shown.Take(), (Events{Effect({0x5B, 0})}));
    }

    void ParameterNamesFollowTheType() {
        ShownDialog shown;
        QCOMPARE(NameOf(shown, "variationParam1Name"), QString("Lch Delay"));
        QCOMPARE(NameOf(shown, "variationParam6Name"), QString("Cch Level"));
        QCOMPARE(NameOf(shown, "variationParam8Name"), QString());  // unused: hidden
        ChooseType(shown, "variationType", "ECHO");
        QCOMPARE(NameOf(shown, "variationParam1Name"), QString("Lch Delay 1"));
        QCOMPARE(NameOf(shown, "variationParam8Name"), QString("Delay 2 Level"));
        QVERIFY(shown.Find<QAbstractSlider>("variationParam8")->isVisible());
        QCOMPARE(shown.Find<QAbstractSlider>("variationParam1")->maximum(), 3550);
        ChooseType(shown, "variationType", "NO EFFECT");
        for (int n = 1; n <= 16; ++n) {
            const QByteArray name = "variationParam" + QByteArray::number(n);
            QVERIFY(!shown.Find<QAbstractSlider>(name.constData())->isVisible());
        }
        QCOMPARE(NameOf(shown, "reverbParam1Name"), QString("Reverb Time"));
    }

    void TheWindowKeepsOneSizeForEveryType() {
        ShownDialog shown;
        const auto places = [&] {
            QList<QRect> rects{shown.dlg->geometry()};
            for (const QPushButton* button : shown.dlg->findChildren<QPushButton*>())
                rects << QRect(button->mapTo(shown.dlg, QPoint()), button->size());
            return rects;
        };
        const QList<QRect> opened = places();
        // What the sections need stays too, so a screen with room for them never scrolls.
        const QWidget* sections = shown.Find<QScrollArea>("sections")->widget();
        const QSize needed = sections->sizeHint();
        for (const char* name : {"variationType", "reverbType", "chorusType"}) {
            auto* combo = shown.Find<QComboBox>(name);
            shown.Key(combo, Qt::Key_Home);
            for (int index = 0; index < combo->count(); ++index) {
                if (index > 0) shown.Key(combo, Qt::Key_Down);
                QCOMPARE(combo->currentIndex(), index);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                if (places() != opened) qWarning() << "moved by" << combo->currentText();
                QCOMPARE(places(), opened);
                QCOMPARE(sections->sizeHint(), needed);
            }
        }
    }

    void AScreenTooSmallForTheWindowScrollsIt() {
        ShownDialog shown;
        const QSize room = shown.dlg->screen()->availableGeometry().size();
        const auto* scroll = shown.Find<QScrollArea>("sections");
        const QSize full = scroll->widget()->sizeHint();
        if (full.width() < room.width() && full.height() < room.height())
            QSKIP("the screen has room for the whole window");
        QVERIFY(shown.dlg->width() <= room.width() && shown.dlg->height() <= room.height());
        // Every part of the sections can be scrolled into view.
        const QScrollBar* across = scroll->horizontalScrollBar();
        const QScrollBar* down = scroll->verticalScrollBar();
        QCOMPARE(scroll->viewport()->width() + across->maximum(), scroll->widget()->width());
        QCOMPARE(scroll->viewport()->height() + down->maximum(), scroll->widget()->height());
        QVERIFY(scroll->widget()->width() >= full.width());
        QVERIFY(scroll->widget()->height() >= full.height());
    }

    void CancelEscAndTheCloseBoxSendTheOldValuesBack() {
        enum Closing { kCancel, kEscape, kCloseBox };
        for (const Closing closing : {kCancel, kEscape, kCloseBox}) {
            ShownDialog shown;
            const EffectBlocks opened = shown.rec.app.effect_blocks;
            shown.Key(shown.Find<QComboBox>("reverbType"), Qt::Key_Down);
            shown.Key(shown.Find<QAbstractSlider>("reverbParam2"), Qt::Key_Left);
            shown.Key(shown.Find<QAbstractSlider>("chorusPan"), Qt::Key_Left);
            shown.Take();

            if (closing == kCancel) {
                auto* cancel = shown.dlg->findChildren<QPushButton*>().at(1);
                QCOMPARE(cancel->text(), QString("ｷｬﾝｾﾙ"));
                cancel->click();
            } else if (closing == kEscape) {
                QTest::keyClick(shown.dlg, Qt::Key_Escape);
            } else {
                shown.dlg->close();
            }
            QTRY_VERIFY(shown.dlg.isNull());
            QVERIFY(shown.rec.app.effect_blocks == opened);
            const Events sent = shown.Take();
            // Reverb changed its type: whole, type first. Of chorus only its pan.
            QCOMPARE(sent.size(), std::size_t{19 + 1});
            QCOMPARE(sent[0], Effect({0x00, 0x01, 0x00}));
            QCOMPARE(sent[2], Effect({0x03, 10}));
            QCOMPARE(sent[19], Effect({0x2D, 64}));
        }
    }

    void OkKeepsTheValues() {
        ShownDialog shown;
        shown.Key(shown.Find<QComboBox>("chorusType"), Qt::Key_Down);
        shown.Take();
        shown.dlg->findChildren<QPushButton*>().at(0)->click();
        QTRY_VERIFY(shown.dlg.isNull());
        QVERIFY(shown.Take().empty());
        QCOMPARE(shown.rec.app.effect_blocks[EffectBlock::chorus].type, 0x41 * 128 + 1);
    }

    void CommandEKeepsAndXFollowsWhileOpen() {
        RecordingApp rec;
        auto frame = std::make_unique<CMainFrame>(rec.app);
        frame->show();
        QAction* effect = frame->Action(32773);
        effect->trigger();
        QPointer<CEffectEditDlg> dlg = qobject_cast<CEffectEditDlg*>(frame->EffectEditWindow());
        QVERIFY(dlg);
        auto* reverb = dlg->findChild<QComboBox*>("reverbType");
        reverb->setFocus();
        QTest::keyClick(reverb, Qt::Key_Down);
        QCOMPARE(reverb->currentText(), QString("HALL 2"));

        // XG System On: the window shows the defaults, and a cancel then has nothing to undo.
        frame->Action(32775)->trigger();
        QCOMPARE(reverb->currentText(), QString("HALL 1"));
        QTest::keyClick(reverb, Qt::Key_Down);
        rec.log.TakeEvents();
        effect->trigger();  // E again: the window goes and keeps HALL 2
        QTRY_VERIFY(dlg.isNull());
        QVERIFY(rec.log.TakeEvents().empty());
        QCOMPARE(rec.app.effect_blocks[EffectBlock::reverb].type, 0x01 * 128 + 1);
        QVERIFY(!effect->isChecked());
    }

    void TheModifiedMarkAndSetUpLoadsFollowTheWindow() {
        test::TempFolder folder;
        SetupData saved = DefaultSetup();
        SetEffectType(saved.effect_blocks, EffectBlock::reverb, 0x01 * 128 + 1);  // HALL 2
        SetEffectType(saved.effect_blocks, EffectBlock::variation, 0x05 * 128);   // DELAY L,C,R
        saved.effect_blocks.variation_connection = 0;
        saved.effect_blocks.variation_part = 0;  // part 1's A layer
        test::WriteBytes(folder / "hall2.kqset", SetupFileText(saved));

        RecordingApp rec;
        auto frame = std::make_unique<CMainFrame>(rec.app);
        frame->show();
        frame->Action(32773)->trigger();
        QPointer<CEffectEditDlg> dlg = qobject_cast<CEffectEditDlg*>(frame->EffectEditWindow());
        QVERIFY(dlg && !IsSetupModified(rec.app));
        auto* pan = dlg->findChild<QAbstractSlider*>("reverbPan");
        pan->setFocus();
        QTest::keyClick(pan, Qt::Key_Left);
        QVERIFY(IsSetupModified(rec.app));
        QVERIFY(frame->windowTitle().endsWith(" *"));

        // A set-up opened while the window is open: shown, and what a cancel brings back.
        MarkSetupClean(rec.app, "");
        QVERIFY(frame->Document().OpenSetupFile(
            QString::fromStdString((folder / "hall2.kqset").string())));
        QCOMPARE(dlg->findChild<QComboBox*>("reverbType")->currentText(), QString("HALL 2"));
        QCOMPARE(dlg->findChild<QComboBox*>("variationPart")->currentText(), QString("#01 A"));
        QCOMPARE(pan->value(), 64);
        rec.log.TakeEvents();
        dlg->reject();
        QTRY_VERIFY(dlg.isNull());
        QVERIFY(rec.log.TakeEvents().empty());
        QVERIFY(rec.app.effect_blocks == saved.effect_blocks);
    }

    void EachChangeIsOneStepAndUndoShowsInTheWindow() {
        RecordingApp rec;
        auto frame = std::make_unique<CMainFrame>(rec.app);
        frame->show();
        frame->Action(32773)->trigger();
        QPointer<CEffectEditDlg> dlg = qobject_cast<CEffectEditDlg*>(frame->EffectEditWindow());
        QVERIFY(dlg);
        auto* level = dlg->findChild<QAbstractSlider*>("reverbReturn");
        level->setFocus();
        QTest::keyClick(level, Qt::Key_Right);
        QTest::keyClick(level, Qt::Key_Right);
        auto* reverb = dlg->findChild<QComboBox*>("reverbType");
        reverb->setFocus();
        QTest::keyClick(reverb, Qt::Key_Down);
        QCOMPARE(rec.app.edit_history.StepCount(), std::size_t{3});

        // A drag from press to release is one step, however far it goes.
        auto* pan = dlg->findChild<QAbstractSlider*>("chorusPan");
        pan->setSliderDown(true);
        pan->setValue(70);
        pan->setValue(80);
        pan->setSliderDown(false);
        QCOMPARE(rec.app.edit_history.StepCount(), std::size_t{4});
        QCOMPARE(rec.app.effect_blocks[EffectBlock::chorus].pan, 80);

        rec.log.TakeEvents();
        frame->Action(kUndo)->trigger();
        QCOMPARE(pan->value(), 64);
        QCOMPARE(rec.log.TakeEvents(), (Events{Effect({0x2D, 64})}));
        frame->Action(kUndo)->trigger();
        QCOMPARE(reverb->currentText(), QString("HALL 1"));
        QCOMPARE(NameOfWindow(*dlg, "reverbParam1Value"), QString("2.1 s"));
        frame->Action(kUndo)->trigger();
        QCOMPARE(level->value(), 65);
        frame->Action(kRedo)->trigger();
        QCOMPARE(level->value(), 66);
    }

    // HALL 2 and a DELAY L,C,R on insertion for part 1's A layer, saved as a set-up, opened
    // by a program started afresh, and sent with Shift+F: the effect blocks, then the parts.
    void ASetUpKeepsTheEffectsAndShiftFSendsThemFirst() {
        test::TempFolder folder;
        const QString path = QString::fromStdString((folder / "live.kqset").string());
        const auto start = [&](RecordingApp& rec) {
            rec.app.ini_path = (folder / "kq505.ini").string();
            auto frame = std::make_unique<CMainFrame>(rec.app);
            frame->Document().SetFileDialog([path](const FileDialogRequest&) { return path; });
            frame->show();
            frame->activateWindow();
            [&] { QVERIFY(QTest::qWaitForWindowActive(frame.get())); }();
            return frame;
        };
        {
            RecordingApp rec;
            auto frame = start(rec);
            QTest::keyClick(frame.get(), Qt::Key_E);
            auto* dlg = qobject_cast<CEffectEditDlg*>(frame->EffectEditWindow());
            QVERIFY(dlg);
            for (const char* combo : {"reverbType", "variationPart"}) {
                dlg->findChild<QComboBox*>(combo)->setFocus();
                QTest::keyClick(dlg->findChild<QComboBox*>(combo), Qt::Key_Down);
            }
            QCOMPARE(dlg->findChild<QComboBox*>("variationType")->currentText(),
                     QString("DELAY L,C,R"));
            QCOMPARE(dlg->findChild<QComboBox*>("variationConnection")->currentIndex(), 0);
            dlg->findChildren<QPushButton*>().at(0)->click();  // OK
            frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(frame.get()));
            QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(!IsSetupModified(rec.app));
        }
        RecordingApp rec;
        auto frame = start(rec);
        QTest::keyClick(frame.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        const Events opened = rec.log.TakeEvents();  // opening sends what Shift+F sends
        QTest::keyClick(frame.get(), Qt::Key_F, Qt::ShiftModifier);
        const Events sent = rec.log.TakeEvents();
        QVERIFY(opened == sent);
        QVERIFY(sent.size() > 62);
        QCOMPARE(sent[0], Effect({0x00, 0x01, 0x01}));   // HALL 2
        QCOMPARE(sent[38], Effect({0x40, 0x05, 0x00}));  // DELAY L,C,R
        QCOMPARE(sent[60], Effect({0x5A, 0}));           // insertion
        QCOMPARE(sent[61], Effect({0x5B, 0}));           // on XG part 0, part 1's A layer
        // Then the 32 part modes, then part 1's volume.
        QCOMPARE(sent[62 + 32], (MidiEvent{Port::A, {0xB0, 0x07, 100}}));
    }
};

QTEST_MAIN(EffectEditDlgTest)
#include "effect_edit_dlg_test.moc"
