#include "model/jack_midi_client.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

#include "model/midi_pacing.h"
#include "model/play_through.h"
#include "model/sysex_ring.h"

namespace kq505 {
namespace {

using Length = std::uint16_t;  // stands before each message in a ring
constexpr std::size_t kLengthBytes = sizeof(Length);
constexpr std::array<const char*, 2> kPortNames{"MIDI OUT A", "MIDI OUT B"};
constexpr const char* kInputPortName = "MIDI IN";
constexpr const char* kModulePortName = "MODULE IN";

std::size_t Index(Port port) {
    return port == Port::A ? 0 : 1;
}

// libjack prints its own errors to stderr unless told otherwise; a missing server is an
// ordinary state here, not worth a word on a terminal.
void SilenceJack() {
    [[maybe_unused]] static const bool silenced = [] {
        jack_set_error_function([](const char*) {});
        jack_set_info_function([](const char*) {});
        return true;
    }();
}

// One process cycle as the outputs see it.
struct Cycle {
    jack_nframes_t frames;
    jack_nframes_t start;  // frame time of the cycle's first frame
    std::uint32_t sample_rate;
    std::uint32_t number;  // counts the cycles of this client
};

// A new connection takes effect at the start of a later cycle than the one that jack_connect
// returns in, so an output holds its messages back until the server has told us of the
// connection and two more cycles have begun; never longer than this many cycles, should the
// word not come.
constexpr std::uint32_t kConnectHoldCycles = 2;
constexpr std::uint32_t kMaxConnectHoldCycles = 200;

// PipeWire's JACK was seen to lose, without a word, much of a burst of several KiB written
// in one cycle, although its buffer said there was room; 1 KiB a cycle still takes a
// send-all of all 16 parts through in a few cycles.
constexpr std::size_t kMaxBytesPerCycle = 1024;

bool Before(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

// Writes across the two parts of a ring's write vector.
class VectorWriter {
  public:
    explicit VectorWriter(jack_ringbuffer_t* ring) {
        jack_ringbuffer_get_write_vector(ring, parts_.data());
    }
    void Write(const void* data, std::size_t size) {
        const auto* from = static_cast<const char*>(data);
        while (size > 0) {
            jack_ringbuffer_data_t& part = parts_[part_];
            const std::size_t room = part.len - used_;
            if (room == 0) {
                ++part_;
                used_ = 0;
                continue;
            }
            const std::size_t n = std::min(room, size);
            std::memcpy(part.buf + used_, from, n);
            used_ += n;
            from += n;
            size -= n;
        }
    }

  private:
    std::array<jack_ringbuffer_data_t, 2> parts_{};
    std::size_t part_ = 0;
    std::size_t used_ = 0;
};

// The hand-over of one output: the user-interface thread is the ring's only writer, the
// process callback its only reader. Each message is its length, then its bytes, and is
// published whole, so the reader never sees half of one.
class OutputQueue {
  public:
    OutputQueue() : ring_(jack_ringbuffer_create(JackMidiClient::kRingBytes)) {
        // Pages the process callback touches should not fault; without the right to lock
        // memory it still works.
        if (ring_ != nullptr) jack_ringbuffer_mlock(ring_);
    }
    ~OutputQueue() {
        if (ring_ != nullptr) jack_ringbuffer_free(ring_);
    }
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    bool Push(std::span<const std::uint8_t> message) {
        const std::size_t total = kLengthBytes + message.size();
        if (ring_ == nullptr || message.empty() ||
            message.size() > std::numeric_limits<Length>::max() ||
            jack_ringbuffer_write_space(ring_) < total) {
            return Drop();
        }
        const auto length = static_cast<Length>(message.size());
        VectorWriter writer(ring_);
        writer.Write(&length, kLengthBytes);
        writer.Write(message.data(), message.size());
        std::atomic_thread_fence(std::memory_order_release);
        jack_ringbuffer_write_advance(ring_, total);
        return true;
    }

    bool Drop() {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }

    // Process callback only: moves whole messages into the port buffer until the ring is
    // empty, the buffer full, or (paced) the link busy beyond this cycle. What stays waits
    // for the next cycle, in order. The play-through's events of this cycle go in between at
    // their own frames, since JACK wants a port's events in frame order.
    void Drain(void* buffer, const Cycle& cycle, const CycleEvents& thru) {
        jack_midi_clear_buffer(buffer);
        ThruWriter played{buffer, thru.begin(), thru.end()};
        DrainRing(buffer, cycle, played);
        played.WriteUpTo(cycle.frames);
    }

    bool Empty() const { return ring_ == nullptr || jack_ringbuffer_read_space(ring_) == 0; }

    // Only while no process callback runs.
    void Reset() {
        if (ring_ != nullptr) jack_ringbuffer_reset(ring_);
    }

    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }
    void SetPaced(bool on) { paced_.store(on, std::memory_order_relaxed); }

    // Messages wait in the ring until the cycle numbered `cycle`: while a connection is
    // being made, shortened to a few cycles once the server tells of it, and let go at once
    // when it fails.
    void HoldUntil(std::uint32_t cycle) { hold_until_.store(cycle, std::memory_order_release); }
    void ShortenHold(std::uint32_t cycle) {
        std::uint32_t current = hold_until_.load(std::memory_order_acquire);
        while (Before(cycle, current) &&
               !hold_until_.compare_exchange_weak(current, cycle, std::memory_order_acq_rel)) {
        }
    }

  private:
    // The play-through's events of one port, written up to a frame as the queue's own go in.
    struct ThruWriter {
        void* buffer;
        const CycleEvents::Event* next;
        const CycleEvents::Event* end;
        void WriteUpTo(jack_nframes_t frame) {
            for (; next != end && next->frame <= frame; ++next) {
                std::array<std::uint8_t, 3> bytes{};
                const std::size_t length = ShortMessageWireBytes(next->packed, bytes);
                // A full buffer loses the event, as a full ring does.
                if (length > 0) jack_midi_event_write(buffer, next->frame, bytes.data(), length);
            }
        }
    };

    void DrainRing(void* buffer, const Cycle& cycle, ThruWriter& played) {
        if (ring_ == nullptr || Before(cycle.number, hold_until_.load(std::memory_order_acquire))) {
            return;
        }
        const bool paced = paced_.load(std::memory_order_relaxed);
        // Also when the link has long been idle, so that the frame time never wraps past it.
        if (!paced || static_cast<std::int32_t>(link_free_ - cycle.start) < 0)
            link_free_ = cycle.start;
        bool wrote = false;
        std::size_t bytes_this_cycle = 0;
        while (jack_ringbuffer_read_space(ring_) >= kLengthBytes) {
            std::atomic_thread_fence(std::memory_order_acquire);
            Length length = 0;
            jack_ringbuffer_peek(ring_, reinterpret_cast<char*>(&length), kLengthBytes);
            const jack_nframes_t offset = link_free_ - cycle.start;
            if (offset >= cycle.frames) break;
            if (wrote && bytes_this_cycle + length > kMaxBytesPerCycle) break;
            if (jack_midi_max_event_size(buffer) < length) {
                if (wrote) break;  // the next cycle's empty buffer has room
                // Not even an empty buffer holds it, so it could never go out.
                jack_ringbuffer_read_advance(ring_, kLengthBytes + length);
                Drop();
                continue;
            }
            played.WriteUpTo(offset);
            jack_midi_data_t* data = jack_midi_event_reserve(buffer, offset, length);
            if (data == nullptr) break;
            jack_ringbuffer_read_advance(ring_, kLengthBytes);
            jack_ringbuffer_read(ring_, reinterpret_cast<char*>(data), length);
            wrote = true;
            bytes_this_cycle += length;
            if (paced) {
                link_free_ = cycle.start + offset + PacedFrames({data, length}, cycle.sample_rate);
            }
        }
    }

    jack_ringbuffer_t* ring_;
    std::atomic<std::uint32_t> hold_until_{0};
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<bool> paced_{false};
    jack_nframes_t link_free_ = 0;  // process callback only: when the link takes the next
};

}  // namespace

struct JackMidiClient::State {
    std::string name;
    jack_client_t* client = nullptr;
    std::array<jack_port_t*, 2> ports{};
    std::array<OutputQueue, 2> queues;
    std::array<std::string, 2> connected;  // what Connect made, per port
    jack_port_t* input = nullptr;
    std::string input_source;  // what ConnectInput made
    // Set while the input is open; the process callback plays through what it reads.
    std::atomic<PlayThrough*> thru{nullptr};
    std::atomic<bool> thru_in_use{false};    // the process callback holds `thru`
    std::array<CycleEvents, 2> thru_events;  // process callback only
    jack_port_t* module_input = nullptr;
    std::string module_source;  // what ConnectModuleInput made
    // Set while the module's input is open; the process callback hands it what that reads.
    std::atomic<SysExAssembler*> module_sink{nullptr};
    std::atomic<bool> module_sink_in_use{false};  // the process callback holds `module_sink`
    std::atomic<bool> running{false};
    std::atomic<std::uint32_t> sample_rate{48000};
    std::atomic<std::uint32_t> cycles{0};  // written by the process callback alone

