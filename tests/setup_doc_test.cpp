// The set-up of all 16 parts as the user meets it through the main window: its file
// commands and recent list, the modified mark in the title, the save prompt, and sending
// every part.

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSlider>
#include <QTest>
#include <QToolBar>

#include <memory>
#include <numeric>
#include <string>

#include "app/frame_commands.h"
#include "app/main_frame.h"
#include "app/setup_state.h"
#include "files/kq505_doc.h"
#include "files/settings_file.h"
#include "files/setup_file.h"
#include "instruments/program_change_dlg.h"
#include "model/part_transmission.h"
#include "tests/support/message_catcher.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::MessageCatcher;
using kq505::test::OnA;
using kq505::test::ReadBytes;
using kq505::test::RecordingApp;
using kq505::test::TempFolder;
using kq505::test::WriteBytes;

namespace {

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// A shown frame whose file dialogs and save prompts are answered from lists, in order.
struct SetupFrame {
    explicit SetupFrame(const TempFolder& folder) {
        rec.app.ini_path = (folder / "kq505.ini").string();
        frame = std::make_unique<CMainFrame>(rec.app);
        frame->Document().SetFileDialog([this](const FileDialogRequest& request) {
            requests.push_back(request);
            return files.isEmpty() ? QString() : files.takeFirst();
        });
        frame->Document().SetSavePrompt([this] {
            ++prompts;
            return answers.empty() ? SaveAnswer::kCancel : answers.front();
        });
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(frame.get(), key, modifiers);
    }
    QString Title() const { return frame->windowTitle(); }
    QSlider* Slider(int id) const { return qobject_cast<QSlider*>(frame->View()->Control(id)); }
    // Closes the window as its close box does; true when it was allowed to close.
    bool Close() {
        QCloseEvent event;
        QApplication::sendEvent(frame.get(), &event);
        return event.isAccepted();
    }

    MessageCatcher catcher;
    RecordingApp rec;
    std::unique_ptr<CMainFrame> frame;
    std::vector<FileDialogRequest> requests;
    QStringList files;
    std::vector<SaveAnswer> answers;
    int prompts = 0;
};

}  // namespace

class SetupDocTest : public QObject {
    Q_OBJECT

  private slots:
    void OpenSaveSaveAsAndRecentSetUps() {
        TempFolder folder;
        SetupFrame s(folder);
        QCOMPARE(s.Title(), QStringLiteral("KQ505 - 無題"));
        QVERIFY(!s.frame->Action(kIdRecentSetup1)->isVisible());

        QTest::keyClick(s.Slider(1008), Qt::Key_PageDown);  // volume of part 1
        QCOMPARE(s.Title(), QStringLiteral("KQ505 - 無題 *"));
        // Ctrl+Shift+S without a file asks for one, for set-up files.
        s.files = {Q(folder / "live.kqset")};
        s.Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.requests.back().default_suffix, QStringLiteral("kqset"));
        QCOMPARE(ReadBytes(folder / "live.kqset"), SetupFileText(CurrentSetup(s.rec.app)));
        QCOMPARE(s.Title(), QStringLiteral("KQ505 - live.kqset"));

        // Save as writes the new file and leaves the old one as it was.
        const std::string first = ReadBytes(folder / "live.kqset");
        s.rec.app.track_names[2] = "Pad";
        s.files = {Q(folder / "other.kqset")};
        s.frame->Action(kIdSetupSaveAs)->trigger();
        QCOMPARE(ReadBytes(folder / "live.kqset"), first);
        QVERIFY(ReadBytes(folder / "other.kqset").find("track_name=\"Pad\"") != std::string::npos);
        QCOMPARE(s.Title(), QStringLiteral("KQ505 - other.kqset"));
        QVERIFY(s.frame->Action(kIdRecentSetup1)->text().endsWith(QStringLiteral("other.kqset")));
        QVERIFY(
            s.frame->Action(kIdRecentSetup1 + 1)->text().endsWith(QStringLiteral("live.kqset")));
        QVERIFY(!s.frame->Action(kIdRecentSetup1 + 2)->isVisible());

