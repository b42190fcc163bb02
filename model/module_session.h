#pragma once
// The module's input as the window serves it: a read in progress is sent its requests and
// given the replies, with each request waited for `dump_timeout_ms`; between reads the
// module's own changes are followed. Keeps no clock of its own: Poll is told the time, so
// the window's timer and a test drive it alike.

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "model/module_take.h"

namespace kq505 {

class CKQ505App;

class ModuleSession {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ModuleSession(CKQ505App& app) : app_(app) {}

    // Starts a read of the effect blocks (when `effects`), both layers of `parts` and the
    // drum setups those layers play, and sends its first request. A read in progress is cancelled
    // first.
    void StartRead(bool effects, std::vector<int> parts, Clock::time_point now);
    bool Reading() const { return reader_.has_value(); }
    // Ends the read in progress and takes what it read; its summary.
    std::optional<ModuleReadSummary> Cancel();

    // Takes every message the input brought: to the read in progress, or else followed when
    // the app says so. Sends the next request, or the current one again, when it is due.
    // Once the read is done, its summary (the read is then taken into the app).
    std::optional<ModuleReadSummary> Poll(Clock::time_point now);

    // For the progress: the request being read and where the read stands.
    const ModuleReader* Reader() const { return reader_ ? &*reader_ : nullptr; }
    // How long each answered request took, from its (last) send to its answer.
    const std::vector<Clock::duration>& AnswerTimes() const { return answer_times_; }
    std::size_t Followed() const { return followed_; }

  private:
    void Send(Clock::time_point now);
    ModuleReadSummary Finish();

    CKQ505App& app_;
    std::optional<ModuleReader> reader_;
    Clock::time_point sent_at_{};
    std::vector<Clock::duration> answer_times_;
    std::vector<std::uint8_t> message_;
    std::size_t followed_ = 0;
};

}  // namespace kq505