    // Reads no lock, allocates nothing and waits for nothing: the rings, the port buffers
    // and atomics only. What the input brings is played through in this same cycle, at the
    // frames it came at, merged with what the user-interface thread queued.
    static int Process(jack_nframes_t frames, void* self) {
        auto& state = *static_cast<State*>(self);
        const std::uint32_t number = state.cycles.load(std::memory_order_relaxed) + 1;
        state.cycles.store(number, std::memory_order_release);
        const Cycle cycle{frames, jack_last_frame_time(state.client),
                          state.sample_rate.load(std::memory_order_relaxed), number};
        state.ReadModuleInput(frames);
        state.ReadInput(frames);
        for (std::size_t i = 0; i < state.ports.size(); ++i) {
            state.queues[i].Drain(jack_port_get_buffer(state.ports[i], frames), cycle,
                                  state.thru_events[i]);
        }
        return 0;
    }
    void ReadInput(jack_nframes_t frames) {
        thru_events[0].Clear();
        thru_events[1].Clear();
        thru_in_use.store(true);  // before `thru` is read: CloseInput waits for it
        PlayThrough* const through = thru.load();
        if (through != nullptr && input != nullptr) {
            void* buffer = jack_port_get_buffer(input, frames);
            const std::uint32_t count = jack_midi_get_event_count(buffer);
            for (std::uint32_t i = 0; i < count; ++i) {
                jack_midi_event_t event;
                if (jack_midi_event_get(&event, buffer, i) != 0) continue;
                ForwardInCycle(*through, {event.buffer, event.size}, event.time, thru_events[0],
                               thru_events[1]);
            }
        }
        thru_in_use.store(false);
    }
    // Only hands the events on: what is not system exclusive is passed over by the sink.
    void ReadModuleInput(jack_nframes_t frames) {
        module_sink_in_use.store(true);  // before `module_sink` is read: as for `thru`
        SysExAssembler* const sink = module_sink.load();
        if (sink != nullptr && module_input != nullptr) {
            void* buffer = jack_port_get_buffer(module_input, frames);
            const std::uint32_t count = jack_midi_get_event_count(buffer);
            for (std::uint32_t i = 0; i < count; ++i) {
                jack_midi_event_t event;
                if (jack_midi_event_get(&event, buffer, i) == 0)
                    sink->Feed({event.buffer, event.size});
            }
        }
        module_sink_in_use.store(false);
    }
    // On libjack's notification thread: a connection of one of our ports has been made.
    static void PortConnect(jack_port_id_t a, jack_port_id_t b, int connected, void* self) {
        auto& state = *static_cast<State*>(self);
        if (connected == 0) return;
        const jack_port_t* port_a = jack_port_by_id(state.client, a);
        const jack_port_t* port_b = jack_port_by_id(state.client, b);
        const std::uint32_t soon =
            state.cycles.load(std::memory_order_acquire) + kConnectHoldCycles;
        for (std::size_t i = 0; i < state.ports.size(); ++i) {
            if (state.ports[i] == port_a || state.ports[i] == port_b)
                state.queues[i].ShortenHold(soon);
        }
    }
    // On a thread of libjack's, which may not close the client: that waits for the next
    // Start on the user-interface thread.
    static void Shutdown(void* self) {
        static_cast<State*>(self)->running.store(false, std::memory_order_release);
    }
    static int SampleRate(jack_nframes_t rate, void* self) {
        static_cast<State*>(self)->sample_rate.store(rate, std::memory_order_relaxed);
        return 0;
    }