        // Ctrl+Shift+O replaces every part, name and list position and sends them as Shift+F
        // does; with SendOnOpen off it sends nothing.
        s.Key(Qt::Key_X);  // the table back to its defaults: a change
        s.answers = {SaveAnswer::kDiscard};
        s.files = {Q(folder / "other.kqset")};
        s.rec.log.events.clear();
        s.Key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.prompts, 1);
        QCOMPARE(s.rec.app.track_names[2], std::string("Pad"));
        QCOMPARE(s.rec.app.part_table[vol][0], 90);
        RecordingApp alone;
        alone.app.part_table = s.rec.app.part_table;
        alone.app.effect_blocks = s.rec.app.effect_blocks;
        alone.app.drums = s.rec.app.drums;
        SendAllParts(alone.app);
        QVERIFY(s.rec.log.TakeEvents() == alone.log.TakeEvents());
        s.rec.app.send_on_open = 0;
        s.files = {Q(folder / "other.kqset")};
        s.Key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(s.rec.log.events.empty());
        QCOMPARE(s.frame->findChild<QComboBox*>()->itemText(2), QStringLiteral("#03 : Pad"));
        QCOMPARE(s.Slider(1008)->value(), 90);
        QCOMPARE(s.Title(), QStringLiteral("KQ505 - other.kqset"));

        // The second recent entry, still known to a frame started afresh.
        SetupFrame again(folder);
        QVERIFY(again.frame->Action(kIdRecentSetup1 + 1)->isVisible());
        again.frame->Action(kIdRecentSetup1 + 1)->trigger();
        QCOMPARE(again.Title(), QStringLiteral("KQ505 - live.kqset"));
        QCOMPARE(again.rec.app.track_names[2], std::string());
        QCOMPARE(again.rec.app.part_table[vol][0], 90);
        QVERIFY(
            again.frame->Action(kIdRecentSetup1)->text().endsWith(QStringLiteral("live.kqset")));
    }

    void RefusedSetUpIsReportedAndChangesNothing() {
        TempFolder folder;
        SetupFrame s(folder);
        WriteBytes(folder / "bad.kqset", "[KQ505 set-up]\n[Part 1]\nvol=12\n[Part 2]\nvol=loud\n");
        s.frame->OpenDocumentFile(Q(folder / "bad.kqset"));  // as a drop or the command line does
        QCOMPARE(s.catcher.texts.value(0),
                 QStringLiteral("bad.kqset の [Part 2] vol が整数ではないため、読み込めません"));
        QCOMPARE(s.rec.app.part_table[vol][0], 100);
        QCOMPARE(s.Title(), QStringLiteral("KQ505 - 無題"));
        WriteBytes(folder / "good.KQSET", SetupFileText(DefaultSetup()));
        s.frame->OpenDocumentFile(Q(folder / "good.KQSET"));
        QCOMPARE(s.Title(), QStringLiteral("KQ505 - good.KQSET"));
    }

    void TheThreeAnswersOnClose() {
        TempFolder folder;
        SetupFrame s(folder);
        QVERIFY(s.Close());  // nothing changed: no question
        QCOMPARE(s.prompts, 0);

        QTest::keyClick(s.Slider(1008), Qt::Key_PageDown);
        const PartTable changed = s.rec.app.part_table;
        s.answers = {SaveAnswer::kCancel};
        QVERIFY(!s.Close());
        QCOMPARE(s.rec.app.part_table, changed);
        QCOMPARE(s.Title(), QStringLiteral("KQ505 - 無題 *"));

        // Save, but the save fails: the window stays with its parts.
        s.answers = {SaveAnswer::kSave};
        s.files = {Q(folder / "missing/folder/x.kqset")};
        QVERIFY(!s.Close());
        QVERIFY(s.catcher.texts.value(0).contains(QStringLiteral("保存できませんでした")));
        QCOMPARE(s.rec.app.part_table, changed);
        // Save, and cancel the file dialog: the window stays too.
        s.files = {};
        QVERIFY(!s.Close());

        s.files = {Q(folder / "x.kqset")};
        QVERIFY(s.Close());
        QCOMPARE(ReadBytes(folder / "x.kqset"), SetupFileText(CurrentSetup(s.rec.app)));

        SetupFrame d(folder);
        d.Key(Qt::Key_G);
        d.answers = {SaveAnswer::kDiscard};
        QVERIFY(d.Close());
        QCOMPARE(d.prompts, 1);
        QCOMPARE(d.requests.size(), std::size_t{0});
    }

    void EditingPathsMarkTheSetUp() {
        TempFolder folder;
        WriteBytes(folder / "clean.kqset", SetupFileText(DefaultSetup()));
        const auto kqs = SaveSettingsFile(CKQ505App());
        WriteBytes(folder / "p.kqs", std::string(kqs.begin(), kqs.end()));
        const QString clean = QStringLiteral("KQ505 - clean.kqset");
        const auto opened = [&](SetupFrame& s) {
            s.frame->OpenDocumentFile(Q(folder / "clean.kqset"));
            QCOMPARE(s.Title(), clean);
        };
        {
            SetupFrame s(folder);
            opened(s);
            QTest::keyClick(s.Slider(1008), Qt::Key_Up);
            QCOMPARE(s.Title(), clean + " *");
            // A save makes it clean again.
            s.Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(s.Title(), clean);
        }
        {
            SetupFrame s(folder);
            opened(s);
            CKQ505View* view = s.frame->View();
            QTest::mousePress(view, Qt::LeftButton, {}, {314, 107});  // attack handle, A layer
            QTest::mouseMove(view, {318, 107});
            QTest::mouseRelease(view, Qt::LeftButton, {}, {318, 107});
            QCOMPARE(s.rec.app.part_table[attack_a][0], 68);
            QCOMPARE(s.Title(), clean + " *");
        }
        {
            SetupFrame s(folder);
            opened(s);
            s.Key(Qt::Key_P);
            auto* dialog = qobject_cast<CProgramChangeDlg*>(s.frame->ProgramChangeWindow());
            QVERIFY(dialog);
            QListWidget& programs = *dialog->List(1043);
            QVERIFY(programs.count() > 5);
            QTest::mouseClick(programs.viewport(), Qt::LeftButton, {},
                              programs.visualItemRect(programs.item(5)).center());
            QCOMPARE(s.rec.app.part_table[program_a][0], 5);
            QCOMPARE(s.Title(), clean + " *");
        }
        {
            SetupFrame s(folder);
            opened(s);
            s.frame->OpenDocumentFile(Q(folder / "p.kqs"));
            QCOMPARE(s.Title(), QStringLiteral("KQ505 - clean.kqset [p.kqs] *"));
        }
        {
            SetupFrame s(folder);
            opened(s);
            s.Key(Qt::Key_X);
            QCOMPARE(s.Title(), clean + " *");
        }
    }

    void ShiftFSendsEveryPartInOrder() {
        TempFolder folder;
        SetupFrame s(folder);
        for (int part = 0; part < kPartCount; ++part) {
            for (int row = 0; row < kRowCount; ++row)
                s.rec.app.part_table[row][part] = (row * 5 + part * 3) % 128;
        }
        s.frame->findChild<QComboBox*>()->setCurrentIndex(6);
        s.rec.log.events.clear();
        s.Key(Qt::Key_F, Qt::ShiftModifier);
        const std::vector<MidiEvent> all = s.rec.log.TakeEvents();

        const auto one_part = [&](int part) {
            RecordingApp r;
            r.app.part_table = s.rec.app.part_table;
            r.app.selected_part = part;
            SendAllPartParameters(r.app);
            return r.log.events;
        };
        const std::size_t per_part = one_part(0).size();
        // The effect blocks go first: 62 system-exclusive messages, 13 of them with a
        // two-byte value (10 bytes), the others 9 bytes; then the 32 part modes (9 bytes).
        constexpr std::size_t kEffectMessages = 62 + 32;
        QCOMPARE(all.size(), kEffectMessages + 16 * per_part);
        const std::size_t bytes = std::accumulate(
            all.begin(), all.end(), std::size_t{0},
            [](std::size_t sum, const MidiEvent& e) { return sum + e.bytes.size(); });
        // Per part: 2 program changes (2 bytes), 82 control changes (3 bytes, NRPNs among
        // them) and 3 system-exclusive messages (9 bytes).
        QCOMPARE(bytes, std::size_t{13 * 10 + 49 * 9 + 32 * 9 + 16 * 286});
        QCOMPARE(all.front(),
                 OnA({0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x01, 0x00, 0xF7}));  // HALL 1
        const std::vector<MidiEvent> first(all.begin() + kEffectMessages,
                                           all.begin() + kEffectMessages + per_part);
        const std::vector<MidiEvent> last(all.end() - per_part, all.end());
        QCOMPARE(first, one_part(0));
        QCOMPARE(last, one_part(15));
        QCOMPARE(s.rec.app.selected_part, 6);
        // The toolbar carries the command too.
        QVERIFY(
            s.frame->findChild<QToolBar*>()->actions().contains(s.frame->Action(kIdSendAllParts)));
    }
};

QTEST_MAIN(SetupDocTest)
#include "setup_doc_test.moc"
