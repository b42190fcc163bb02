#pragma once
// The program's one JACK client, "KQ505", with the MIDI outputs "MIDI OUT A" and
// "MIDI OUT B" and the MIDI inputs "MIDI IN" and "MODULE IN" (the module's replies). The
// user-interface thread hands each message to a lock-free ring of its output; the process
// callback moves what the rings hold into the port buffers, so a send never waits for the
// server. Only the JACK backend includes this file.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/midi_output.h"

namespace kq505 {

class PlayThrough;
class SysExAssembler;

class JackMidiClient {
  public:
    static constexpr const char* kDefaultName = "KQ505";
    // Room for sending all 16 parts at once (about 2.5 KiB on Port A, with two bytes of
    // length before each message some 4 KiB) several times over, even while pacing holds
    // them back for most of a second.
    static constexpr std::size_t kRingBytes = 32 * 1024;

    // Opens nothing yet; the client is opened by the first Start.
    explicit JackMidiClient(std::string name = kDefaultName);
    ~JackMidiClient();
    JackMidiClient(const JackMidiClient&) = delete;
    JackMidiClient& operator=(const JackMidiClient&) = delete;

    // Opens the client with both ports and starts it, unless it runs already. A client whose
    // server went away is closed first and opened anew, on whatever server is there now.
    // False when no server answers. Never starts a server.
    bool Start();
    // The next Start opens the client under `name`; a running client is closed for it, so
    // the caller closes its ports first.
    void Rename(const std::string& name);
    // False before Start and once the server has gone away.
    bool IsRunning() const;
    // True from the moment a started client's server goes away until the next Start or the
    // client's end: a client that was never started, or failed to, lost nothing. Read by
    // the user-interface thread; the server's word comes on a thread of libjack's.
    bool ServerLost() const;

    // The full JACK name of our port ("KQ505:MIDI OUT A"); empty while not running.
    std::string PortName(Port port) const;
    // The MIDI inputs (destinations) and MIDI outputs (sources) of the graph in the order
    // that the server lists them, without our own ports; empty while not running.
    std::vector<std::string> Destinations() const;
    std::vector<std::string> Sources() const;

    // Connects our port to `destination` and remembers it; a connection that a patchbay
    // already made is used, but left to the patchbay. False when the connection fails.
    bool Connect(Port port, const std::string& destination);
    // Removes the connection that Connect made, and only that one.
    void Disconnect(Port port);
    // Waits until the process callback has taken what the port's ring holds, so that the
    // note-offs sent just before a port closes still reach the device; gives up when the
    // server stops cycling for half a second, and after two seconds in any case.
    void Flush(Port port);

    // Queues one whole message for the port's next cycles; false when it is dropped (not
    // running, or the ring is full) and counted.
    bool Send(Port port, std::span<const std::uint8_t> message);
    std::uint64_t Dropped(Port port) const;

    // Connects `source` to our "MIDI IN", as Connect does for an output.
    bool ConnectInput(const std::string& source);
    void DisconnectInput();
    // From the next cycle on, what "MIDI IN" brings is routed by `thru` and goes out within
    // the same cycle at the same frames; null stops it, and once this returns no cycle uses
    // the old one any more.
    void PlayThroughInput(PlayThrough* thru);
    // The full JACK name of "MIDI IN"; empty while not running.
    std::string InputName() const;

    // The same for "MODULE IN", which is never played through.
    bool ConnectModuleInput(const std::string& source);
    void DisconnectModuleInput();
    // From the next cycle on, the system exclusive that "MODULE IN" brings goes to `sink`
    // (everything else is passed over); null stops it, and once this returns no cycle uses
    // the old one any more.
    void ReadModuleInput(SysExAssembler* sink);

    void SetPaced(Port port, bool on);

  private:
    struct State;
    void CloseClient();

    std::unique_ptr<State> state_;
};

}  // namespace kq505
