#include "tests/support/jack_session.h"

#include <fcntl.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <thread>

namespace kq505::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kPollInterval = milliseconds(5);

bool ExitedWithin(pid_t pid, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    do {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(kPollInterval);
    } while (Clock::now() < deadline);
    return false;
}

// One received event in the ring buffer: this header, then `size` bytes.
struct RecordHeader {
    std::uint8_t input;
    std::uint32_t size;
    std::uint32_t frame;
};

}  // namespace

JackTestLock::JackTestLock(milliseconds timeout)
    : fd_(open("/tmp/kq505-jack-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    const auto deadline = Clock::now() + timeout;
    while (fd_ >= 0 && !(held_ = flock(fd_, LOCK_EX | LOCK_NB) == 0) && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(20));
    }
}

JackTestLock::~JackTestLock() {
    if (fd_ >= 0) close(fd_);  // releases the lock
}

bool JackServer::Installed() {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const auto colon = dirs.find(':');
        const std::string candidate = std::string(dirs.substr(0, colon)) + "/jackd";
        if (access(candidate.c_str(), X_OK) == 0) return true;
        dirs = colon == std::string_view::npos ? "" : dirs.substr(colon + 1);
    }
    return false;
}

JackServer::JackServer(std::string name)
    : name_(std::move(name)), log_path_("/tmp/" + name_ + ".log") {
    // The readiness probe fails until the server is up; libjack would say so each time.
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    // Synchronous (-S): on a busy machine a client late for its cycle is waited for rather
    // than skipped, so that what it wrote in that cycle is not lost to the test.
    const std::array<const char*, 15> argv{"jackd", "-S", "-n",    name_.c_str(), "--no-realtime",
                                           "-d",    "dummy", "-r",          "48000",
                                           "-p",    "256",   "-C",          "0",
                                           "-P",    "0"};
    std::vector<char*> args;
    for (const char* a : argv)
        args.push_back(const_cast<char*>(a));
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int log = open(log_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        execvp("jackd", args.data());
        _exit(127);
    }
}

JackServer::~JackServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!ExitedWithin(pid_, milliseconds(3000))) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::remove(log_path_.c_str());
    // Clients still connected when their server goes leave their semaphores behind.
    std::error_code error;
    const std::string mark = "_" + name_ + "_";
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
        const std::string file = entry.path().filename().string();
        if (file.starts_with("jack_sem.") && file.find(mark) != std::string::npos) {
            std::filesystem::remove(entry.path(), error);
        }
    }
}

bool JackServer::WaitUntilReady(milliseconds timeout) {
    if (pid_ <= 0) return false;
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        jack_status_t status{};
        const auto options = static_cast<jack_options_t>(JackNoStartServer | JackServerName);
        if (jack_client_t* probe =
                jack_client_open("kq505-probe", options, &status, name_.c_str())) {
            jack_client_close(probe);
            return true;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    return false;
}

std::string JackServer::Log() const {
    std::ifstream in(log_path_);
    std::ostringstream text;
    text << "jackd output:\n" << in.rdbuf();
    return text.str();
}

JackMidiReceiver::JackMidiReceiver() {
    client_ = jack_client_open(kClientName, JackNoStartServer, nullptr);
    if (client_ == nullptr) return;
    ring_ = jack_ringbuffer_create(1 << 16);
    inputs_[0] = jack_port_register(client_, "in_a", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    inputs_[1] = jack_port_register(client_, "in_b", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (ring_ == nullptr || inputs_[0] == nullptr || inputs_[1] == nullptr) return;
    jack_set_process_callback(client_, &JackMidiReceiver::Process, this);
    jack_set_client_registration_callback(client_, &JackMidiReceiver::ClientRegistration, this);
    active_ = jack_activate(client_) == 0;
}

JackMidiReceiver::~JackMidiReceiver() {
    if (client_ != nullptr) jack_client_close(client_);  // stops the process callback
    if (ring_ != nullptr) jack_ringbuffer_free(ring_);
}

std::string JackMidiReceiver::InputName(Port port) const {
    return jack_port_name(inputs_[port == Port::A ? 0 : 1]);
}

void JackMidiReceiver::ClientRegistration(const char* name, int registered, void* self) {
    auto& receiver = *static_cast<JackMidiReceiver*>(self);
    if (registered == 0) return;
    std::scoped_lock lock(receiver.clients_mutex_);
    receiver.clients_.emplace_back(name);
}

std::vector<std::string> JackMidiReceiver::ClientsRegistered() const {
    std::scoped_lock lock(clients_mutex_);
    return clients_;
}

int JackMidiReceiver::Process(jack_nframes_t frames, void* self) {
    auto& receiver = *static_cast<JackMidiReceiver*>(self);
    const jack_nframes_t cycle_start = jack_last_frame_time(receiver.client_);
    for (std::uint8_t input = 0; input < 2; ++input) {
        void* buffer = jack_port_get_buffer(receiver.inputs_[input], frames);
        const jack_nframes_t count = jack_midi_get_event_count(buffer);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0) continue;
            std::array<char, 512> record;
            const RecordHeader header{input, static_cast<std::uint32_t>(event.size),
                                      cycle_start + event.time};
            const std::size_t length = sizeof header + event.size;
            if (length > record.size() || jack_ringbuffer_write_space(receiver.ring_) < length) {
                receiver.overflow_ = true;
                continue;
            }
            std::memcpy(record.data(), &header, sizeof header);
            std::memcpy(record.data() + sizeof header, event.buffer, event.size);
            jack_ringbuffer_write(receiver.ring_, record.data(), length);
        }
    }
    return 0;
}

bool JackMidiReceiver::TakeOne(std::vector<TimedMidiEvent>& into) {
    RecordHeader header;
    if (jack_ringbuffer_peek(ring_, reinterpret_cast<char*>(&header), sizeof header) !=
        sizeof header) {
        return false;
    }
    jack_ringbuffer_read_advance(ring_, sizeof header);
    std::vector<std::uint8_t> bytes(header.size);
    jack_ringbuffer_read(ring_, reinterpret_cast<char*>(bytes.data()), bytes.size());
    into.push_back({{header.input == 0 ? Port::A : Port::B, std::move(bytes)}, header.frame});
    return true;
}

std::vector<MidiEvent> JackMidiReceiver::Receive(std::size_t count, milliseconds timeout) {
    std::vector<MidiEvent> events;
    for (TimedMidiEvent& timed : ReceiveTimed(count, timeout))
        events.push_back(std::move(timed.event));
    return events;
}

std::vector<TimedMidiEvent> JackMidiReceiver::ReceiveTimed(std::size_t count,
                                                           milliseconds timeout) {
    std::vector<TimedMidiEvent> events;
    const auto deadline = Clock::now() + timeout;
    while (events.size() < count && Clock::now() < deadline) {
        if (!TakeOne(events)) std::this_thread::sleep_for(kPollInterval);
    }
    std::this_thread::sleep_for(milliseconds(50));  // several periods of 256 frames
    while (TakeOne(events)) {
    }
    return events;
}

}  // namespace kq505::test
