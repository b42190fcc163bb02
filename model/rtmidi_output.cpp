#include "model/rtmidi_output.h"

#include <RtMidi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "model/device_names.h"
#include "model/midi_messages.h"

#if defined(__LINUX_ALSA__)
#include <alsa/asoundlib.h>
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
constexpr const char* kModulePortName = "KQ505 MODULE IN";

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

// alsa-lib prints its own errors to stderr unless told otherwise; a missing sequencer
// device is an ordinary state here, not worth a word on a terminal.
void SilenceMidiLibraries() {
    [[maybe_unused]] static const bool silenced = [] {
#if defined(__LINUX_ALSA__)
        snd_lib_error_set_handler(&IgnoreAlsaMessage);
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

// Constructing an RtMidi object on a system that is not there throws (ALSA without
// /dev/snd/seq), so ask first.
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
        case RtMidi::RTMIDI_DUMMY:
            return false;  // opens, but reaches nothing
        default:
            return true;
    }
}

struct Candidates {
    std::vector<RtMidi::Api> apis;
    bool named;  // by KQ505_MIDI_API
};

// The system that KQ505_MIDI_API names (an empty or unknown name is ignored rather than
// leaving the program mute), else every system RtMidi was built with, in its order, and
// JACK last should RtMidi have been built without it.
Candidates CandidateApis() {
    if (const char* name = std::getenv(kApiVariable); name != nullptr && *name != '\0') {
        const RtMidi::Api api = RtMidi::getCompiledApiByName(name);
        if (api != RtMidi::UNSPECIFIED) return {{api}, true};
        if (std::string_view(name) == "jack") return {{RtMidi::UNIX_JACK}, true};
    }
    Candidates all{{}, false};
    RtMidi::getCompiledApi(all.apis);
    if (std::ranges::find(all.apis, RtMidi::UNIX_JACK) == all.apis.end()) {
        all.apis.push_back(RtMidi::UNIX_JACK);
    }
    return all;
}

// The first candidate that `reach` accepts; a named system that cannot be reached is not
// replaced by another one.
template <class Reach>
std::optional<RtMidi::Api> FirstReachable(const Reach& reach) {
    SilenceMidiLibraries();
    const Candidates candidates = CandidateApis();
    for (const RtMidi::Api api : candidates.apis) {
        if (reach(api)) return api;
        if (candidates.named) break;
    }
    return std::nullopt;
}

// The system that RtMidi serves here; JACK has a backend of its own.
std::optional<RtMidi::Api> ChooseApi() {
    return FirstReachable(
        [](RtMidi::Api api) { return api != RtMidi::UNIX_JACK && CanReach(api); });
}

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
    void Close() override { out_.reset(); }
    bool IsOpen() const override { return out_ != nullptr; }
    void SendShortMessage(std::uint32_t packed) override;
    void SendSysEx(std::span<const std::uint8_t> message) override;

  private:
    std::unique_ptr<RtMidiOut> Connect(int device);
    void Send(std::span<const std::uint8_t> bytes);

    Port port_;
    ErrorFlag errors_;  // the callback of out_ points here
    std::unique_ptr<RtMidiOut> out_;
};

bool RtMidiOutput::Open(int device) {
    Close();
    if (device < kVirtualDevice) return false;
    out_ = Guarded([this, device] { return Connect(device); }, std::unique_ptr<RtMidiOut>{});
    return out_ != nullptr;
}

// RtMidi "opens" an index it cannot connect; so the index is checked here, and any error
// raised while opening fails the open.
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
    Guarded([&] { out_->sendMessage(bytes.data(), bytes.size()); });
}

// What an input reads: everything but system exclusive, clock and active sensing (the
// played input), or system exclusive alone (the module's replies).
enum class InputKind { kPlayed, kSysExOnly };

// An input: RtMidi calls back on its own thread with each message, what the input does not
// read being left out before it reaches us. RtMidi hands on system exclusive only once it is
// whole.
class RtMidiInput final : public MidiInput {
  public:
    RtMidiInput(MidiInputHandler handler, InputKind kind, const char* port_name)
        : handler_(std::move(handler)), kind_(kind), port_name_(port_name) {}
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
        in->ignoreTypes(kind_ != InputKind::kSysExOnly, true, true);
        in->setCallback(&RtMidiInput::Received, this);
        if (device == kVirtualDevice) {
            in->openVirtualPort(port_name_);
        } else {
            const std::vector<unsigned int> ports = DevicePorts(*in, errors_);
            if (static_cast<unsigned int>(device) >= ports.size()) return nullptr;
            in->openPort(ports[static_cast<std::size_t>(device)], port_name_);
            if (!in->isPortOpen()) return nullptr;
        }
        if (errors_.raised) return nullptr;
        return in;
    }

    MidiInputHandler handler_;
    InputKind kind_;
    const char* port_name_;
    ErrorFlag errors_;
    std::unique_ptr<RtMidiIn> in_;
};

}  // namespace

std::unique_ptr<MidiInput> MakeRtMidiInput(MidiInputHandler handler) {
    return std::make_unique<RtMidiInput>(std::move(handler), InputKind::kPlayed, kInputPortName);
}

std::unique_ptr<MidiInput> MakeRtMidiModuleInput(SysExRing& ring) {
    // The ring passes over anything that is not one whole F0 … F7 message.
    return std::make_unique<RtMidiInput>(
        [&ring](std::span<const std::uint8_t> message) { ring.Push(message); },
        InputKind::kSysExOnly, kModulePortName);
}

std::unique_ptr<MidiOutput> MakeRtMidiOutput(Port port) {
    return std::make_unique<RtMidiOutput>(port);
}

std::vector<std::string> RtMidiOutputDeviceNames() {
    return DeviceNames<RtMidiOut>();
}
std::vector<std::string> RtMidiInputDeviceNames() {
    return DeviceNames<RtMidiIn>();
}

MidiSystemKind ChooseMidiSystem(const std::function<bool()>& jack_reachable) {
    const std::optional<RtMidi::Api> api = FirstReachable([&](RtMidi::Api candidate) {
        return candidate == RtMidi::UNIX_JACK ? jack_reachable() : CanReach(candidate);
    });
    if (!api) return MidiSystemKind::kNone;
    return *api == RtMidi::UNIX_JACK ? MidiSystemKind::kJack : MidiSystemKind::kRtMidi;
}

}  // namespace kq505
