// The main window under a session manager (a fake one on the loopback interface): the
// announce, open, save, the modified mark, the window shown and hidden, refused files, a
// switch to another session, and the file menu while the set-up is the session's.

#include <unistd.h>
#include <QAction>
#include <QCoreApplication>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_commands.h"
#include "app/ini_store.h"
#include "app/main_frame.h"
#include "app/nsm_window.h"
#include "app/settings.h"
#include "files/kq505_doc.h"
#include "files/setup_file.h"
#include "tests/support/fake_nsm_server.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"

using namespace kq505;
using namespace std::chrono_literals;
using kq505::test::FakeNsmServer;
using kq505::test::OscMessage;
using kq505::test::ReadBytes;
using kq505::test::RecordingApp;
using kq505::test::TempFolder;
using kq505::test::WriteBytes;

namespace {

const std::vector<std::string> kOpenAnswer{"/nsm/client/open"};

void RunEvents() {
    QCoreApplication::processEvents();
}

std::string SetupTextWithVolume(int part, int volume) {
    SetupData setup = DefaultSetup();
    setup.part_table[vol][part] = volume;
    return SetupFileText(setup);
}

// The program's window and its session, announced to the fake server and accepted.
struct SessionUnderTest {
    SessionUnderTest() {
        rec.app.ini_path = (folder / "kq505.ini").string();
        rec.app.name_midi_client = [this](const std::string& name) {
            client_names.push_back(name);
        };
        frame = std::make_unique<CMainFrame>(rec.app);
        session = std::make_unique<CNsmSession>(rec.app, *frame, NsmClient::Connect(server.Url()));
        session->Announce("kq505-under-test", static_cast<int>(getpid()));
        announce = server.Wait("/nsm/server/announce", 5s, RunEvents);
        server.AcceptAnnounce();
        std::filesystem::create_directory(folder / "song");
    }
    ~SessionUnderTest() { session.reset(); }  // before the frame, as in the program
    std::optional<OscMessage> Wait(std::string_view path) {
        return server.Wait(path, 5s, RunEvents);
    }
    // Opens the session's client "KQ505.<id>"; the answer (reply or error) is returned.
    std::optional<OscMessage> Open(const std::string& id) {
        server.Open((folder / "song" / ("KQ505." + id)).string(), "Song " + id, "KQ505." + id);
        return server.WaitAny({"/reply", "/error"}, 5s, RunEvents);
    }
    std::filesystem::path File(const std::string& id) const {
        return folder / "song" / ("KQ505." + id + ".kqset");
    }
    void Edit(int volume) {
        rec.app.edit_history.Record(rec.app, StepKind::kSlider,
                                    [&] { rec.app.part_table[vol][3] = volume; });
    }

    FakeNsmServer server;
    TempFolder folder;
    RecordingApp rec;
    std::vector<std::string> client_names;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<CNsmSession> session;
    std::optional<OscMessage> announce;
};

}  // namespace

class NsmSessionTest : public QObject {
    Q_OBJECT

  private slots:
    void theAnnounceNamesTheProgramItsCapabilitiesAndProcess() {
        SessionUnderTest s;
        QVERIFY(s.announce);
        QCOMPARE(s.announce->types, std::string("sssiii"));
        const std::vector<std::string> expected{
            "KQ505", ":dirty:switch:optional-gui:", "kq505-under-test", "1",
            "2",     std::to_string(getpid())};
        QCOMPARE(s.announce->args, expected);
        // Accepted, the program tells whether its window shows (not yet).
        QVERIFY(s.Wait("/nsm/client/gui_is_hidden"));
    }

    void openNamesTheClientCreatesTheSetupAndLeavesThePortsToTheSession() {
        SessionUnderTest s;
        s.rec.app.part_table[vol][1] = 21;  // the state the new file is made from
        s.rec.app.out_a_device = 2;
        s.rec.app.in_device = 1;
        s.rec.app.module_in_name = "UM-ONE";
        const auto reply = s.Open("nA");
        QVERIFY(reply && reply->path == "/reply");
        QCOMPARE(reply->args.at(0), kOpenAnswer.at(0));
        QCOMPARE(s.client_names, std::vector<std::string>{"KQ505.nA"});
        QCOMPARE(ReadBytes(s.File("nA")), SetupTextWithVolume(1, 21));
        for (int device : {s.rec.app.out_a_device, s.rec.app.out_b_device, s.rec.app.in_device,
                           s.rec.app.module_in_device}) {
            QCOMPARE(device, -1);
        }
        QVERIFY(s.rec.app.module_in_name.empty());
        // The settings file goes on storing the devices for starts outside the session.
        QVERIFY(WriteIniSettings(s.rec.app));
        const std::optional<IniDocument> ini = LoadIniFile(s.rec.app.ini_path);
        QVERIFY(ini);
        QCOMPARE(ini->Find("MIDI", "OutA"), std::optional<std::string>("2"));
        QCOMPARE(ini->Find("MIDI", "In"), std::optional<std::string>("1"));
        QCOMPARE(ini->Find("MIDI", "ModuleInName"), std::optional<std::string>("UM-ONE"));
        std::filesystem::remove(s.rec.app.ini_path);
        QVERIFY(s.frame->windowTitle().contains(QStringLiteral("Song nA")));
        QVERIFY(s.Wait("/nsm/client/is_clean"));
        QVERIFY(!std::filesystem::exists(s.folder / "kq505.ini"));
    }

