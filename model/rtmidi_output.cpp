#include "model/rtmidi_output.h"

#include <RtMidi.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <type_traits>
#include <utility>

#include "model/device_names.h"
#include "model/midi_messages.h"

#if defined(__LINUX_ALSA__)
#include <alsa/asoundlib.h>
#endif
#if defined(__UNIX_JACK__)
#include <jack/jack.h>
#endif

namespace kq505 {
namespace {

constexpr const char* kClientName = "KQ505";
constexpr const char* kApiVariable = "KQ505_MIDI_API";
constexpr int kVirtualDevice = -1;

std::string PortName(Port port) {
    return port == Port::A ? "KQ505 MIDI OUT A" : "KQ505 MIDI OUT B";
}
constexpr const char* kInputPortName = "KQ505 MIDI IN";

// Runs `f`, turning anything it throws into `fallback`: no exception leaves this file.
template <class F, class R = std::invoke_result_t<F>>
R Guarded(F&& f, R fallback) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (...) {
        return fallback;
    }
}

template <class F>
void Guarded(F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (...) {
    }
}

#if defined(__LINUX_ALSA__)
void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}
#endif

// alsa-lib and libjack print their own errors to stderr unless told otherwise; a missing
// sequencer device or JACK server is an ordinary state here, not worth a word on a terminal.
void SilenceMidiLibraries() {
    [[maybe_unused]] static const bool silenced = [] {
#if defined(__LINUX_ALSA__)
        snd_lib_error_set_handler(&IgnoreAlsaMessage);
#endif
#if defined(__UNIX_JACK__)
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
#endif
        return true;
    }();
}

// RtMidi writes the errors of its constructors to std::cerr before an error callback can
// be installed; this keeps them off the terminal while one object is built.
class CerrMute {
  public:
    CerrMute() : saved_(std::cerr.rdbuf(nullptr)) {}
    ~CerrMute() { std::cerr.rdbuf(saved_); }
    CerrMute(const CerrMute&) = delete;
    CerrMute& operator=(const CerrMute&) = delete;

  private:
    std::streambuf* saved_;
};

// Constructing an RtMidi object on a system that is not there either throws (ALSA without
// /dev/snd/seq) or succeeds with a dead client (JACK without a server), which also leaks
// its ring buffers; ask first, although a JACK probe client costs some 30 ms.
bool CanReach(RtMidi::Api api) {
    switch (api) {
#if defined(__LINUX_ALSA__)
        case RtMidi::LINUX_ALSA: {
            snd_seq_t* seq = nullptr;
            if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) {
                return false;
            }
            snd_seq_close(seq);
            return true;
        }
#endif
#if defined(__UNIX_JACK__)
        case RtMidi::UNIX_JACK: {
            jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, nullptr);
            if (client == nullptr) return false;
            jack_client_close(client);
            return true;
        }
#endif
        case RtMidi::RTMIDI_DUMMY:
            return false;  // opens, but reaches nothing
        default:
            return true;
    }
}

// A name that RtMidi does not know is ignored rather than leaving the program mute; a known
// system that cannot be reached is not replaced by another one.
std::optional<RtMidi::Api> ChooseApi() {
    if (const char* name = std::getenv(kApiVariable); name != nullptr && *name != '\0') {
        const RtMidi::Api api = RtMidi::getCompiledApiByName(name);
        if (api != RtMidi::UNSPECIFIED) {
            return CanReach(api) ? std::optional{api} : std::nullopt;
        }
    }
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    for (const RtMidi::Api api : apis) {
        if (CanReach(api)) return api;
    }
    return std::nullopt;
}

#if defined(__UNIX_JACK__)
// RtMidi's JACK output spins until its ring buffer (16 KiB, 4 bytes of length before each
// message) has room, and only its process callback makes room: once the server is gone or
// stalls, the next send after a few thousand would never return. A client of our own counts
// the server's cycles, so that no more is put into the ring buffer in one cycle than it
// surely holds.
class JackCycleWatch {
  public:
    static std::unique_ptr<JackCycleWatch> Start() {
        auto watch = std::make_unique<JackCycleWatch>();
        watch->client_ = jack_client_open("KQ505 monitor", JackNoStartServer, nullptr);
        if (watch->client_ == nullptr) return nullptr;
        jack_set_process_callback(watch->client_, &JackCycleWatch::Process, watch.get());
        if (jack_activate(watch->client_) != 0) return nullptr;
        return watch;
    }
    JackCycleWatch() = default;
    ~JackCycleWatch() {
        if (client_ != nullptr) jack_client_close(client_);
    }
    JackCycleWatch(const JackCycleWatch&) = delete;
    JackCycleWatch& operator=(const JackCycleWatch&) = delete;

