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

}  // namespace
}  // namespace kq505