    void theModifiedMarkFollowsEditsAndUndoAndSaveWritesTheFile() {
        SessionUnderTest s;
        QVERIFY(s.Open("nC"));
        QVERIFY(s.Wait("/nsm/client/is_clean"));
        s.Edit(77);
        QVERIFY(s.Wait("/nsm/client/is_dirty"));
        s.frame->Action(kIdEditUndo)->trigger();
        QVERIFY(s.Wait("/nsm/client/is_clean"));
        s.Edit(88);
        QVERIFY(s.Wait("/nsm/client/is_dirty"));
        s.server.Send("/nsm/client/save");
        const auto reply = s.Wait("/reply");
        QVERIFY(reply);
        QCOMPARE(reply->args.at(0), std::string("/nsm/client/save"));
        QVERIFY(s.Wait("/nsm/client/is_clean"));
        QCOMPARE(ReadBytes(s.File("nC")), SetupTextWithVolume(3, 88));
        QVERIFY(!std::filesystem::exists(s.folder / "kq505.ini"));
    }

    void showHideAndClosingTheWindowOnlyHidesIt() {
        SessionUnderTest s;
        QVERIFY(s.Wait("/nsm/client/gui_is_hidden"));
        s.server.Send("/nsm/client/show_optional_gui");
        QVERIFY(s.Wait("/nsm/client/gui_is_shown"));
        QVERIFY(s.frame->isVisible());
        s.frame->Action(kIdAppExit)->trigger();  // 終了 and the close box alike
        QVERIFY(s.Wait("/nsm/client/gui_is_hidden"));
        QVERIFY(!s.frame->isVisible());
        s.server.Send("/nsm/client/show_optional_gui");
        QVERIFY(s.Wait("/nsm/client/gui_is_shown"));
        s.server.Send("/nsm/client/hide_optional_gui");
        QVERIFY(s.Wait("/nsm/client/gui_is_hidden"));
        QVERIFY(!s.frame->isVisible());
    }

    void aSetupThatCannotBeReadIsAnErrorAndChangesNothing() {
        const std::vector<std::pair<std::string, std::string>> refused{
            {"folder", "を読み込めませんでした"}, {"text", "KQ505.text.kqset"}};
        for (const auto& [kind, in_message] : refused) {
            SessionUnderTest s;
            if (kind == "folder") {
                std::filesystem::create_directory(s.File(kind));
            } else {
                WriteBytes(s.File(kind), "not a set-up\n");
            }
            s.rec.app.out_a_device = 2;
            const auto error = s.Open(kind);
            QVERIFY(error && error->path == "/error");
            QCOMPARE(error->args.at(0), kOpenAnswer.at(0));
            QCOMPARE(error->args.at(1), std::string("-9"));
            QVERIFY2(error->args.at(2).find(in_message) != std::string::npos,
                     error->args.at(2).c_str());
            QVERIFY(s.client_names.empty());
            QCOMPARE(s.rec.app.out_a_device, 2);
        }
    }

    void aSwitchSavesNothingLoadsTheNewSetupAndRenamesTheClient() {
        SessionUnderTest s;
        QVERIFY(s.Open("nD"));
        s.Edit(55);
        WriteBytes(s.File("nE"), SetupTextWithVolume(2, 44));
        QVERIFY(s.Open("nE"));
        QCOMPARE(s.client_names, (std::vector<std::string>{"KQ505.nD", "KQ505.nE"}));
        QCOMPARE(ReadBytes(s.File("nD")), SetupFileText(DefaultSetup()));
        QCOMPARE(s.rec.app.part_table[vol][2], 44);
        QCOMPARE(s.rec.app.setup.path, s.File("nE").string());
        QCOMPARE(s.rec.app.part_table[vol][3], DefaultSetup().part_table[vol][3]);
        QVERIFY(s.frame->windowTitle().contains(QStringLiteral("Song nE")));
    }

    void theFileMenuImportsIntoTheSessionAndExportsACopy() {
        SessionUnderTest s;
        QVERIFY(s.Open("nF"));
        WriteBytes(s.folder / "elsewhere.kqset", SetupTextWithVolume(4, 99));
        std::filesystem::path asked = s.folder / "elsewhere.kqset";
        s.frame->Document().SetFileDialog(
            [&](const FileDialogRequest&) { return QString::fromStdString(asked.string()); });
        s.frame->Action(kIdSetupOpen)->trigger();
        QCOMPARE(s.rec.app.part_table[vol][4], 99);
        QCOMPARE(s.rec.app.setup.path, s.File("nF").string());
        QVERIFY(s.Wait("/nsm/client/is_dirty"));
        asked = s.folder / "copy.kqset";
        s.frame->Action(kIdSetupSaveAs)->trigger();
        QCOMPARE(ReadBytes(asked), SetupTextWithVolume(4, 99));
        QCOMPARE(s.rec.app.setup.path, s.File("nF").string());
        QVERIFY(s.rec.app.setup.modified);
        QVERIFY(!std::filesystem::exists(s.folder / "kq505.ini"));
    }
};

QTEST_MAIN(NsmSessionTest)
#include "nsm_session_test.moc"
