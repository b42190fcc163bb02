// The program itself on a JACK server of the test's own, ended by a signal while eight notes
// and the sustain pedal are held through it: each note and the pedal end on both outputs
// before it goes, and it exits normally, not killed by the signal.

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/jack_sender.h"
#include "tests/support/jack_session.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"

namespace kq505 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
using test::JackMidiReceiver;
using test::JackMidiSender;
using test::JackServer;
using test::ScopedEnv;
using test::TempFolder;

constexpr std::array<std::uint8_t, 8> kChord{48, 52, 55, 60, 64, 67, 72, 76};

// The program copied into a folder of its own, beside its settings (all ports left to the
// test to connect, Thru on) and its instrument list, so that it starts without a question.
class ProgramUnderTest {
  public:
    explicit ProgramUnderTest(const TempFolder& folder) : folder_(folder) {
        std::filesystem::copy_file(KQ505_PROGRAM, folder / "kq505");
        std::filesystem::copy_file(std::filesystem::path(KQ505_SOURCE_DIR) / "res" / "xg.ins",
                                   folder / "xg.ins");
        std::ofstream(folder / "kq505.ini") << "[MIDI]\nOutA=-1\nOutB=-1\nIn=-1\nThru=1\n";
    }
    ~ProgramUnderTest() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void Start() {
        const std::string program = (folder_ / "kq505").string();
        const std::string log = (folder_ / "program.log").string();
        pid_ = fork();
        if (pid_ != 0) return;
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_STATE_HOME", folder_.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1);
        if (std::FILE* out = std::freopen(log.c_str(), "w", stdout)) dup2(fileno(out), 2);
        execl(program.c_str(), program.c_str(), nullptr);
        _exit(127);
    }
    void Signal(int signal) const { kill(pid_, signal); }
    // The wait status once the program has ended, none when it still runs at the deadline.
    std::optional<int> WaitForEnd(std::chrono::seconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return status;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }
    std::string Log() const {
        std::ifstream in(folder_ / "program.log");
        return {std::istreambuf_iterator<char>(in), {}};
    }

  private:
    const TempFolder& folder_;
    pid_t pid_ = -1;
};

bool PortExists(jack_client_t* client, const char* name) {
    return jack_port_by_name(client, name) != nullptr;
}

class SignalEndTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        if (!JackServer::Installed()) GTEST_SKIP() << "jackd is not installed";
        ASSERT_TRUE(lock_.Held()) << "another JACK test never let go";
        server_.emplace(server_name_);
        ASSERT_TRUE(server_->WaitUntilReady(10s)) << server_->Log();
        receiver_.emplace();
        sender_.emplace();
        ASSERT_TRUE(receiver_->IsActive() && sender_->IsActive());
    }

    // Waits, generously for a sanitised build on a busy machine, until the program's ports
    // can be connected (they exist before the client is active, and refuse connections until
    // then), and wires them: its outputs to the receiver, the sender to its input.
    void ConnectProgram(const ProgramUnderTest& program) {
        jack_client_t* client = receiver_->client();
        const auto connect = [client](const char* from, const std::string& to) {
            const int result = jack_connect(client, from, to.c_str());
            return result == 0 || result == EEXIST;
        };
        bool a = false, b = false, in = false;
        const auto deadline = Clock::now() + 120s;
        while (!(a && b && in) && Clock::now() < deadline) {
            a = a || connect("KQ505:MIDI OUT A", receiver_->InputName(Port::A));
            b = b || connect("KQ505:MIDI OUT B", receiver_->InputName(Port::B));
            in = in || (PortExists(client, "KQ505:MIDI IN") && sender_->ConnectTo("KQ505:MIDI IN"));
            if (!(a && b && in)) std::this_thread::sleep_for(20ms);
        }
        ASSERT_TRUE(a && b && in) << program.Log();
    }

    test::JackTestLock lock_;
    const std::string server_name_ = "kq505-jack-test";
    ScopedEnv server_env_{"JACK_DEFAULT_SERVER", server_name_.c_str()};
    ScopedEnv api_env_{"KQ505_MIDI_API", "jack"};
    std::optional<JackServer> server_;
    std::optional<JackMidiReceiver> receiver_;
    std::optional<JackMidiSender> sender_;
};

std::vector<Bytes> BytesOn(Port port, const std::vector<MidiEvent>& events) {
    std::vector<Bytes> bytes;
    for (const MidiEvent& e : events) {
        if (e.port == port) bytes.push_back(e.bytes);
    }
    return bytes;
}

TEST_P(SignalEndTest, HeldNotesAndThePedalEndOnBothPortsAndTheProgramExitsNormally) {
    const TempFolder folder;
    ProgramUnderTest program(folder);
    program.Start();
    ConnectProgram(program);
    if (HasFatalFailure()) return;

    std::vector<test::TimedMessage> played;
    std::vector<Bytes> held;
    for (const std::uint8_t note : kChord)
        held.push_back({0x90, note, 100});
    held.push_back({0xB0, 64, 127});
    for (const Bytes& message : held)
        played.push_back({0, message});
    // A connection takes effect some cycles after it is made: a short note is played until
    // it comes through on both ports, and only then the chord.
    const std::vector<Bytes> probe{{0x90, 100, 1}, {0x80, 100, 0}};
    bool both = false;
    for (int attempt = 0; attempt < 50 && !both; ++attempt) {
        ASSERT_TRUE(sender_->Play({{0, probe[0]}, {1, probe[1]}}));
        const std::vector<MidiEvent> heard = receiver_->Receive(4, 2s);
        both = BytesOn(Port::A, heard) == probe && BytesOn(Port::B, heard) == probe;
    }
    ASSERT_TRUE(both) << program.Log();
    ASSERT_TRUE(sender_->Play(played));
    const std::vector<MidiEvent> through = receiver_->Receive(2 * held.size(), 30s);
    ASSERT_EQ(BytesOn(Port::A, through), held) << program.Log();
    ASSERT_EQ(BytesOn(Port::B, through), held);

    program.Signal(GetParam());
    std::vector<Bytes> ends;
    for (const std::uint8_t note : kChord)
        ends.push_back({0x80, note, 0x40});
    ends.push_back({0xB0, 64, 0});
    const std::vector<MidiEvent> received = receiver_->Receive(2 * ends.size(), 60s);
    EXPECT_EQ(BytesOn(Port::A, received), ends) << program.Log();
    EXPECT_EQ(BytesOn(Port::B, received), ends);
    const std::optional<int> status = program.WaitForEnd(60s);
    ASSERT_TRUE(status.has_value()) << "still running after the signal\n" << program.Log();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "wait status " << *status << "\n"
        << program.Log();
}

INSTANTIATE_TEST_SUITE_P(EachSignal, SignalEndTest, ::testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

}  // namespace
}  // namespace kq505
