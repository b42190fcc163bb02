#pragma once
// Reading a module: one request at a time, each waited for, retried, and given up as missing,
// with the replies kept in an image. The reader keeps no time of its own: its owner sends
// the request it names, tells it of every message that arrives and of every time-out.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/module_image.h"
#include "model/xg_sysex.h"

namespace kq505 {

struct ModuleRequest {
    enum Kind : std::uint8_t { dump, parameter };
    Kind kind;
    XgAddress address;
    bool operator==(const ModuleRequest&) const = default;
};

// The requests that read the effect blocks (when `effects`), the two layers of each part in
// `parts` (0..15), and every instrument of each drum setup in `drum_setups` (0..3), in that
// order.
std::vector<ModuleRequest> ModuleRequests(bool effects, const std::vector<int>& parts,
                                          const std::vector<int>& drum_setups = {});

// Whether the request reads one of the drum setups, or else a layer of a part.
bool IsDrumRequest(const ModuleRequest& request);
bool IsLayerRequest(const ModuleRequest& request);

// What a request reads, for the progress: "ﾘﾊﾞｰﾌﾞ", "ｺｰﾗｽ", "ﾊﾞﾘｴｰｼｮﾝ", "ﾊﾟｰﾄ 5 B",
// "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ1".
std::string ModuleRequestLabel(const ModuleRequest& request);

// The message that asks for it, on Port A.
std::array<std::uint8_t, 8> ModuleRequestMessage(const ModuleRequest& request);

class ModuleReader {
  public:
    static constexpr int kRetries = 2;

    // Reads the effect blocks (when `effects`), both layers of each of `parts` and the
    // drum setups `drum_setups`.
    ModuleReader(bool effects, std::vector<int> parts, std::vector<int> drum_setups = {});

    bool ReadsEffects() const { return effects_; }
    const std::vector<int>& Parts() const { return parts_; }
    const std::vector<int>& DrumSetupsRead() const { return drum_setups_; }

    // The request to send now; only while not Done().
    const ModuleRequest& Current() const { return requests_[next_]; }
    bool Done() const { return next_ >= requests_.size(); }
    std::size_t Position() const { return next_; }
    std::size_t Total() const { return requests_.size(); }

    // Keeps what a message carries; true when it answered the current request, which then
    // moves on to the next. Other XG messages are kept too (a module may send more than it
    // was asked), and anything that is not a whole XG message is counted.
    bool OnMessage(std::span<const std::uint8_t> message);
    // The current request went unanswered: true when it is to be sent again, false when it
    // was given up and the reader moved on.
    bool OnTimeout();
    // Ends the read; what was read stays, and the requests not yet answered are Unread().
    void Cancel();

    const XgModuleImage& Image() const { return image_; }
    const std::vector<ModuleRequest>& Missing() const { return missing_; }
    const std::vector<ModuleRequest>& Unread() const { return unread_; }
    std::size_t Ignored() const { return ignored_; }
    std::size_t Timeouts() const { return timeouts_; }

  private:
    bool Answers(const XgMessage& message) const;

    bool effects_;
    std::vector<int> parts_;
    std::vector<int> drum_setups_;
    std::vector<ModuleRequest> requests_;
    std::size_t next_ = 0;
    int tries_ = 0;
    XgModuleImage image_;
    std::vector<ModuleRequest> missing_;
    std::vector<ModuleRequest> unread_;
    std::size_t ignored_ = 0;
    std::size_t timeouts_ = 0;
};

}  // namespace kq505