    // Connects `source` to one of our inputs and remembers it in `made`; only while running.
    bool ConnectInput(jack_port_t* port, const std::string& source, std::string& made) {
        DisconnectInput(port, made, true);
        const int result = jack_connect(client, source.c_str(), jack_port_name(port));
        if (result == 0) made = source;
        return result == 0 || result == EEXIST;
    }
    // Removes the connection that ConnectInput made, and only that one.
    void DisconnectInput(jack_port_t* port, std::string& made, bool running_now) {
        if (!made.empty() && running_now)
            jack_disconnect(client, made.c_str(), jack_port_name(port));
        made.clear();
    }

    std::vector<std::string> PortsOfOthers(unsigned long flags) const {
        std::vector<std::string> names;
        if (client == nullptr || !running.load(std::memory_order_acquire)) return names;
        const char** found = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
        if (found == nullptr) return names;
        for (const char** name = found; *name != nullptr; ++name) {
            const jack_port_t* port = jack_port_by_name(client, *name);
            if (port != nullptr && jack_port_is_mine(client, port)) continue;
            names.emplace_back(*name);
        }
        jack_free(found);
        return names;
    }
};

JackMidiClient::JackMidiClient(std::string name) : state_(std::make_unique<State>()) {
    state_->name = std::move(name);
}

JackMidiClient::~JackMidiClient() {
    CloseClient();
}

bool JackMidiClient::Start() {
    if (IsRunning()) return true;
    CloseClient();
    SilenceJack();
    State& s = *state_;
    s.client = jack_client_open(s.name.c_str(), JackNoStartServer, nullptr);
    if (s.client == nullptr) return false;
    s.input =
        jack_port_register(s.client, kInputPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    s.module_input =
        jack_port_register(s.client, kModulePortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (s.input == nullptr || s.module_input == nullptr) {
        CloseClient();
        return false;
    }
    for (std::size_t i = 0; i < s.ports.size(); ++i) {
        s.ports[i] = jack_port_register(s.client, kPortNames[i], JACK_DEFAULT_MIDI_TYPE,
                                        JackPortIsOutput, 0);
        if (s.ports[i] == nullptr) {
            CloseClient();
            return false;
        }
        s.queues[i].Reset();  // nothing of a server that went away goes to the new one
        s.queues[i].HoldUntil(s.cycles.load(std::memory_order_relaxed));
    }
    s.sample_rate.store(jack_get_sample_rate(s.client), std::memory_order_relaxed);
    jack_set_process_callback(s.client, &State::Process, &s);
    jack_set_sample_rate_callback(s.client, &State::SampleRate, &s);
    jack_set_port_connect_callback(s.client, &State::PortConnect, &s);
    jack_on_shutdown(s.client, &State::Shutdown, &s);
    s.running.store(true, std::memory_order_release);
    if (jack_activate(s.client) != 0) {
        CloseClient();
        return false;
    }
    return true;
}

void JackMidiClient::Rename(const std::string& name) {
    if (name == state_->name) return;
    CloseClient();
    state_->name = name;
}

bool JackMidiClient::IsRunning() const {
    return state_->client != nullptr && state_->running.load(std::memory_order_acquire);
}

bool JackMidiClient::ServerLost() const {
    return state_->client != nullptr && !state_->running.load(std::memory_order_acquire);
}

void JackMidiClient::CloseClient() {
    State& s = *state_;
    s.running.store(false, std::memory_order_release);
    if (s.client != nullptr) jack_client_close(s.client);  // no callback runs after this
    s.client = nullptr;
    s.ports.fill(nullptr);
    s.input = nullptr;
    s.input_source.clear();
    s.module_input = nullptr;
    s.module_source.clear();
    for (std::string& destination : s.connected)
        destination.clear();
}

std::string JackMidiClient::PortName(Port port) const {
    if (!IsRunning()) return {};
    return jack_port_name(state_->ports[Index(port)]);
}

std::vector<std::string> JackMidiClient::Destinations() const {
    return state_->PortsOfOthers(JackPortIsInput);
}

std::vector<std::string> JackMidiClient::Sources() const {
    return state_->PortsOfOthers(JackPortIsOutput);
}

bool JackMidiClient::Connect(Port port, const std::string& destination) {
    if (!IsRunning()) return false;
    State& s = *state_;
    Disconnect(port);
    const std::size_t i = Index(port);
    const std::uint32_t now = s.cycles.load(std::memory_order_acquire);
    s.queues[i].HoldUntil(now + kMaxConnectHoldCycles);
    const int result = jack_connect(s.client, jack_port_name(s.ports[i]), destination.c_str());
    if (result == 0) {
        s.connected[i] = destination;
    } else {
        s.queues[i].HoldUntil(now);  // no new connection to wait for
    }
    return result == 0 || result == EEXIST;
}

void JackMidiClient::Flush(Port port) {
    // A busy machine can hold a cycle back for far longer than a cycle lasts, and what is
    // still queued at a close is usually the note-offs that end a session: so wait as long as
    // the server keeps cycling, and give up only once it has stalled (or after a longest
    // wait, so that a paced queue of thousands never holds the window).
    using std::chrono::steady_clock;
    constexpr auto kStalled = std::chrono::milliseconds(500);
    constexpr auto kLongest = std::chrono::seconds(2);
    const auto start = steady_clock::now();
    auto last_progress = start;
    std::uint32_t last_cycle = state_->cycles.load(std::memory_order_acquire);
    const OutputQueue& queue = state_->queues[Index(port)];
    while (IsRunning() && !queue.Empty()) {
        const auto now = steady_clock::now();
        const std::uint32_t cycle = state_->cycles.load(std::memory_order_acquire);
        if (cycle != last_cycle) {
            last_cycle = cycle;
            last_progress = now;
        }
        if (now - last_progress > kStalled || now - start > kLongest) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void JackMidiClient::Disconnect(Port port) {
    State& s = *state_;
    std::string& destination = s.connected[Index(port)];
    if (!destination.empty() && IsRunning()) {
        jack_disconnect(s.client, jack_port_name(s.ports[Index(port)]), destination.c_str());
    }
    destination.clear();
}

bool JackMidiClient::Send(Port port, std::span<const std::uint8_t> message) {
    OutputQueue& queue = state_->queues[Index(port)];
    if (!state_->running.load(std::memory_order_acquire)) return queue.Drop();
    return queue.Push(message);
}

bool JackMidiClient::ConnectInput(const std::string& source) {
    return IsRunning() && state_->ConnectInput(state_->input, source, state_->input_source);
}

void JackMidiClient::DisconnectInput() {
    state_->DisconnectInput(state_->input, state_->input_source, IsRunning());
}

bool JackMidiClient::ConnectModuleInput(const std::string& source) {
    return IsRunning() && state_->ConnectInput(state_->module_input, source, state_->module_source);
}

void JackMidiClient::DisconnectModuleInput() {
    state_->DisconnectInput(state_->module_input, state_->module_source, IsRunning());
}

void JackMidiClient::ReadModuleInput(SysExAssembler* sink) {
    State& s = *state_;
    s.module_sink.store(sink);
    while (s.module_sink_in_use.load())
        std::this_thread::yield();
}

void JackMidiClient::PlayThroughInput(PlayThrough* thru) {
    State& s = *state_;
    s.thru.store(thru);
    // A cycle that took the old one may still be using it; cycles are short.
    while (s.thru_in_use.load())
        std::this_thread::yield();
}

std::string JackMidiClient::InputName() const {
    if (!IsRunning()) return {};
    return jack_port_name(state_->input);
}

std::uint64_t JackMidiClient::Dropped(Port port) const {
    return state_->queues[Index(port)].Dropped();
}

void JackMidiClient::SetPaced(Port port, bool on) {
    state_->queues[Index(port)].SetPaced(on);
}

}  // namespace kq505
