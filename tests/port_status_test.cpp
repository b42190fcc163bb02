#include "app/port_status.h"

#include <gtest/gtest.h>

namespace kq505 {
namespace {

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
