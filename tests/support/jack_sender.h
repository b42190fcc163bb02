#pragma once
// A JACK client with one MIDI output "out" that plays what a test hands it: each batch goes
// out in one cycle, the messages at the frame offsets given.

#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kq505::test {

struct TimedMessage {
    std::uint32_t frame;  // offset within the cycle
    std::vector<std::uint8_t> bytes;
};

class JackMidiSender {
  public:
    static constexpr const char* kClientName = "kq505-sender";

    JackMidiSender();
    ~JackMidiSender();
    JackMidiSender(const JackMidiSender&) = delete;
    JackMidiSender& operator=(const JackMidiSender&) = delete;

    bool IsActive() const { return active_; }
    jack_client_t* client() const { return client_; }
    std::string OutputName() const;
    // Connects "out" to the first MIDI input of the graph whose name ends in `port_suffix`.
    bool ConnectTo(const std::string& port_suffix);
    // Queues one batch for the next cycle; false when it does not fit.
    bool Play(const std::vector<TimedMessage>& batch);

  private:
    static int Process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* output_ = nullptr;
    jack_ringbuffer_t* ring_ = nullptr;
    bool active_ = false;
};

}  // namespace kq505::test
