// The soft keyboard as the user meets it: mouse presses, glides and releases, the computer
// keys, the port choice, the octave shift, the notes of the MIDI input lit, and closing.

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cstdint>
#include <vector>

#include "model/play_through_send.h"
#include "tests/support/recording_app.h"
#include "view/soft_keyboard_dlg.h"
#include "view/track_label.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::OnB;
using kq505::test::RecordingApp;
using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<MidiEvent>;

namespace {

Events Both(const Bytes& message) {
    return {OnA(message), OnB(message)};
}

Events Join(std::initializer_list<Events> parts) {
    Events all;
    for (const Events& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A point on the key of `note`, `from_top` pixels below its top edge.
QPoint OnKey(SoftKeyboardKeys& keys, int note, int from_top) {
    const KeyRect key = *keys.Layout().KeyOf(note);
    return {key.x + key.width / 2, key.y + from_top};
}

void SendKey(QWidget& to, QEvent::Type type, int key, bool repeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier, QString(QChar(key)), repeat);
    QApplication::sendEvent(&to, &event);
}

}  // namespace

class SoftKeyboardDlgTest : public QObject {
    Q_OBJECT

  private:
    struct Shown {
        Shown() {
            SelectPart(rec.app, 2);
            dlg = new CSoftKeyboardDlg(rec.app, nullptr);
            dlg->show();
            QVERIFY(QTest::qWaitForWindowExposed(dlg));
        }
        ~Shown() { delete dlg.data(); }
        SoftKeyboardKeys& keys() { return dlg->Keys(); }

        RecordingApp rec;
        QPointer<CSoftKeyboardDlg> dlg;
    };

  private slots:
    void TheMousePlaysGlidesAndEndsWithVelocityFromWhereItPresses() {
        Shown s;
        SoftKeyboardKeys& keys = s.keys();
        QTest::mousePress(&keys, Qt::LeftButton, {}, OnKey(keys, 60, KeyboardLayout::kHeight - 1));
        QTest::mouseMove(&keys, OnKey(keys, 60, KeyboardLayout::kHeight - 3));  // same key
        QTest::mouseMove(&keys, OnKey(keys, 61, 0));  // across to the black key, at its top
        QTest::mouseRelease(&keys, Qt::LeftButton, {}, OnKey(keys, 61, 0));
        QCOMPARE(s.rec.log.TakeEvents(), Join({Both({0x92, 60, 127}), Both({0x82, 60, 0x40}),
                                               Both({0x92, 61, 2}), Both({0x82, 61, 0x40})}));
        QVERIFY(!keys.MouseNote());
        // Moves without a button play nothing.
        QTest::mouseMove(&keys, OnKey(keys, 64, 40));
        QVERIFY(s.rec.log.events.empty());
    }

    void TheChosenPortsTakeTheNewNotes() {
        Shown s;
        SoftKeyboardKeys& keys = s.keys();
        QTest::mouseClick(s.dlg->findChild<QRadioButton*>("portsA"), Qt::LeftButton);
        QTest::mouseClick(&keys, Qt::LeftButton, {}, OnKey(keys, 48, 79));
        QTest::mouseClick(s.dlg->findChild<QRadioButton*>("portsB"), Qt::LeftButton);
        QTest::mouseClick(&keys, Qt::LeftButton, {}, OnKey(keys, 50, 79));
        QCOMPARE(s.rec.log.TakeEvents(), (Events{OnA({0x92, 48, 127}), OnA({0x82, 48, 0x40}),
                                                 OnB({0x92, 50, 127}), OnB({0x82, 50, 0x40})}));
    }

    void ComputerKeysPlayTheTrackerRowsWithoutRepeats() {
        Shown s;
        s.rec.app.preview_velocity = 90;
        QWidget& keys = s.keys();
        SendKey(keys, QEvent::KeyPress, Qt::Key_Z);
        SendKey(keys, QEvent::KeyPress, Qt::Key_Z, true);  // auto-repeat
        SendKey(keys, QEvent::KeyRelease, Qt::Key_Z, true);
        SendKey(keys, QEvent::KeyPress, Qt::Key_2);
        SendKey(keys, QEvent::KeyRelease, Qt::Key_Z);
        // The octave moves while 2 is down; its note-off is still the note it began.
        QTest::mouseClick(s.dlg->findChild<QPushButton*>("octaveUp"), Qt::LeftButton);
        SendKey(keys, QEvent::KeyRelease, Qt::Key_2);
        SendKey(keys, QEvent::KeyPress, Qt::Key_Q);
        SendKey(keys, QEvent::KeyRelease, Qt::Key_Q);
        QCOMPARE(s.rec.log.TakeEvents(),
                 Join({Both({0x92, 48, 90}), Both({0x92, 61, 90}), Both({0x82, 48, 0x40}),
                       Both({0x82, 61, 0x40}), Both({0x92, 72, 90}), Both({0x82, 72, 0x40})}));
    }

    void ClosingEndsEveryNoteItStartedAndKCloses() {
        Shown s;
        SoftKeyboardKeys& keys = s.keys();
        SendKey(keys, QEvent::KeyPress, Qt::Key_X);
        QTest::mousePress(&keys, Qt::LeftButton, {}, OnKey(keys, 72, 79));
        s.rec.log.TakeEvents();
        SendKey(keys, QEvent::KeyPress, Qt::Key_K);
        QTRY_VERIFY(s.dlg.isNull());
        QCOMPARE(s.rec.log.TakeEvents(), Join({Both({0x82, 50, 0x40}), Both({0x82, 72, 0x40})}));
        QVERIFY(!s.rec.app.play_through->IsKeyboardNoteDown(50));
    }

    void NotesOfTheInputAreShownLit() {
        Shown s;
        SoftKeyboardKeys& keys = s.keys();
        // Thru is off: the input is still shown, though nothing is played through.
        const auto colour = [&](int note) {
            return keys.grab().toImage().pixelColor(OnKey(keys, note, 30));
        };
        const QColor unlit = colour(64);
        ForwardInput(s.rec.app, Bytes{0x95, 64, 100});
        QTRY_VERIFY(colour(64) != unlit);
        QCOMPARE(colour(65), unlit);
        QVERIFY(s.rec.log.events.empty());
        ForwardInput(s.rec.app, Bytes{0x85, 64, 0});
        QTRY_COMPARE(colour(64), unlit);
    }
};

QTEST_MAIN(SoftKeyboardDlgTest)
#include "soft_keyboard_dlg_test.moc"
