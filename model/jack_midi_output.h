#pragma once
// MIDI output through the program's one JACK client: Port A is its "MIDI OUT A", Port B its
// "MIDI OUT B". Device n connects our port to the n-th MIDI input of the graph, in the
// server's order and without our own ports; device -1 leaves it unconnected, for a
// patchbay. Opening and closing connect and disconnect; they never make a new client.

#include <memory>

#include "model/midi_input.h"
#include "model/midi_output.h"
#include "model/sysex_ring.h"

namespace kq505 {

class JackMidiClient;
class PlayThrough;

class JackMidiOutput final : public MidiOutput {
  public:
    JackMidiOutput(std::shared_ptr<JackMidiClient> client, Port port);
    ~JackMidiOutput() override;
    JackMidiOutput(const JackMidiOutput&) = delete;
    JackMidiOutput& operator=(const JackMidiOutput&) = delete;

    // Starts the client when it is not running (again, after its server went away).
    bool Open(int device) override;
    void Close() override;
    // False too once the server has gone away: the port is closed then.
    bool IsOpen() const override;
    // Never wait for the server: a full queue or a server gone drops the message.
    void SendShortMessage(std::uint32_t packed) override;
    void SendSysEx(std::span<const std::uint8_t> message) override;
    void SetPaced(bool on) override;
    std::uint64_t DroppedCount() const override;

  private:
    std::shared_ptr<JackMidiClient> client_;
    Port port_;
    bool open_ = false;
};

// The client's "MIDI IN": device n connects the n-th MIDI output (source) of the graph to it,
// -1 leaves it unconnected. While open, the process callback plays what it reads through
// `thru` onto both outputs within the same cycle, with no other thread on the way.
class JackMidiInput final : public MidiInput {
  public:
    JackMidiInput(std::shared_ptr<JackMidiClient> client, PlayThrough& thru);
    ~JackMidiInput() override;
    JackMidiInput(const JackMidiInput&) = delete;
    JackMidiInput& operator=(const JackMidiInput&) = delete;

    bool Open(int device) override;
    // Once this returns, no cycle plays through any more.
    void Close() override;
    bool IsOpen() const override;

  private:
    std::shared_ptr<JackMidiClient> client_;
    PlayThrough& thru_;
    bool open_ = false;
};

// The client's "MODULE IN", for the module's replies: device n connects the n-th source of
// the graph, -1 leaves it to a patchbay. While open, the process callback puts every whole
// system exclusive message it reads into `ring`, and nothing else; it is never played through.
class JackModuleInput final : public MidiInput {
  public:
    JackModuleInput(std::shared_ptr<JackMidiClient> client, SysExRing& ring);
    ~JackModuleInput() override;
    JackModuleInput(const JackModuleInput&) = delete;
    JackModuleInput& operator=(const JackModuleInput&) = delete;

    bool Open(int device) override;
    // Once this returns, no cycle writes into the ring any more.
    void Close() override;
    bool IsOpen() const override;

  private:
    std::shared_ptr<JackMidiClient> client_;
    SysExAssembler assembler_;  // the process callback's alone while open
    bool open_ = false;
};

}  // namespace kq505
