#include "model/sysex_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace kq505 {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SysExRing, KeepsWholeMessagesInOrderAndDropsWhatDoesNotFit) {
    SysExRing ring(64);  // jack rounds up to 64 bytes, one of which stays free
    const Bytes a(30, 0x10), b(40, 0x20);
    Bytes first = a, second = b;
    first.front() = second.front() = 0xF0;
    first.back() = second.back() = 0xF7;
    ring.Push(first);
    ring.Push(Bytes{0x90, 0x3C, 0x40});  // not system exclusive: passed over, not counted
    ring.Push(second);                   // 4 + 40 bytes more do not fit
    EXPECT_EQ(ring.Dropped(), 1u);
    Bytes out;
    ASSERT_TRUE(ring.Pop(out));
    EXPECT_EQ(out, first);
    EXPECT_FALSE(ring.Pop(out));
    ring.Push(second);
    ASSERT_TRUE(ring.Pop(out));
    EXPECT_EQ(out, second);
}

// A writer and a reader on their own threads: every message arrives whole, or is counted.
TEST(SysExRing, AWriterThreadAndAReaderThreadLoseNothingUncounted) {
    SysExRing ring(1024);
    constexpr int kMessages = 20000;
    std::thread writer([&ring] {
        for (int i = 0; i < kMessages; ++i) {
            const auto n = static_cast<std::uint8_t>(i % 100);
            Bytes message(3 + n % 17, n);
            message.front() = 0xF0;
            message.back() = 0xF7;
            ring.Push(message);
        }
    });
    int received = 0;
    Bytes out;
    while (received + static_cast<int>(ring.Dropped()) < kMessages) {
        if (!ring.Pop(out)) continue;
        ASSERT_GE(out.size(), 3u);
        const int n = out[1];
        ASSERT_EQ(out.size(), 3u + n % 17);
        ASSERT_EQ(std::count(out.begin() + 1, out.end() - 1, out[1]),
                  static_cast<std::ptrdiff_t>(out.size() - 2));
        ++received;
    }
    writer.join();
    while (ring.Pop(out))
        ++received;
    EXPECT_EQ(received + static_cast<int>(ring.Dropped()), kMessages);
}

// A message whose length stands in the ring is not taken before its bytes are there. The
// writer publishes both at once; a reader that took the length alone would hand over a short
// message and read the rest as the next length. Long messages widen the window for that.
TEST(SysExRing, AReaderNeverSeesAMessageBeforeAllOfItIsThere) {
    SysExRing ring(1 << 16);
    constexpr int kMessages = 3000;
    const auto size_of = [](int i) { return std::size_t{200} + static_cast<std::size_t>(i) % 700; };
    std::thread writer([&] {
        for (int i = 0; i < kMessages; ++i) {
            // Its number in the two bytes after F0, then bytes of its own up to F7.
            Bytes message(size_of(i), static_cast<std::uint8_t>(i % 128));
            message[0] = 0xF0;
            message[2] = static_cast<std::uint8_t>(i / 128);
            message.back() = 0xF7;
            ring.Push(message);
        }
    });
    int received = 0;
    Bytes out;
    while (received + static_cast<int>(ring.Dropped()) < kMessages) {
        if (!ring.Pop(out)) continue;
        ASSERT_GE(out.size(), 4u);
        const int i = out[1] + 128 * out[2];
        ASSERT_EQ(out.size(), size_of(i));
        ASSERT_EQ(out.back(), 0xF7);
        ASSERT_EQ(std::count(out.begin() + 3, out.end() - 1, out[1]),
                  static_cast<std::ptrdiff_t>(out.size() - 4));
        ++received;
    }
    writer.join();
    EXPECT_EQ(received + static_cast<int>(ring.Dropped()), kMessages);
}

// How an input's events become whole messages: in one piece or several, with real-time bytes
// inside, cut short by another status byte, or longer than any module sends.
TEST(SysExAssembler, PutsPiecesTogetherAndDropsWhatCannotBeWhole) {
    const Bytes dump = XgBulkDump({0x08, 0x03, 0x00}, Bytes(0x29, 0x11));
    const Bytes head(dump.begin(), dump.begin() + 20);
    const Bytes tail(dump.begin() + 20, dump.end());
    Bytes with_clock = head;
    with_clock.push_back(0xF8);
    Bytes too_long(SysExAssembler::kMaxMessage + 1, 0x01);
    too_long.front() = 0xF0;
    too_long.back() = 0xF7;
    const struct {
        const char* name;
        std::vector<Bytes> events;
        std::vector<Bytes> messages;
        std::uint64_t dropped;
    } cases[] = {
        {"whole", {dump}, {dump}, 0},
        {"two pieces", {head, tail}, {dump}, 0},
        {"a clock inside", {with_clock, {0xFE}, tail}, {dump}, 0},
        {"notes around", {{0x90, 60, 1}, dump, {0x80, 60, 0}}, {dump}, 0},
        {"cut by a note", {head, {0x90, 60, 1}, tail}, {}, 1},
        {"cut by a new F0", {head, dump}, {dump}, 1},
        {"too long", {too_long, dump}, {dump}, 1},
        {"data without F0", {tail}, {}, 0},
    };
    for (const auto& c : cases) {
        SysExRing ring;
        SysExAssembler assembler(ring);
        for (const Bytes& event : c.events)
            assembler.Feed(event);
        std::vector<Bytes> messages;
        for (Bytes out; ring.Pop(out);)
            messages.push_back(out);
        EXPECT_EQ(messages, c.messages) << c.name;
        EXPECT_EQ(ring.Dropped(), c.dropped) << c.name;
    }
}

}  // namespace
}  // namespace kq505
