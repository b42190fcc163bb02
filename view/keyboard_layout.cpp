#include "view/keyboard_layout.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace kq505 {
namespace {

// The semitone of each white key within an octave, and the white key left of each semitone.
constexpr std::array<int, 7> kWhiteSemitones{0, 2, 4, 5, 7, 9, 11};
constexpr std::array<int, 12> kWhiteIndexOf{0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};

constexpr std::string_view kLowerRow = "ZSXDCVGBHNJM";
constexpr std::string_view kUpperRow = "Q2W3ER5T6Y7U";

}  // namespace

bool KeyboardLayout::ShiftOctave(int octaves) {
    const int moved = std::clamp(first_note_ + octaves * 12, kLowestFirstNote, kHighestFirstNote);
    if (moved == first_note_) return false;
    first_note_ = moved;
    return true;
}

bool KeyboardLayout::IsBlack(int note) {
    const int semitone = ((note % 12) + 12) % 12;
    return semitone == 1 || semitone == 3 || semitone == 6 || semitone == 8 || semitone == 10;
}

std::optional<KeyRect> KeyboardLayout::KeyOf(int note) const {
    if (note < first_note_ || note > LastNote()) return std::nullopt;
    const int offset = note - first_note_;
    const int white = offset / 12 * 7 + kWhiteIndexOf[static_cast<std::size_t>(offset % 12)];
    if (!IsBlack(note)) return KeyRect{white * kWhiteWidth, 0, kWhiteWidth, kWhiteHeight};
    // A black key straddles the border to the right of its white key.
    return KeyRect{(white + 1) * kWhiteWidth - kBlackWidth / 2, 0, kBlackWidth, kBlackHeight};
}

std::optional<int> KeyboardLayout::NoteAt(int x, int y) const {
    if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) return std::nullopt;
    const int white = x / kWhiteWidth;
    const int note =
        first_note_ + white / 7 * 12 + kWhiteSemitones[static_cast<std::size_t>(white % 7)];
    for (const int black : {note - 1, note + 1}) {
        if (!IsBlack(black)) continue;
        const std::optional<KeyRect> key = KeyOf(black);
        if (key && key->Contains(x, y)) return black;
    }
    return note;
}

int KeyboardLayout::VelocityAt(int y, int key_height) {
    if (key_height <= 0) return 127;
    const int clamped = std::clamp(y, 0, key_height - 1);
    return std::max(1, (clamped + 1) * 127 / key_height);
}

std::optional<int> KeyboardLayout::NoteOfComputerKey(int key) const {
    if (key <= 0 || key > 127) return std::nullopt;
    const char c = static_cast<char>(key);
    if (const std::size_t at = kLowerRow.find(c); at != std::string_view::npos) {
        return first_note_ + 12 + static_cast<int>(at);
    }
    if (const std::size_t at = kUpperRow.find(c); at != std::string_view::npos) {
        return first_note_ + 24 + static_cast<int>(at);
    }
    return std::nullopt;
}

}  // namespace kq505
