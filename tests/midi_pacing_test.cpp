#include "model/midi_pacing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "model/midi_messages.h"

namespace kq505 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

TEST(MidiPacing, LinkTimeIsTenBitsPerByteAtLinkSpeedAndASystemOnAddsItsReset) {
    const Bytes cc{0xB0, 0x07, 0x64};
    EXPECT_EQ(PacedDuration(cc), 960us);
    EXPECT_EQ(PacedDuration(kXgSystemOn), 2880us + 50ms);
    EXPECT_EQ(PacedDuration(kGmSystemOn), 1920us + 50ms);
    // Another SysEx of the same length holds nothing back.
    EXPECT_EQ(PacedDuration(XgPartParameterMessage(0, 0x0D, 64)), 2880us);

    // Frames round up, so that the spacing is never shorter than the link needs.
    EXPECT_EQ(PacedFrames(cc, 48000), 47u);  // 46.08
    EXPECT_EQ(PacedFrames(cc, 44100), 43u);  // 42.336
    EXPECT_EQ(PacedFrames(kGmSystemOn, 48000), 93u + 2400u);
}

// Remembers when each message arrived.
class TimingOutput final : public MidiOutput {
  public:
    bool Open(int) override { return open_ = true; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void SendShortMessage(std::uint32_t packed) override { Note(ShortMessageBytes(packed)); }
    void SendSysEx(std::span<const std::uint8_t> message) override {
        Note({message.begin(), message.end()});
    }

    struct Arrival {
        Bytes bytes;
        Clock::time_point at;
    };
    std::vector<Arrival> Arrivals() {
        std::scoped_lock lock(mutex_);
        return arrivals_;
    }

    // Every other message is held up before it goes out, as a loaded machine holds up a
    // thread at any moment.
    bool stall_every_other = false;

  private:
    void Note(Bytes bytes) {
        if (stall_every_other && (++calls_ % 2) == 0) std::this_thread::sleep_for(3ms);
        std::scoped_lock lock(mutex_);
        arrivals_.push_back({std::move(bytes), Clock::now()});
    }

    int calls_ = 0;

    std::mutex mutex_;
    std::vector<Arrival> arrivals_;
    bool open_ = false;
};

std::vector<TimingOutput::Arrival> WaitFor(TimingOutput& out, std::size_t count) {
    const auto deadline = Clock::now() + 5s;
    while (out.Arrivals().size() < count && Clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    return out.Arrivals();
}

TEST(PacedMidiOutput, PacedMessagesKeepTheLinkSpeedAndWaitOutTheResetWhenHeldUp) {
    auto inner = std::make_unique<TimingOutput>();
    TimingOutput& timing = *inner;
    timing.stall_every_other = true;
    PacedMidiOutput out(std::move(inner));
    out.SetPaced(true);
    ASSERT_TRUE(out.Open(0));
    std::vector<Bytes> sent{{kXgSystemOn.begin(), kXgSystemOn.end()}};
    out.SendSysEx(kXgSystemOn);
    for (int i = 0; i < 40; ++i) {
        const std::uint32_t packed = ControlChange(i % 16, kCcVolume, i);
        out.SendShortMessage(packed);
        sent.push_back(ShortMessageBytes(packed));
    }
    // Had a send waited for the link, the last could not return before its message went out.
    EXPECT_LT(timing.Arrivals().size(), sent.size()) << "the sends waited for the link";

    const auto arrivals = WaitFor(timing, sent.size());
    ASSERT_EQ(arrivals.size(), sent.size());
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        EXPECT_EQ(arrivals[i].bytes, sent[i]);
        if (i == 0) continue;
        const auto gap = arrivals[i].at - arrivals[i - 1].at;
        EXPECT_GE(gap, PacedDuration(arrivals[i - 1].bytes)) << "message " << i;
    }
    EXPECT_GE(arrivals[1].at - arrivals[0].at, 50ms);
}

TEST(PacedMidiOutput, WithoutPacingEverythingGoesStraightThroughAndClosingDropsTheRest) {
    auto inner = std::make_unique<TimingOutput>();
    TimingOutput& timing = *inner;
    PacedMidiOutput out(std::move(inner));
    ASSERT_TRUE(out.Open(0));
    out.SendSysEx(kGmSystemOn);
    out.SendShortMessage(ControlChange(0, kCcVolume, 1));
    EXPECT_EQ(timing.Arrivals().size(), 2u);  // before Send returned

    out.SetPaced(true);
    out.SendSysEx(kGmSystemOn);
    out.SendShortMessage(ControlChange(0, kCcVolume, 2));  // held for the reset
    WaitFor(timing, 3);
    out.Close();
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(timing.Arrivals().size(), 3u);
    // Closed, nothing is taken at all.
    out.SendShortMessage(ControlChange(0, kCcVolume, 3));
    EXPECT_EQ(out.DroppedCount(), 0u);
    EXPECT_EQ(timing.Arrivals().size(), 3u);
}

}  // namespace
}  // namespace kq505
