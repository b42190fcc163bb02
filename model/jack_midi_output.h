#pragma once
// MIDI output through the program's one JACK client: Port A is its "MIDI OUT A", Port B its
// "MIDI OUT B". Device n connects our port to the n-th MIDI input of the graph, in the
// server's order and without our own ports; device -1 leaves it unconnected, for a
// patchbay. Opening and closing connect and disconnect; they never make a new client.

#include <memory>

#include "model/midi_output.h"

namespace kq505 {

class JackMidiClient;

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

}  // namespace kq505
