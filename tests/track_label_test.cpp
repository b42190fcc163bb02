#include "view/track_label.h"

#include <gtest/gtest.h>

#include <string>

#include "app/kq505_app.h"

namespace kq505 {
namespace {

TEST(PartSelector, SelectsOnlyPartsThatExist) {
    CKQ505App app;
    EXPECT_TRUE(SelectPart(app, 15));
    EXPECT_EQ(app.selected_part, 15);
    EXPECT_FALSE(SelectPart(app, 16));
    EXPECT_FALSE(SelectPart(app, -1));
    EXPECT_EQ(app.selected_part, 15);
    EXPECT_TRUE(SelectPart(app, 0));
    EXPECT_EQ(app.selected_part, 0);
}

TEST(PartSelector, TrackNamesAreKeptAsTheFilesKeepThem) {
    CKQ505App app;
    EXPECT_EQ(SetTrackName(app, 3, "Strings"), "Strings");
    EXPECT_EQ(app.track_names[3], "Strings");
    // 63 single bytes and a double-byte character across the 64th byte: the character goes.
    const std::string cut(63, 'x');
    EXPECT_EQ(SetTrackName(app, 4, cut + "\x83\x41"), cut);
    EXPECT_EQ(app.track_names[4], cut);
    EXPECT_EQ(SetTrackName(app, 5, std::string(70, 'n')), std::string(64, 'n'));
    EXPECT_EQ(SetTrackName(app, 16, "none"), "");
    EXPECT_EQ(SetTrackName(app, -1, "none"), "");
    for (int part : {0, 1, 2, 6, 15})
        EXPECT_EQ(app.track_names[part], "") << part;
}

}  // namespace
}  // namespace kq505
