#include "model/midi_system.h"

#include <memory>
#include <mutex>
#include <span>
#include <utility>

#include "app/kq505_app.h"
#include "model/jack_midi_client.h"
#include "model/jack_midi_output.h"
#include "model/midi_pacing.h"
#include "model/play_through_send.h"
#include "model/rtmidi_output.h"

namespace kq505 {
namespace {

// What the two outputs and the device lists share: the one JACK client.
class SystemMidi {
  public:
    MidiSystemKind Choose() const {
        return ChooseMidiSystem([this] { return jack_->Start(); });
    }
    std::vector<std::string> OutputNames() const {
        switch (Choose()) {
            case MidiSystemKind::kJack:
                return jack_->Destinations();
            case MidiSystemKind::kRtMidi:
                return RtMidiOutputDeviceNames();
            case MidiSystemKind::kNone:
                break;
        }
        return {};
    }
    std::vector<std::string> InputNames() const {
        switch (Choose()) {
            case MidiSystemKind::kJack:
                return jack_->Sources();
            case MidiSystemKind::kRtMidi:
                return RtMidiInputDeviceNames();
            case MidiSystemKind::kNone:
                break;
        }
        return {};
    }
    const std::shared_ptr<JackMidiClient>& jack() const { return jack_; }
    // RtMidi's input thread plays through on the outputs that the user-interface thread sends
    // on; this one lock, held for each send alone, keeps the two apart. (On JACK the process
    // callback plays through without sending, so it never takes the lock.)
    std::mutex& send_lock() const { return send_lock_; }

  private:
    std::shared_ptr<JackMidiClient> jack_ = std::make_shared<JackMidiClient>();
    mutable std::mutex send_lock_;
};

// One port on whichever system is chosen when it opens.
class SystemMidiOutput final : public MidiOutput {
  public:
    SystemMidiOutput(std::shared_ptr<const SystemMidi> system, Port port)
        : system_(std::move(system)),
          jack_(system_->jack(), port),
          rtmidi_(MakeRtMidiOutput(port)) {}
    ~SystemMidiOutput() override { Close(); }
    SystemMidiOutput(const SystemMidiOutput&) = delete;
    SystemMidiOutput& operator=(const SystemMidiOutput&) = delete;

    bool Open(int device) override {
        Close();
        switch (system_->Choose()) {
            case MidiSystemKind::kJack:
                current_ = &jack_;
                break;
            case MidiSystemKind::kRtMidi:
                current_ = &rtmidi_;
                break;
            case MidiSystemKind::kNone:
                return false;
        }
        return current_->Open(device);
    }
    void Close() override {
        if (current_ != nullptr) current_->Close();
        current_ = nullptr;
    }
    bool IsOpen() const override { return current_ != nullptr && current_->IsOpen(); }
    void SendShortMessage(std::uint32_t packed) override {
        const std::scoped_lock hold(system_->send_lock());
        if (current_ != nullptr) current_->SendShortMessage(packed);
    }
    void SendSysEx(std::span<const std::uint8_t> message) override {
        const std::scoped_lock hold(system_->send_lock());
        if (current_ != nullptr) current_->SendSysEx(message);
    }
    // JACK paces in its process callback, RtMidi through a sender thread.
    void SetPaced(bool on) override {
        jack_.SetPaced(on);
        rtmidi_.SetPaced(on);
    }
    std::uint64_t DroppedCount() const override {
        return jack_.DroppedCount() + rtmidi_.DroppedCount();
    }

  private:
    std::shared_ptr<const SystemMidi> system_;
    JackMidiOutput jack_;
    PacedMidiOutput rtmidi_;
    MidiOutput* current_ = nullptr;
};

// An input on whichever system is chosen when it opens, the JACK one or the RtMidi one. The
// MIDI input plays what it hears through: on JACK within the process callback, elsewhere on
// RtMidi's input thread. The module's input puts its system exclusive into the ring.
class SystemMidiInput final : public MidiInput {
  public:
    SystemMidiInput(std::shared_ptr<const SystemMidi> system, std::unique_ptr<MidiInput> jack,
                    std::unique_ptr<MidiInput> rtmidi)
        : system_(std::move(system)), jack_(std::move(jack)), rtmidi_(std::move(rtmidi)) {}
    ~SystemMidiInput() override { Close(); }
    SystemMidiInput(const SystemMidiInput&) = delete;
    SystemMidiInput& operator=(const SystemMidiInput&) = delete;

    bool Open(int device) override {
        Close();
        switch (system_->Choose()) {
            case MidiSystemKind::kJack:
                current_ = jack_.get();
                break;
            case MidiSystemKind::kRtMidi:
                current_ = rtmidi_.get();
                break;
            case MidiSystemKind::kNone:
                return false;
        }
        return current_->Open(device);
    }
    void Close() override {
        if (current_ != nullptr) current_->Close();
        current_ = nullptr;
    }
    bool IsOpen() const override { return current_ != nullptr && current_->IsOpen(); }

  private:
    std::shared_ptr<const SystemMidi> system_;
    std::unique_ptr<MidiInput> jack_;
    std::unique_ptr<MidiInput> rtmidi_;
    MidiInput* current_ = nullptr;
};

}  // namespace

void UseSystemMidi(CKQ505App& app) {
    auto system = std::make_shared<const SystemMidi>();
    app.midi_out_a = std::make_unique<SystemMidiOutput>(system, Port::A);
    app.midi_out_b = std::make_unique<SystemMidiOutput>(system, Port::B);
    app.midi_in = std::make_unique<SystemMidiInput>(
        system, std::make_unique<JackMidiInput>(system->jack(), *app.play_through),
        MakeRtMidiInput(
            [&app](std::span<const std::uint8_t> message) { ForwardInput(app, message); }));
    app.module_in = std::make_unique<SystemMidiInput>(
        system, std::make_unique<JackModuleInput>(system->jack(), *app.module_ring),
        MakeRtMidiModuleInput(*app.module_ring));
    app.output_device_names = [system] { return system->OutputNames(); };
    app.input_device_names = [system] { return system->InputNames(); };
    app.midi_server_lost = [system] { return system->jack()->ServerLost(); };
    app.midi_on_jack = [system] { return system->Choose() == MidiSystemKind::kJack; };
    app.name_midi_client = [system](const std::string& name) { system->jack()->Rename(name); };
}

std::unique_ptr<MidiOutput> MakeMidiOutput(Port port) {
    return std::make_unique<SystemMidiOutput>(std::make_shared<const SystemMidi>(), port);
}

std::vector<std::string> MidiOutputDeviceNames() {
    return SystemMidi().OutputNames();
}

std::vector<std::string> MidiInputDeviceNames() {
    return SystemMidi().InputNames();
}

}  // namespace kq505
