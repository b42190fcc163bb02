#include "app/port_status.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace kq505 {
namespace {

TEST(PortStatus, EachFailedOutputIsToldInTheWordsOfTheStart) {
    using Messages = std::vector<std::string_view>;
    constexpr std::string_view kA = "MIDI OUT Aの初期化に失敗しました";
    constexpr std::string_view kB = "MIDI OUT Bの初期化に失敗しました";
    EXPECT_EQ(PortFailureMessages({true, true, false}), Messages{});
    EXPECT_EQ(PortFailureMessages({false, true, true}), Messages{kA});
    EXPECT_EQ(PortFailureMessages({true, false, true}), Messages{kB});
    EXPECT_EQ(PortFailureMessages({false, false, true}), (Messages{kA, kB}));
}

TEST(PortStatus, ALostServerIsShownUntilAnOutputOpensAgain) {
    ServerLossNotice notice;
    notice.Look(false);
    EXPECT_FALSE(notice.Shown());
    notice.Look(true);
    EXPECT_TRUE(notice.Shown());
    notice.Look(false);  // the client was closed to try again: still nothing open
    EXPECT_TRUE(notice.Shown());
    notice.PortsOpened({false, false, false});
    EXPECT_TRUE(notice.Shown());
    notice.PortsOpened({false, true, false});
    EXPECT_FALSE(notice.Shown());
}

}  // namespace
}  // namespace kq505
