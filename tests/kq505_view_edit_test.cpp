// Editing on the form with real mouse and key events: knob drags, sliders, check boxes,
// note preview and track names, checked against the bytes on both ports.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <utility>
#include <vector>

#include "app/kq505_app.h"
#include "tests/support/recording_app.h"
#include "view/kq505_view.h"
#include "view/track_name_dlg.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::OnB;
using kq505::test::RecordingApp;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Xg(int part, int address, int value) {
    return {0xF0,
            0x43,
            0x10,
            0x4C,
            0x08,
            std::uint8_t(part),
            std::uint8_t(address),
            std::uint8_t(value),
            0xF7};
}

std::vector<MidiEvent> Nrpn(Port port, int channel, int parameter, int value) {
    const auto cc = [&](int control, int v) {
        return MidiEvent{port,
                         {std::uint8_t(0xB0 + channel), std::uint8_t(control), std::uint8_t(v)}};
    };
    return {cc(98, parameter), cc(99, 1), cc(6, value)};
}

// Typed characters one key event each, for text QTest's key names do not cover.
void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

}  // namespace

class ViewEditTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    std::unique_ptr<CKQ505View> view_;
    QPoint press_;

    CKQ505App& App() { return rec_->app; }
    QString Text(int id) const { return view_->FieldText(id); }
    QSlider* Slider(int id) const { return qobject_cast<QSlider*>(view_->Control(id)); }
    std::vector<MidiEvent> Take() { return rec_->log.TakeEvents(); }

    void Select(int part) {
        qobject_cast<QComboBox*>(view_->Control(1000))->setCurrentIndex(part);
        Take();
    }
    void Press(int x, int y) {
        press_ = {x, y};
        QTest::mousePress(view_.get(), Qt::LeftButton, {}, press_);
    }
    // Moves the held mouse by (dx, dy) from the last position, in one event.
    void MoveBy(int dx, int dy) {
        press_ += QPoint(dx, dy);
        QTest::mouseMove(view_.get(), press_);
    }
    void Release() { QTest::mouseRelease(view_.get(), Qt::LeftButton, {}, press_); }

    // Runs `act` on the modal track name dialog once it is open, then accepts or cancels it.
    void WithTrackNameDialog(std::function<void(QLineEdit*)> act, bool accept) {
        QTimer::singleShot(0, this, [act, accept] {
            auto* dialog = qobject_cast<CTrackNameDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->windowTitle(), QString("TrackName入力"));
            act(dialog->findChild<QLineEdit*>("name"));
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == (accept ? "&OK" : "&Cancel"))
                    QTest::mouseClick(button, Qt::LeftButton);
        });
        QTest::mouseClick(qobject_cast<QPushButton*>(view_->Control(1015)), Qt::LeftButton);
    }
    QString Entry(int part) const {
        return qobject_cast<QComboBox*>(view_->Control(1000))->itemText(part);
    }

  private slots:
    void init() {
        rec_ = std::make_unique<RecordingApp>();
        view_ = std::make_unique<CKQ505View>(rec_->app);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        Take();
    }
    void cleanup() {
        view_.reset();
        rec_.reset();
    }

    void aPressTwoPixelsFromAHandleDragsItAndThreeDoNot() {
        Press(47 + 2, 151 - 2);
        MoveBy(1, 0);
        QCOMPARE(App().Value(pan_a), 65);
        Release();
        for (auto [dx, dy] : {std::pair{3, 0}, {0, -3}}) {
            Press(47 + dx, 151 + dy);
            MoveBy(5, 5);
            Release();
        }
        QCOMPARE(App().Value(pan_a), 65);
        QCOMPARE(App().Value(reverb_a), 40);
        QCOMPARE(Take().size(), std::size_t(2));  // the one processed move
    }

    void sendPadDraggedRightAndUpSendsTheRunningValues() {
        Select(2);
        Press(47, 151);
        std::vector<MidiEvent> expected;
        for (int i = 1; i <= 10; ++i) {
            MoveBy(1, 0);
            expected.push_back(OnA({0xB2, 10, std::uint8_t(64 + i)}));
            expected.push_back(OnA({0xB2, 91, 40}));
        }
        for (int i = 1; i <= 4; ++i) {
            MoveBy(0, -1);
            expected.push_back(OnA({0xB2, 10, 74}));
            expected.push_back(OnA({0xB2, 91, std::uint8_t(40 + i)}));
        }
        Release();
        QCOMPARE(Take(), expected);
        QCOMPARE(App().Value(pan_a), 74);
        QCOMPARE(App().Value(reverb_a), 44);
        QCOMPARE(Text(1050), QString("R10"));
        QCOMPARE(Text(1048), QString("44"));
    }

    void panAtZeroIsRandomOnTheRightXgPart() {
        Select(3);
        for (Port layer : {Port::A, Port::B}) {
            const int y = layer == Port::B ? 261 : 151;
            const int xg_part = layer == Port::B ? 3 + 16 : 3;
            Press(47, y);
            MoveBy(-70, 0);
            QCOMPARE(Take(), (std::vector<MidiEvent>{{layer, {0xB3, 10, 0}},
                                                     OnA(Xg(xg_part, 0x0E, 0)),
                                                     {layer, {0xB3, 91, 40}}}));
            QCOMPARE(Text(layer == Port::B ? 1067 : 1050), QString("Rnd"));
            // The drag is relative: one pixel back is pan 1 at once.
            MoveBy(1, 0);
            QCOMPARE(Take(),
                     (std::vector<MidiEvent>{{layer, {0xB3, 10, 1}}, {layer, {0xB3, 91, 40}}}));
            QCOMPARE(Text(layer == Port::B ? 1067 : 1050), QString("L63"));
            Release();
        }
    }

    void equaliserHandlesStopAtTheirLimits() {
        struct Case {
            QPoint handle;
            int dx, dy;
            Row freq, gain;
            int freq_value, gain_value;
            int freq_id, gain_id;
            QString freq_text, gain_text;
        };
        const std::vector<Case> cases{
            {{568, 139}, -100, -100, eq_bass_freq_a, eq_bass_gain_a, 4, 0, 1061, 1063, "32", "-64"},
            {{568, 139},
             200,
             200,
             eq_bass_freq_a,
             eq_bass_gain_a,
             40,
             127,
             1061,
             1063,
             "2.0k",
             "+63"},
            {{652, 249},
             -100,
             100,
             eq_treble_freq_b,
             eq_treble_gain_b,
             28,
             127,
             1079,
             1081,
             "500",
             "+63"},
            {{652, 249},
             100,
             -100,
             eq_treble_freq_b,
             eq_treble_gain_b,
             58,
             0,
             1079,
             1081,
             "16k",
             "-64"}};
        for (const Case& c : cases) {
            view_->OnXgSystemOn();
            Take();
            Press(c.handle.x(), c.handle.y());
            MoveBy(c.dx, -c.dy);
            Release();
            QCOMPARE(App().Value(c.freq), c.freq_value);
            QCOMPARE(App().Value(c.gain), c.gain_value);
            QCOMPARE(Text(c.freq_id), c.freq_text);
            QCOMPARE(Text(c.gain_id), c.gain_text);
            const Port port = IsLayerB(c.freq) ? Port::B : Port::A;
            const bool bass = c.freq == eq_bass_freq_a;
            std::vector<MidiEvent> expected = Nrpn(port, 0, bass ? 0x34 : 0x35, c.freq_value);
            for (const MidiEvent& e : Nrpn(port, 0, bass ? 0x30 : 0x31, c.gain_value))
                expected.push_back(e);
            QCOMPARE(Take(), expected);
        }
    }

    void resonancePast127ShowsItsTopAndDragsOnlyItsLayer() {
        Press(246, 249);  // the B layer's LPF handle
        MoveBy(0, -100);
        Release();
        QCOMPARE(Text(1071), QString("63"));
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnB({0xB0, 74, 64}), OnB({0xB0, 71, 127})}));
        QCOMPARE(App().Value(harmonic_a), 64);
    }

    void trebleWinsOverBassOnTheSameSpot() {
        App().Value(eq_bass_freq_a) = 30;
        App().Value(eq_treble_freq_a) = 30;
        Press(604, 139);
        MoveBy(2, 0);
        Release();
        QCOMPARE(App().Value(eq_treble_freq_a), 32);
        QCOMPARE(App().Value(eq_bass_freq_a), 30);
    }

    void afterTheReleaseMovesDoNothing() {
        Press(314, 107);  // attack, A layer
        MoveBy(4, 0);
        Release();
        QCOMPARE(App().Value(attack_a), 68);
        QCOMPARE(Text(1055), QString("4"));
        Take();
        QTest::mouseMove(view_.get(), {340, 120});
        QTest::mouseMove(view_.get(), {300, 100});
        QCOMPARE(App().Value(attack_a), 68);
        QVERIFY(Take().empty());
    }

    void aMoveWithoutTheButtonEndsTheDrag() {
        Press(314, 217);  // attack, B layer
        MoveBy(4, 0);
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnB({0xB0, 73, 68})}));
        // The release went to another window: the next move arrives with no button held.
        QMouseEvent lost(QEvent::MouseMove, QPointF(330, 217), QPointF(330, 217), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view_.get(), &lost);
        QMouseEvent later(QEvent::MouseMove, QPointF(340, 217), QPointF(340, 217), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view_.get(), &later);
        QCOMPARE(App().Value(attack_b), 68);
        QVERIFY(Take().empty());
        Release();
    }

    void slidersStoreAndSendTheirRows() {
        Select(3);
        QTest::keyClick(Slider(1008), Qt::Key_PageDown);  // 100 − one page of 10
        QCOMPARE(Take(),
                 (std::vector<MidiEvent>{OnA({0xB3, 0x07, 0x5A}), OnB({0xB3, 0x07, 0x5A})}));
        QCOMPARE(Text(1011), QString("90"));
        QCOMPARE(App().Value(vol), 90);

        Select(0);
        QTest::keyClick(Slider(1016), Qt::Key_PageDown);
        QTest::keyClick(Slider(1016), Qt::Key_Left);
        QTest::keyClick(Slider(1016), Qt::Key_Left);
        QCOMPARE(Text(1017), QString("-12"));
        const std::vector<MidiEvent> shifts = Take();
        QCOMPARE(shifts.size(), std::size_t(3));
        QCOMPARE(shifts.back(), OnA({0xF0, 0x43, 0x10, 0x4C, 0x08, 0x10, 0x08, 0x34, 0xF7}));

        for (int i = 0; i < 5; ++i)
            QTest::keyClick(Slider(1045), Qt::Key_Left);
        QCOMPARE(Text(1046), QString("A5>B"));
        const std::vector<MidiEvent> mixes = Take();
        QCOMPARE(std::vector<MidiEvent>(mixes.end() - 3, mixes.end()),
                 (std::vector<MidiEvent>{OnA(Xg(0, 0x0D, 64)), OnA(Xg(16, 0x0D, 64)),
                                         OnA(Xg(16, 0x0D, 59))}));

        QTest::keyClick(Slider(1018), Qt::Key_Right);
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnA({0xB0, 5, 1}), OnB({0xB0, 5, 1})}));
        QCOMPARE(Text(1021), QString("1"));
        // Every notification stores all five rows, whichever slider moved.
        QCOMPARE(App().Value(mix), -5);
        QCOMPARE(App().Value(key_shift), 52);
    }

    void checkBoxesStoreTheirSwitches() {
        Select(6);
        auto* portamento = qobject_cast<QCheckBox*>(view_->Control(1020));
        QTest::mouseClick(portamento, Qt::LeftButton);
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnA({0xB6, 65, 127}), OnB({0xB6, 65, 127})}));
        QCOMPARE(App().Value(porta_sw), 1);
        QTest::mouseClick(portamento, Qt::LeftButton);
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnA({0xB6, 65, 0}), OnB({0xB6, 65, 0})}));
        QCOMPARE(App().Value(porta_sw), 0);
        QTest::mouseClick(qobject_cast<QCheckBox*>(view_->Control(1082)), Qt::LeftButton);
        QCOMPARE(App().Value(mix_sw), 1);
        QCOMPARE(App().Value(mix), 0);
        QVERIFY(Take().empty());
    }

    void noteSliderSetsTheNextPreviewAndItsGateEndsEveryChannel() {
        App().preview_velocity = 100;
        App().preview_gate_ms = 30;
        for (int i = 0; i < 9; ++i)
            QTest::keyClick(Slider(1013), Qt::Key_Left);
        QCOMPARE(Text(1014), QString("C3"));
        QCOMPARE(App().preview_note, 60);
        QVERIFY(Take().empty());

        Select(4);
        view_->OnPreviewPortA();
        QCOMPARE(Take(), (std::vector<MidiEvent>{OnA({0x94, 0x3C, 0x64})}));
        std::vector<MidiEvent> offs;
        for (std::uint8_t channel = 0; channel < 16; ++channel) {
            offs.push_back(OnA({std::uint8_t(0xB0 + channel), 0x7B, 0}));
            offs.push_back(OnB({std::uint8_t(0xB0 + channel), 0x7B, 0}));
        }
        QTRY_COMPARE_WITH_TIMEOUT(rec_->log.events.size(), std::size_t(32), 2000);
        QCOMPARE(Take(), offs);

        view_->OnPreviewLayer();
        QCOMPARE(Take(),
                 (std::vector<MidiEvent>{OnA({0x94, 0x3C, 0x64}), OnB({0x94, 0x3C, 0x64})}));
        QTRY_COMPARE_WITH_TIMEOUT(rec_->log.events.size(), std::size_t(32), 2000);
    }

    void previewsWithinOneGateEndTogether() {
        App().preview_velocity = 100;
        App().preview_gate_ms = 1000;
        view_->OnPreviewPortA();
        QTest::qWait(400);
        view_->OnPreviewPortB();
        QTest::qWait(700);  // 1100 ms after the first: its gate alone would have ended
        QCOMPARE(rec_->log.events.size(), std::size_t(2));
        QTRY_COMPARE_WITH_TIMEOUT(rec_->log.events.size(), std::size_t(34), 3000);
        QTest::qWait(1100);
        QCOMPARE(rec_->log.events.size(), std::size_t(34));
    }

    void trackNamesNameTheComboEntries() {
        WithTrackNameDialog([](QLineEdit* name) { QTest::keyClicks(name, "Piano"); }, true);
        QCOMPARE(Entry(0), QString("#01 : Piano"));
        QCOMPARE(App().track_names[0], std::string("Piano"));
        QCOMPARE(qobject_cast<QComboBox*>(view_->Control(1000))->currentIndex(), 0);

        Select(9);
        WithTrackNameDialog([](QLineEdit* name) { QTest::keyClicks(name, "Bass"); }, true);
        QCOMPARE(Entry(9), QString("#10 : Bass"));

        Select(0);
        WithTrackNameDialog(
            [](QLineEdit* name) {
                QCOMPARE(name->text(), QString("Piano"));
                QCOMPARE(name->window()->findChild<QLineEdit*>("label")->text(), QString("#01 :"));
                name->selectAll();
                QTest::keyClick(name, Qt::Key_Delete);
            },
            true);
        QCOMPARE(Entry(0), QString("#01 : "));
        QCOMPARE(App().track_names[0], std::string());

        WithTrackNameDialog([](QLineEdit* name) { QTest::keyClicks(name, "Lost"); }, false);
        QCOMPARE(Entry(0), QString("#01 : "));
        QVERIFY(App().track_names[0].empty());
        QCOMPARE(App().selected_part, 0);
        QVERIFY(Take().empty());
    }

    void namesKeepAtMost64ShiftJisBytesOfWholeCharacters() {
        WithTrackNameDialog([](QLineEdit* name) { Type(name, QString(40, QChar(0x3042))); }, true);
        QCOMPARE(App().track_names[0].size(), std::size_t(64));
        QCOMPARE(App().track_names[0].substr(0, 2), std::string("\x82\xa0"));

        WithTrackNameDialog(
            [](QLineEdit* name) {
                name->clear();
                QTest::keyClicks(name, QString(63, 'a'));
                Type(name, QString::fromUtf8("日"));  // would need bytes 64 and 65
                Type(name, QString::fromUtf8("ｱ"));   // half-width: one byte
            },
            true);
        QCOMPARE(App().track_names[0], std::string(63, 'a') + "\xb1");

        // Composition goes on unchecked; the committed text is kept.
        WithTrackNameDialog(
            [](QLineEdit* name) {
                name->clear();
                QInputMethodEvent composing(QString::fromUtf8("にほんご"), {});
                QApplication::sendEvent(name, &composing);
                QInputMethodEvent commit;
                commit.setCommitString(QString::fromUtf8("日本語"));
                QApplication::sendEvent(name, &commit);
            },
            true);
        QCOMPARE(App().track_names[0], std::string("\x93\xfa\x96\x7b\x8c\xea"));
        QCOMPARE(Entry(0), QString::fromUtf8("#01 : 日本語"));

        // Input methods commit the JIS forms of the wave dash, the minus and their kin.
        WithTrackNameDialog(
            [](QLineEdit* name) {
                name->clear();
                QInputMethodEvent commit;
                commit.setCommitString(
                    QString::fromUtf8("\u301CPad\u2212\u2016\u2014\u00A2\u00A3\u00AC"));
                QApplication::sendEvent(name, &commit);
            },
            true);
        QCOMPARE(App().track_names[0],
                 std::string("\x81\x60Pad\x81\x7C\x81\x61\x81\x5C\x81\x91\x81\x92\x81\xCA"));
    }

    void aPreviewStillSoundingEndsWhenTheViewGoes() {
        App().preview_gate_ms = 60000;
        view_->OnPreviewLayer();
        QCOMPARE(Take().size(), std::size_t(2));
        view_.reset();
        const std::vector<MidiEvent> ended = Take();
        QCOMPARE(ended.size(), std::size_t(32));
        QCOMPARE(ended.front(), OnA({0xB0, 0x7B, 0x00}));
    }
};

QTEST_MAIN(ViewEditTest)
#include "kq505_view_edit_test.moc"
