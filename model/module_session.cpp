#include "model/module_session.h"

#include "app/kq505_app.h"
#include "model/midi_send.h"

namespace kq505 {

void ModuleSession::StartRead(bool effects, std::vector<int> parts, Clock::time_point now) {
    if (reader_) Cancel();
    // Whatever waits from before the read is no answer to it.
    while (app_.module_ring->Pop(message_)) {
    }
    answer_times_.clear();
    // The drum setups that the layers read play, as the program knows their modes now.
    std::vector<int> setups = DrumSetupsUsedBy(app_.drums, parts);
    reader_.emplace(effects, std::move(parts), std::move(setups));
    if (!reader_->Done()) Send(now);
}

std::optional<ModuleReadSummary> ModuleSession::Cancel() {
    if (!reader_) return std::nullopt;
    reader_->Cancel();
    return Finish();
}

std::optional<ModuleReadSummary> ModuleSession::Poll(Clock::time_point now) {
    while (app_.module_ring->Pop(message_)) {
        if (!reader_) {
            if (app_.follow_module == 1 && FollowModuleMessage(app_, message_)) ++followed_;
            continue;
        }
        if (reader_->OnMessage(message_)) {
            answer_times_.push_back(now - sent_at_);
            if (!reader_->Done()) Send(now);
        }
    }
    if (!reader_) return std::nullopt;
    const auto timeout = std::chrono::milliseconds(std::max(app_.dump_timeout_ms, 1));
    if (!reader_->Done() && now - sent_at_ >= timeout) {
        reader_->OnTimeout();
        if (!reader_->Done()) Send(now);
    }
    if (!reader_->Done()) return std::nullopt;
    return Finish();
}

void ModuleSession::Send(Clock::time_point now) {
    SendSysEx(app_, ModuleRequestMessage(reader_->Current()));
    sent_at_ = now;
}

ModuleReadSummary ModuleSession::Finish() {
    ModuleReadSummary summary = TakeModuleRead(app_, *reader_);
    reader_.reset();
    return summary;
}

}  // namespace kq505
