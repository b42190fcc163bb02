// The program itself under a session manager (a fake one on the loopback interface) on a
// JACK server of the test's own: no client before the session's open, then one named by the
// session; an edit (the module's own change on MODULE IN) saved, the program ended by SIGTERM
// and started again into the same session, where the edit is back.

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/fake_nsm_server.h"
#include "tests/support/jack_sender.h"
#include "tests/support/jack_session.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"

namespace kq505 {
namespace {

using namespace std::chrono_literals;
using test::FakeNsmServer;
using test::JackMidiSender;
using test::JackServer;
using test::ScopedEnv;
using test::TempFolder;

constexpr const char* kClientId = "KQ505.nJack";

// XG Multi Part volume (08 pp 0B) of the given part, as the module sends its own change.
std::vector<std::uint8_t> VolumeChange(int part, int volume) {
    return {0xF0, 0x43,
            0x10, 0x4C,
            0x08, static_cast<std::uint8_t>(part),
            0x0B, static_cast<std::uint8_t>(volume),
            0xF7};
}

class NsmProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!JackServer::Installed()) GTEST_SKIP() << "jackd is not installed";
        ASSERT_TRUE(lock_.Held()) << "another JACK test never let go";
        jack_.emplace(server_name_);
        ASSERT_TRUE(jack_->WaitUntilReady(10s)) << jack_->Log();
        sender_.emplace();
        ASSERT_TRUE(sender_->IsActive() && nsm_.IsValid());
        std::filesystem::copy_file(KQ505_PROGRAM, folder_ / "kq505");
        std::filesystem::copy_file(std::filesystem::path(KQ505_SOURCE_DIR) / "res" / "xg.ins",
                                   folder_ / "xg.ins");
        // Stored devices that a session must not connect.
        std::ofstream(folder_ / "kq505.ini") << "[MIDI]\nOutA=0\nOutB=0\nIn=0\n";
        std::filesystem::create_directory(folder_ / "session");
    }
    void TearDown() override { Stop(SIGKILL); }

    void Start() {
        const std::string program = (folder_ / "kq505").string();
        const std::string log = (folder_ / "program.log").string();
        const std::string url = nsm_.Url();
        pid_ = fork();
        if (pid_ != 0) return;
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_STATE_HOME", folder_.path().c_str(), 1);
        setenv("NSM_URL", url.c_str(), 1);
        if (std::FILE* out = std::freopen(log.c_str(), "a", stdout)) dup2(fileno(out), 2);
        execl(program.c_str(), program.c_str(), nullptr);
        _exit(127);
    }
    // The wait status; none when the program outlived the timeout.
    std::optional<int> Stop(int signal, std::chrono::seconds timeout = 60s) {
        if (pid_ <= 0) return std::nullopt;
        kill(pid_, signal);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return status;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }
    std::optional<test::OscMessage> Wait(std::string_view path) {
        return nsm_.Wait(path, 120s);  // generous for a sanitised build on a busy machine
    }
    // Announced, accepted and opened; the answer to the open.
    std::optional<test::OscMessage> StartInSession() {
        Start();
        if (!Wait("/nsm/server/announce")) return std::nullopt;
        // Past the second after which a start outside a session has opened its ports.
        std::this_thread::sleep_for(1500ms);
        const bool client_before_open =
            PortExists(std::string(kClientId) + ":MIDI OUT A") || PortExists("KQ505:MIDI OUT A");
        EXPECT_FALSE(client_before_open);
        nsm_.AcceptAnnounce();
        nsm_.Open((folder_ / "session" / kClientId).string(), "Jack Song", kClientId);
        return Wait("/reply");
    }
    bool PortExists(const std::string& name) const {
        return jack_port_by_name(sender_->client(), name.c_str()) != nullptr;
    }
    // The module's change of a part's volume, played until the program takes it.
    void ModuleChangesVolume(int part, int volume) {
        ASSERT_TRUE(sender_->ConnectTo(std::string(kClientId) + ":MODULE IN"));
        std::optional<test::OscMessage> dirty;
        for (int attempt = 0; attempt < 60 && !dirty; ++attempt) {
            ASSERT_TRUE(sender_->Play({{0, VolumeChange(part, volume)}}));
            dirty = nsm_.Wait("/nsm/client/is_dirty", 2s);
        }
        ASSERT_TRUE(dirty) << Log();
    }
    std::string Saved() {
        nsm_.Send("/nsm/client/save");
        EXPECT_TRUE(Wait("/reply")) << Log();
        return test::ReadBytes(folder_ / "session" / "KQ505.nJack.kqset");
    }
    std::string Log() const { return test::ReadBytes(folder_ / "program.log"); }

    test::JackTestLock lock_;
    const std::string server_name_ = "kq505-jack-test";
    ScopedEnv server_env_{"JACK_DEFAULT_SERVER", server_name_.c_str()};
    ScopedEnv api_env_{"KQ505_MIDI_API", "jack"};
    std::optional<JackServer> jack_;
    std::optional<JackMidiSender> sender_;
    FakeNsmServer nsm_;
    TempFolder folder_;
    pid_t pid_ = -1;
};

TEST_F(NsmProgramTest, TheSessionNamesTheClientAndBringsItsEditsBackAfterSigterm) {
    const auto opened = StartInSession();
    ASSERT_TRUE(opened) << Log();
    EXPECT_NE(opened->args.at(1).find("を作成しました"), std::string::npos);
    for (const char* port : {":MIDI OUT A", ":MIDI OUT B", ":MIDI IN", ":MODULE IN"}) {
        const std::string name = kClientId + std::string(port);
        EXPECT_TRUE(PortExists(name)) << name << "\n" << Log();
        // Left to the session's patchbay, whatever the settings file stores.
        EXPECT_EQ(jack_port_connected(jack_port_by_name(sender_->client(), name.c_str())), 0);
    }
    ModuleChangesVolume(3, 21);
    if (HasFatalFailure()) return;
    const std::string first = Saved();
    EXPECT_NE(first.find("\nvol=21\n"), std::string::npos);
    const std::optional<int> status = Stop(SIGTERM);
    ASSERT_TRUE(status) << "still running after SIGTERM\n" << Log();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << Log();

    const auto reopened = StartInSession();
    ASSERT_TRUE(reopened) << Log();
    EXPECT_NE(reopened->args.at(1).find("を開きました"), std::string::npos);
    // A second edit saved beside the first: the first came back from the file.
    ModuleChangesVolume(5, 34);
    if (HasFatalFailure()) return;
    const std::string second = Saved();
    EXPECT_NE(second.find("\nvol=21\n"), std::string::npos) << second;
    EXPECT_NE(second.find("\nvol=34\n"), std::string::npos) << second;
}

}  // namespace
}  // namespace kq505
