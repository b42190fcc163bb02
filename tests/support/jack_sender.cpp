#include "tests/support/jack_sender.h"

#include <jack/midiport.h>

#include <array>
#include <cstring>

namespace kq505::test {
namespace {

// A batch in the ring: its byte count, then per message frame, size and bytes.
struct MessageHeader {
    std::uint32_t frame;
    std::uint32_t size;
};

}  // namespace

JackMidiSender::JackMidiSender() {
    client_ = jack_client_open(kClientName, JackNoStartServer, nullptr);
    if (client_ == nullptr) return;
    ring_ = jack_ringbuffer_create(1 << 16);
    output_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (ring_ == nullptr || output_ == nullptr) return;
    jack_set_process_callback(client_, &JackMidiSender::Process, this);
    active_ = jack_activate(client_) == 0;
}

JackMidiSender::~JackMidiSender() {
    if (client_ != nullptr) jack_client_close(client_);
    if (ring_ != nullptr) jack_ringbuffer_free(ring_);
}

std::string JackMidiSender::OutputName() const {
    return jack_port_name(output_);
}

bool JackMidiSender::ConnectTo(const std::string& port_suffix) {
    const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
    if (ports == nullptr) return false;
    bool connected = false;
    for (const char** p = ports; *p != nullptr && !connected; ++p) {
        const std::string name = *p;
        if (name.size() >= port_suffix.size() &&
            name.compare(name.size() - port_suffix.size(), port_suffix.size(), port_suffix) == 0) {
            connected = jack_connect(client_, OutputName().c_str(), *p) == 0;
        }
    }
    jack_free(ports);
    return connected;
}

bool JackMidiSender::Play(const std::vector<TimedMessage>& batch) {
    std::vector<char> bytes;
    for (const TimedMessage& m : batch) {
        const MessageHeader header{m.frame, static_cast<std::uint32_t>(m.bytes.size())};
        const auto* h = reinterpret_cast<const char*>(&header);
        bytes.insert(bytes.end(), h, h + sizeof header);
        bytes.insert(bytes.end(), m.bytes.begin(), m.bytes.end());
    }
    // Length and batch in one write, so that the callback never sees half of it.
    const auto length = static_cast<std::uint32_t>(bytes.size());
    const auto* l = reinterpret_cast<const char*>(&length);
    bytes.insert(bytes.begin(), l, l + sizeof length);
    if (jack_ringbuffer_write_space(ring_) < bytes.size()) return false;
    jack_ringbuffer_write(ring_, bytes.data(), bytes.size());
    return true;
}

int JackMidiSender::Process(jack_nframes_t frames, void* self) {
    auto& sender = *static_cast<JackMidiSender*>(self);
    void* buffer = jack_port_get_buffer(sender.output_, frames);
    jack_midi_clear_buffer(buffer);
    std::uint32_t length = 0;
    if (jack_ringbuffer_read_space(sender.ring_) < sizeof length) return 0;
    jack_ringbuffer_read(sender.ring_, reinterpret_cast<char*>(&length), sizeof length);
    // The batch was written together with its length, so it is all there.
    std::array<char, 4096> batch;
    if (length > batch.size()) {
        jack_ringbuffer_read_advance(sender.ring_, length);
        return 0;
    }
    jack_ringbuffer_read(sender.ring_, batch.data(), length);
    for (std::uint32_t at = 0; at + sizeof(MessageHeader) <= length;) {
        MessageHeader header;
        std::memcpy(&header, batch.data() + at, sizeof header);
        at += sizeof header;
        jack_midi_event_write(buffer, header.frame % frames,
                              reinterpret_cast<const jack_midi_data_t*>(batch.data() + at),
                              header.size);
        at += header.size;
    }
    return 0;
}

}  // namespace kq505::test
