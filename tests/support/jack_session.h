#pragma once
// A private JACK server with the dummy driver, and a JACK MIDI receiver with two inputs, for
// tests that send through the real MIDI backend.

#include <jack/jack.h>
#include <jack/ringbuffer.h>
#include <sys/types.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "model/recording_midi_output.h"

namespace kq505::test {

// JACK 2 names a client's shared memory after the client and the user, not the server, so two
// clients of one name on two servers at once break each other's connections. Every JACK test
// on this machine, in any process, takes its turn through this lock.
class JackTestLock {
  public:
    explicit JackTestLock(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    ~JackTestLock();
    JackTestLock(const JackTestLock&) = delete;
    JackTestLock& operator=(const JackTestLock&) = delete;

    bool Held() const { return held_; }

  private:
    int fd_ = -1;
    bool held_ = false;
};

// jackd under a server name of its own, so that it never meets another server. Stopped by
// its process id when this goes, and by the kernel should the test process die first.
class JackServer {
  public:
    static bool Installed();

    explicit JackServer(std::string name);
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // True once the server accepts clients; false when it exits or the time is up.
    bool WaitUntilReady(std::chrono::milliseconds timeout);
    // What jackd printed, for the message of a failed start.
    std::string Log() const;

  private:
    std::string name_;
    std::string log_path_;
    pid_t pid_ = -1;
};

// A received event and the frame time at which it arrived.
struct TimedMidiEvent {
    MidiEvent event;
    std::uint32_t frame;
};

// A client with the MIDI inputs "in_a" and "in_b"; its process callback copies every event
// into a ring buffer that Receive reads on the test's thread. It also notes the name of
// every client that comes to the server after it.
class JackMidiReceiver {
  public:
    static constexpr const char* kClientName = "kq505-receiver";

    JackMidiReceiver();
    ~JackMidiReceiver();
    JackMidiReceiver(const JackMidiReceiver&) = delete;
    JackMidiReceiver& operator=(const JackMidiReceiver&) = delete;

    bool IsActive() const { return active_; }
    jack_client_t* client() const { return client_; }
    // The full JACK name ("client:port") of the input that stands for `port`.
    std::string InputName(Port port) const;
    // Waits until `count` events have come in on the two inputs together (or the time is
    // up), then a little longer for any that should not come, and returns all of them.
    std::vector<MidiEvent> Receive(std::size_t count, std::chrono::milliseconds timeout);
    // The same with the frame time of each event.
    std::vector<TimedMidiEvent> ReceiveTimed(std::size_t count, std::chrono::milliseconds timeout);
    // The names of the clients that registered since this one started, in order (those
    // that have left too).
    std::vector<std::string> ClientsRegistered() const;
    // Set when an event did not fit into the ring buffer.
    bool Overflowed() const { return overflow_.load(); }

  private:
    static int Process(jack_nframes_t frames, void* self);
    static void ClientRegistration(const char* name, int registered, void* self);
    bool TakeOne(std::vector<TimedMidiEvent>& into);

    jack_client_t* client_ = nullptr;
    std::array<jack_port_t*, 2> inputs_{};
    jack_ringbuffer_t* ring_ = nullptr;
    std::atomic<bool> overflow_{false};
    bool active_ = false;
    mutable std::mutex clients_mutex_;  // not the process thread's: libjack's notifications
    std::vector<std::string> clients_;
};

}  // namespace kq505::test
