#include "view/keyboard_layout.h"

#include <gtest/gtest.h>

namespace kq505 {
namespace {

using L = KeyboardLayout;

TEST(KeyboardLayout, FourOctavesFromC1WithBlackKeysOverTheWhiteOnes) {
    const KeyboardLayout layout;
    EXPECT_EQ(layout.FirstNote(), 36);
    EXPECT_EQ(layout.LastNote(), 84);
    // The first white key, low and high; the black key C#1 over the border of C1 and D1.
    EXPECT_EQ(layout.NoteAt(1, L::kHeight - 1), 36);
    EXPECT_EQ(layout.NoteAt(L::kWhiteWidth - 1, L::kBlackHeight - 1), 37);
    EXPECT_EQ(layout.NoteAt(L::kWhiteWidth - 1, L::kBlackHeight), 36);
    EXPECT_EQ(layout.NoteAt(L::kWhiteWidth + 1, 0), 37);
    // No black key between E and F, nor between B and C.
    EXPECT_EQ(layout.NoteAt(3 * L::kWhiteWidth - 1, 0), 40);
    EXPECT_EQ(layout.NoteAt(3 * L::kWhiteWidth, 0), 41);
    EXPECT_EQ(layout.NoteAt(7 * L::kWhiteWidth, 0), 48);
    EXPECT_EQ(layout.NoteAt(7 * L::kWhiteWidth - 1, 0), 47);
    EXPECT_EQ(layout.NoteAt(L::kWidth - 1, 5), 84);
    EXPECT_EQ(layout.NoteAt(L::kWidth, 5), std::nullopt);
    EXPECT_EQ(layout.NoteAt(5, -1), std::nullopt);
    // Every key's own rectangle finds it again.
    for (int note = layout.FirstNote(); note <= layout.LastNote(); ++note) {
        const KeyRect key = *layout.KeyOf(note);
        EXPECT_EQ(layout.NoteAt(key.x + key.width / 2, key.height - 1), note) << note;
    }
    EXPECT_EQ(layout.KeyOf(35), std::nullopt);
    EXPECT_EQ(layout.KeyOf(85), std::nullopt);
}

TEST(KeyboardLayout, VelocityIsLowAtTheTopAndFullAtTheBottomButNeverZero) {
    EXPECT_EQ(L::VelocityAt(0, 80), 1);
    EXPECT_EQ(L::VelocityAt(79, 80), 127);
    EXPECT_EQ(L::VelocityAt(200, 80), 127);
    EXPECT_EQ(L::VelocityAt(-5, 50), 2);
    EXPECT_LT(L::VelocityAt(20, 80), L::VelocityAt(60, 80));
}

TEST(KeyboardLayout, TrackerRowsPlayTwoOctavesAndFollowTheShift) {
    KeyboardLayout layout;
    EXPECT_EQ(layout.NoteOfComputerKey('Z'), 48);
    EXPECT_EQ(layout.NoteOfComputerKey('S'), 49);
    EXPECT_EQ(layout.NoteOfComputerKey('M'), 59);
    EXPECT_EQ(layout.NoteOfComputerKey('Q'), 60);
    EXPECT_EQ(layout.NoteOfComputerKey('2'), 61);
    EXPECT_EQ(layout.NoteOfComputerKey('U'), 71);
    EXPECT_EQ(layout.NoteOfComputerKey('A'), std::nullopt);
    EXPECT_EQ(layout.NoteOfComputerKey('K'), std::nullopt);
    EXPECT_EQ(layout.NoteOfComputerKey(0x01000012), std::nullopt);  // a key beyond ASCII

    EXPECT_TRUE(layout.ShiftOctave(1));
    EXPECT_EQ(layout.NoteOfComputerKey('Q'), 72);
    while (layout.ShiftOctave(1)) {
    }
    EXPECT_EQ(layout.LastNote(), 120);
    EXPECT_EQ(layout.NoteOfComputerKey('U'), 107);
    while (layout.ShiftOctave(-1)) {
    }
    EXPECT_EQ(layout.FirstNote(), 0);
}

}  // namespace
}  // namespace kq505