    // False when a message of `size` bytes must be dropped: the budget of this cycle is spent
    // and no new cycle comes within the wait.
    bool Admit(std::size_t size) {
        const std::size_t cost = size + kLengthBytes;
        NoteCycle();
        if (pending_ > 0 && pending_ + cost > kBudgetPerCycle) {
            if (stalled_ || !WaitForCycle()) {
                stalled_ = true;
                return false;
            }
        }
        pending_ += cost;
        return true;
    }

  private:
    // Bytes sent before the current cycle may still wait in the ring buffer behind one more
    // cycle's worth, so a cycle gets a quarter of its 16 KiB.
    static constexpr std::size_t kBudgetPerCycle = 4096;
    static constexpr std::size_t kLengthBytes = 4;
    // Longer than two periods of any usual buffer size (8192 frames at 44.1 kHz is 186 ms).
    static constexpr auto kCycleWait = std::chrono::milliseconds(250);

    static int Process(jack_nframes_t, void* self) {
        static_cast<JackCycleWatch*>(self)->cycles_.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    bool NoteCycle() {
        const std::uint64_t now = cycles_.load(std::memory_order_relaxed);
        if (now == seen_) return false;
        seen_ = now;
        pending_ = 0;
        stalled_ = false;
        return true;
    }
    bool WaitForCycle() {
        const auto deadline = std::chrono::steady_clock::now() + kCycleWait;
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (NoteCycle()) return true;
        }
        return false;
    }

    jack_client_t* client_ = nullptr;
    std::atomic<std::uint64_t> cycles_{0};
    std::uint64_t seen_ = 0;
    std::size_t pending_ = 0;
    bool stalled_ = false;
};
#else
class JackCycleWatch {
  public:
    static std::unique_ptr<JackCycleWatch> Start() { return nullptr; }
    bool Admit(std::size_t) { return true; }
};
#endif

// Filled by RtMidi's error callback, which replaces both its exceptions and its printing.
struct ErrorFlag {
    bool raised = false;
};

void RaiseErrorFlag(RtMidiError::Type, const std::string&, void* flag) {
    static_cast<ErrorFlag*>(flag)->raised = true;
}

// An RtMidiIn or RtMidiOut on the chosen system, reporting into `errors`; null when no system
// can be reached. May throw.
template <class Midi>
std::unique_ptr<Midi> MakeMidi(ErrorFlag& errors) {
    SilenceMidiLibraries();
    const std::optional<RtMidi::Api> api = ChooseApi();
    if (!api) return nullptr;
    std::unique_ptr<Midi> midi;
    {
        CerrMute mute;
        midi = std::make_unique<Midi>(*api, kClientName);
    }
    midi->setErrorCallback(&RaiseErrorFlag, &errors);
    return midi;
}

// RtMidi's port indexes of the devices, our own ports left out: device n is the n-th of them.
template <class Midi>
std::vector<unsigned int> DevicePorts(Midi& midi, const ErrorFlag& errors,
                                      std::vector<std::string>* names = nullptr) {
    std::vector<unsigned int> ports;
    const unsigned int count = midi.getPortCount();
    for (unsigned int i = 0; i < count && !errors.raised; ++i) {
        std::string name = midi.getPortName(i);
        if (errors.raised || IsOwnPortName(name)) continue;
        ports.push_back(i);
        if (names != nullptr) names->push_back(std::move(name));
    }
    return ports;
}

template <class Midi>
std::vector<std::string> DeviceNames() {
    return Guarded(
        [] {
            ErrorFlag errors;
            std::vector<std::string> names;
            const auto midi = MakeMidi<Midi>(errors);
            if (!midi) return names;
            DevicePorts(*midi, errors, &names);
            return names;
        },
        std::vector<std::string>{});
}

class RtMidiOutput final : public MidiOutput {
  public:
    explicit RtMidiOutput(Port port) : port_(port) {}
    ~RtMidiOutput() override { Close(); }
    RtMidiOutput(const RtMidiOutput&) = delete;
    RtMidiOutput& operator=(const RtMidiOutput&) = delete;

    bool Open(int device) override;
    void Close() override {
        out_.reset();  // flushes what is still queued, so it goes before the watch
        watch_.reset();
    }
    bool IsOpen() const override { return out_ != nullptr; }
    void SendShortMessage(std::uint32_t packed) override;
    void SendSysEx(std::span<const std::uint8_t> message) override;

  private:
    std::unique_ptr<RtMidiOut> Connect(int device);
    void Send(std::span<const std::uint8_t> bytes);

    Port port_;
    ErrorFlag errors_;                       // the callback of out_ points here
    std::unique_ptr<JackCycleWatch> watch_;  // only on JACK
    std::unique_ptr<RtMidiOut> out_;
};

