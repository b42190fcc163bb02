#pragma once
// A simulated 32-part XG module for the tests of reading a module: it holds the bytes a read
// asks for and answers dump and parameter requests as a module does, after a delay, with
// replies built here byte by byte (count and checksum included), so that the program's own
// builders are not what checks them. It can be told to stay silent, answer late or answer
// with a bad checksum for given blocks.
//
// FakeXgModule is the module alone, for tests without JACK; XgModuleSim puts it on a JACK
// client "kq505-module" whose input "in" takes the requests (Port A) and whose output "out"
// answers into KQ505's "MODULE IN".

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "drums/drum_setups.h"
#include "effects/effect_blocks.h"
#include "model/part_table.h"
#include "model/sysex_ring.h"
#include "model/xg_sysex.h"

namespace kq505::test {

// The bytes a read asks for, at their XG addresses.
struct XgModuleMemory {
    std::array<std::uint8_t, 0x80> effect{};                      // 02 01 00..7F
    std::array<std::array<std::uint8_t, 0x80>, 32> multi_part{};  // 08 pp 00..7F
    std::array<std::uint8_t, 32> hpf{};                           // 0A pp 20
    // 3n rr 00..0F, by setup and note number (13..91 are answered).
    std::array<std::array<std::array<std::uint8_t, 0x10>, 0x80>, 4> drums{};

    // What a module holds once all 16 parts of `table`, `effects` and `drums` were sent to
    // it after a reset; bytes that none sets are 0, but for the note shift at its centre.
    static XgModuleMemory Of(const PartTable& table, const EffectBlocks& effects,
                             const DrumSetups& drums = {});
};

class FakeXgModule {
  public:
    using Bytes = std::vector<std::uint8_t>;
    static constexpr int kAlways = -1;
    static constexpr std::chrono::milliseconds kDefaultDelay{20};

    explicit FakeXgModule(XgModuleMemory memory = {}) : memory_(memory) {}

    // The block (or single address) at `start` is not answered the next `times` requests.
    void StaySilent(XgAddress start, int times = kAlways) { rules_[Key(start)].silent = times; }
    // Its next `times` answers carry a checksum off by one.
    void AnswerWithBadChecksum(XgAddress start, int times = 1) {
        rules_[Key(start)].bad_checksum = times;
    }
    // Its answers come after `delay` instead of the module's usual delay.
    void AnswerLate(XgAddress start, std::chrono::milliseconds delay) {
        rules_[Key(start)].delay = delay;
    }
    void SetDelay(std::chrono::milliseconds delay) { delay_ = delay; }

    struct Reply {
        Bytes bytes;
        std::chrono::milliseconds delay;
    };
    // The reply to one message: a bulk dump for a dump request at the start of a block, a
    // parameter change for a parameter request; none for anything else, or while silent.
    std::optional<Reply> Answer(std::span<const std::uint8_t> message);

    // How many requests for the block at `start` came in.
    int RequestsFor(XgAddress start) const;
    int Requests() const { return requests_; }
    const XgModuleMemory& Memory() const { return memory_; }

  private:
    struct Rule {
        int silent = 0;
        int bad_checksum = 0;
        std::optional<std::chrono::milliseconds> delay;
    };
    static std::uint32_t Key(XgAddress a) { return (a.high << 16) | (a.mid << 8) | a.low; }
    std::optional<Bytes> Dump(XgAddress start, std::uint8_t device) const;
    std::optional<Bytes> ParameterChange(XgAddress at, std::uint8_t device) const;

    XgModuleMemory memory_;
    std::map<std::uint32_t, Rule> rules_;
    std::map<std::uint32_t, int> asked_;
    int requests_ = 0;
    std::chrono::milliseconds delay_ = kDefaultDelay;
};

class XgModuleSim {
  public:
    static constexpr const char* kClientName = "kq505-module";

    explicit XgModuleSim(FakeXgModule module);
    ~XgModuleSim();
    XgModuleSim(const XgModuleSim&) = delete;
    XgModuleSim& operator=(const XgModuleSim&) = delete;

    bool IsActive() const { return active_; }
    std::string InputName() const;   // the requests come in here
    std::string OutputName() const;  // the replies go out here

    int RequestsFor(XgAddress start) const;
    int Requests() const;
    // Messages the module received, requests or not, that were not system exclusive are
    // passed over; what it could not take in time is counted here.
    std::uint64_t Dropped() const { return requests_in_.Dropped() + replies_out_.Dropped(); }

  private:
    static int Process(jack_nframes_t frames, void* self);
    void Serve();

    mutable std::mutex mutex_;  // the module's state: the serving thread and the test
    FakeXgModule module_;
    SysExRing requests_in_;            // process callback → serving thread
    SysExRing replies_out_;            // serving thread → process callback
    std::vector<std::uint8_t> reply_;  // process callback only; reserved, never grows there
    jack_client_t* client_ = nullptr;
    jack_port_t* in_ = nullptr;
    jack_port_t* out_ = nullptr;
    bool active_ = false;
    std::atomic<bool> stop_{false};
    std::thread server_;
};

}  // namespace kq505::test
