#pragma once
// A part on the clipboard, and the layers of the selected part copied or swapped. A part
// travels as the 320 bytes of a part file (.kqs) and as the "[Part N]" section of a set-up,
// which a mail or a text editor keeps. Each change is one step of the edit history and
// sends the rows it changed, in row order.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "files/settings_file.h"
#include "model/part_column.h"

namespace kq505 {

class CKQ505App;

inline constexpr std::string_view kPartMimeType = "application/x-kq505-part";

// What a pasted part brings: every row and the track name (Shift_JIS bytes).
struct PartClip {
    PartColumn values{};
    std::string name;
};

// The selected part as a part file holds it.
std::array<std::uint8_t, kSettingsFileSize> PartClipBytes(const CKQ505App& app);
// The selected part's section of the set-up text, "[Part N]" and its keys.
std::string PartClipText(const CKQ505App& app);

// None unless the bytes are a part file.
std::optional<PartClip> ClipFromBytes(std::span<const std::uint8_t> bytes);
// The first "[Part N]" section of the text, whatever N; keys it lacks take their defaults.
// None without such a section, or with one that holds no row of the table.
std::optional<PartClip> ClipFromText(std::string_view text);

// The clip into the selected part: its rows and its name.
void PastePart(CKQ505App& app, const PartClip& clip);

enum class LayerOperation { kCopyAToB, kCopyBToA, kSwap };
// The layer rows of the selected part, with the program change dialog's list positions.
void ApplyLayerOperation(CKQ505App& app, LayerOperation operation);

}  // namespace kq505