bool RtMidiOutput::Open(int device) {
    Close();
    if (device < kVirtualDevice) return false;
    out_ = Guarded([this, device] { return Connect(device); }, std::unique_ptr<RtMidiOut>{});
    if (out_ && out_->getCurrentApi() == RtMidi::UNIX_JACK) {
        watch_ = Guarded([] { return JackCycleWatch::Start(); }, std::unique_ptr<JackCycleWatch>{});
        if (!watch_) Close();
    }
    return out_ != nullptr;
}

// RtMidi reads past the end of its JACK port list for an index beyond it, and "opens" an
// index it cannot connect; so the index is checked here, and any error raised while opening
// fails the open.
std::unique_ptr<RtMidiOut> RtMidiOutput::Connect(int device) {
    errors_.raised = false;
    auto out = MakeMidi<RtMidiOut>(errors_);
    if (!out) return nullptr;
    if (device == kVirtualDevice) {
        out->openVirtualPort(PortName(port_));
    } else {
        const std::vector<unsigned int> ports = DevicePorts(*out, errors_);
        if (static_cast<unsigned int>(device) >= ports.size()) return nullptr;
        out->openPort(ports[static_cast<std::size_t>(device)], PortName(port_));
        if (!out->isPortOpen()) return nullptr;
    }
    if (errors_.raised) return nullptr;
    return out;
}

void RtMidiOutput::SendShortMessage(std::uint32_t packed) {
    if (out_) Send(ShortMessageBytes(packed));
}

void RtMidiOutput::SendSysEx(std::span<const std::uint8_t> message) {
    if (out_ && !message.empty()) Send(message);
}

// A device that went away reports through the error callback; the message is simply lost.
void RtMidiOutput::Send(std::span<const std::uint8_t> bytes) {
    if (watch_ && !watch_->Admit(bytes.size())) return;
    Guarded([&] { out_->sendMessage(bytes.data(), bytes.size()); });
}

// The input: RtMidi calls back on its own thread (or in its JACK process callback) with each
// message; system exclusive, clock and active sensing are left out before they reach us.
class RtMidiInput final : public MidiInput {
  public:
    explicit RtMidiInput(MidiInputHandler handler) : handler_(std::move(handler)) {}
    ~RtMidiInput() override { Close(); }
    RtMidiInput(const RtMidiInput&) = delete;
    RtMidiInput& operator=(const RtMidiInput&) = delete;

    bool Open(int device) override {
        Close();
        if (device < kVirtualDevice) return false;
        in_ = Guarded([this, device] { return Connect(device); }, std::unique_ptr<RtMidiIn>{});
        return in_ != nullptr;
    }
    // Closing the port ends RtMidi's input thread, so the handler is not called afterwards.
    void Close() override {
        if (in_) Guarded([this] { in_->closePort(); });
        in_.reset();
    }
    bool IsOpen() const override { return in_ != nullptr; }

  private:
    static void Received(double, std::vector<unsigned char>* message, void* self) {
        if (message == nullptr || message->empty()) return;
        static_cast<RtMidiInput*>(self)->handler_(
            std::span<const std::uint8_t>(message->data(), message->size()));
    }

    std::unique_ptr<RtMidiIn> Connect(int device) {
        errors_.raised = false;
        auto in = MakeMidi<RtMidiIn>(errors_);
        if (!in) return nullptr;
        in->ignoreTypes(true, true, true);
        in->setCallback(&RtMidiInput::Received, this);
        if (device == kVirtualDevice) {
            in->openVirtualPort(kInputPortName);
        } else {
            const std::vector<unsigned int> ports = DevicePorts(*in, errors_);
            if (static_cast<unsigned int>(device) >= ports.size()) return nullptr;
            in->openPort(ports[static_cast<std::size_t>(device)], kInputPortName);
            if (!in->isPortOpen()) return nullptr;
        }
        if (errors_.raised) return nullptr;
        return in;
    }

    MidiInputHandler handler_;
    ErrorFlag errors_;
    std::unique_ptr<RtMidiIn> in_;
};

}  // namespace

std::unique_ptr<MidiInput> MakeRtMidiInput(MidiInputHandler handler) {
    return std::make_unique<RtMidiInput>(std::move(handler));
}

std::unique_ptr<MidiOutput> MakeRtMidiOutput(Port port) {
    return std::make_unique<RtMidiOutput>(port);
}

std::vector<std::string> MidiOutputDeviceNames() {
    return DeviceNames<RtMidiOut>();
}
std::vector<std::string> MidiInputDeviceNames() {
    return DeviceNames<RtMidiIn>();
}

}  // namespace kq505
