// The unsaved set-up kept aside by the main window, offered at the next start, and the
// window's end by a termination signal.

#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/recovery_file.h"
#include "app/setup_state.h"
#include "files/kq505_doc.h"
#include "model/play_through.h"
#include "model/play_through_send.h"
#include "tests/support/message_catcher.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"
#include "view/track_label.h"

using namespace kq505;
using kq505::test::MessageCatcher;
using kq505::test::OnA;
using kq505::test::OnB;
using kq505::test::RecordingApp;
using kq505::test::TempFolder;
using kq505::test::WriteBytes;
using Answer = CMainFrame::RecoveryAnswer;

namespace {

// A process id that names no process: a child that has ended and been reaped.
long EndedProcessId() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

struct RecoveringFrame {
    RecoveringFrame() {
        frame = std::make_unique<CMainFrame>(rec.app);
        frame->SetRecoveryFile(RecoveryFilePath(folder.path(), getpid()));
    }
    const std::filesystem::path& file() const { return frame->RecoveryFile(); }
    QTimer& timer() const { return *frame->findChild<QTimer*>(QStringLiteral("recoveryTimer")); }
    // An edit as the view makes one; the next tick of the timer keeps it.
    void Edit(int value) {
        rec.app.part_table[vol][5] = value;
        MarkSetupModified(rec.app);
        timer().setInterval(1);
    }
    int KeptVolume() const {
        RecoveredSetup kept;
        if (ReadRecoveryFile(file(), kept).error != SetupFileError::none) return -1;
        return kept.setup.part_table[vol][5];
    }

    TempFolder folder;
    RecordingApp rec;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace

class FrameRecoveryTest : public QObject {
    Q_OBJECT

  private slots:
    void WhileModifiedTheSetupIsKeptEveryThirtySeconds() {
        RecoveringFrame r;
        QVERIFY(!r.timer().isActive());
        r.rec.app.part_table[vol][5] = 11;
        MarkSetupModified(r.rec.app);
        QVERIFY(r.timer().isActive());
        QCOMPARE(r.timer().interval(), kRecoveryIntervalMs);
        QVERIFY(!std::filesystem::exists(r.file()));  // not before the first tick

        r.Edit(12);
        QTRY_COMPARE(r.KeptVolume(), 12);
        r.Edit(13);
        QTRY_COMPARE(r.KeptVolume(), 13);
    }

    void ASaveOrAConfirmedQuitRemovesTheFileACancelledQuitKeepsIt() {
        struct Case {
            const char* name;
            SaveAnswer answer;  // the user's answer to "save the changes?"; kSave: saved as
            bool kept;
        };
        for (const Case c :
             {Case{"discard", SaveAnswer::kDiscard, false},
              Case{"cancel", SaveAnswer::kCancel, true}, Case{"save", SaveAnswer::kSave, false}}) {
            RecoveringFrame r;
            r.Edit(20);
            QTRY_VERIFY(std::filesystem::exists(r.file()));
            r.rec.app.setup.path = (r.folder / "live.kqset").string();
            r.frame->Document().SetSavePrompt([&] { return c.answer; });
            r.frame->close();
            QVERIFY2(std::filesystem::exists(r.file()) == c.kept, c.name);
            QVERIFY2(r.timer().isActive() == c.kept, c.name);
        }
        // Back where it was saved or opened, there is nothing to recover.
        RecoveringFrame r;
        r.Edit(30);
        QTRY_VERIFY(std::filesystem::exists(r.file()));
        MarkSetupClean(r.rec.app, "/x/live.kqset");
        QVERIFY(!std::filesystem::exists(r.file()));
        QVERIFY(!r.timer().isActive());
    }

    void ALeftFileIsOfferedAndRestoredDiscardedOrKept() {
        struct Case {
            const char* name;
            Answer answer;
            bool readable;
            bool left_file_stays;
            bool restored;
            int messages;
        };
        const std::vector<Case> cases{
            {"restore", Answer::kRestore, true, false, true, 0},
            {"discard", Answer::kDiscard, true, false, false, 0},
            {"keep", Answer::kKeep, true, true, false, 0},
            {"unreadable", Answer::kRestore, false, true, false, 1},
        };
        for (const Case& c : cases) {
            RecoveringFrame r;
            CKQ505App before;
            before.part_table[vol][5] = 77;
            before.track_names[1] = "Lead";
            before.setup.path = "/songs/live.kqset";
            const std::filesystem::path left = RecoveryFilePath(r.folder.path(), EndedProcessId());
            WriteBytes(left, c.readable ? RecoveryText(before) : std::string("[Other]\n"));
            QStringList asked;
            r.frame->ask_restore = [&](const QString& question) {
                asked << question;
                return c.answer;
            };
            MessageCatcher catcher;
            r.frame->OfferRecovery();
            QCOMPARE(asked, QStringList{"前回保存されなかった変更があります。復元しますか?"});
            QVERIFY2(std::filesystem::exists(left) == c.left_file_stays, c.name);
            QTRY_COMPARE(catcher.texts.size(), c.messages);
            CKQ505App& app = r.rec.app;
            QVERIFY2((app.part_table[vol][5] == 77) == c.restored, c.name);
            QVERIFY2(IsSetupModified(app) == c.restored, c.name);
            if (!c.restored) continue;
            QCOMPARE(app.track_names[1], std::string("Lead"));
            QCOMPARE(app.setup.path, std::string("/songs/live.kqset"));
            QVERIFY(r.frame->windowTitle().endsWith(QStringLiteral("live.kqset *")));
            QCOMPARE(r.KeptVolume(), 77);         // in our own file at once
            QVERIFY(app.edit_history.CanUndo());  // the restore is one step, as an open is
        }
    }

    // Last: leaving the event loop on a signal marks the thread as quitting for good.
    void ASignalKeepsTheChangesEndsTheNotesAndLeavesTheLoop() {
        RecoveringFrame r;
        r.frame->CatchTerminationSignals();
        r.rec.app.part_table[vol][5] = 55;
        MarkSetupModified(r.rec.app);  // the 30 s have not passed
        r.rec.app.thru = 1;
        SelectPart(r.rec.app, 3);
        SendKeyboardMessage(r.rec.app, std::vector<std::uint8_t>{0x90, 60, 100}, kBothPorts);
        r.rec.log.TakeEvents();
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(r.KeptVolume(), 55);
        QCOMPARE(r.rec.log.TakeEvents(),
                 (std::vector<MidiEvent>{OnA({0x83, 60, 0x40}), OnB({0x83, 60, 0x40})}));
        QVERIFY(!r.rec.app.midi_out_a->IsOpen() && !r.rec.app.midi_out_b->IsOpen());
    }
};

QTEST_MAIN(FrameRecoveryTest)
#include "frame_recovery_test.moc"
