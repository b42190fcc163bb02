#pragma once
// The soft keyboard in numbers: where each key lies, which note a point plays and how hard,
// which computer key plays which note, and how far the octave shift goes. No drawing.

#include <optional>

namespace kq505 {

struct KeyRect {
    int x;
    int y;
    int width;
    int height;
    bool Contains(int px, int py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
};

class KeyboardLayout {
  public:
    static constexpr int kOctaves = 4;
    static constexpr int kWhiteKeys = kOctaves * 7 + 1;  // up to the C above the last octave
    static constexpr int kWhiteWidth = 14;
    static constexpr int kWhiteHeight = 80;
    static constexpr int kBlackWidth = 9;
    static constexpr int kBlackHeight = 50;
    static constexpr int kWidth = kWhiteKeys * kWhiteWidth;
    static constexpr int kHeight = kWhiteHeight;
    // C1 (36) up to C5 (84) at first; the shift keeps the whole keyboard within 0..127.
    static constexpr int kDefaultFirstNote = 36;
    static constexpr int kLowestFirstNote = 0;
    static constexpr int kHighestFirstNote = 72;

    int FirstNote() const { return first_note_; }
    int LastNote() const { return first_note_ + kOctaves * 12; }
    // +1 or -1 octave, held within the range; false when it could not move.
    bool ShiftOctave(int octaves);

    static bool IsBlack(int note);
    // Where the key of `note` lies; none for a note off the keyboard.
    std::optional<KeyRect> KeyOf(int note) const;
    // The key under a point; black keys lie over the white ones.
    std::optional<int> NoteAt(int x, int y) const;
    // Low at the top of a key, 127 at its bottom; never 0, which would end the note.
    static int VelocityAt(int y, int key_height);

    // The tracker layout: Z S X D C V G B H N J M play the octave from FirstNote() + 12,
    // Q 2 W 3 E R 5 T 6 Y 7 U the one above it. `key` is the upper-case letter or digit.
    std::optional<int> NoteOfComputerKey(int key) const;

  private:
    int first_note_ = kDefaultFirstNote;
};

}  // namespace kq505
