#pragma once
// The settings file (.kqs): the sound and the track name of one part in 320 bytes. It names
// no part: saving takes the selected part, loading fills the selected part.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace kq505 {

class CKQ505App;

inline constexpr std::size_t kSettingsFileSize = 320;

enum class SettingsFileResult {
    ok,
    wrong_format,  // no magic, or too short to hold the values and the name
    cannot_read,   // missing, not a regular file, no permission, read error
};

// The file of the selected part: each value as its low 8 bits, the name cut to 64 bytes.
std::array<std::uint8_t, kSettingsFileSize> SaveSettingsFile(const CKQ505App& app);

// Checks the magic and the length, then stores the values (each byte sign-extended, kept
// even outside its row's range) and the name into the selected part. On any failure
// nothing changes. Never gives cannot_read.
SettingsFileResult LoadSettingsFile(CKQ505App& app, std::span<const std::uint8_t> bytes);
// The same from a file; nothing changes unless the whole load succeeds.
SettingsFileResult LoadSettingsFile(CKQ505App& app, const std::filesystem::path& path);

// The part selector's entry after a load: "#03 Pad", "#12 Pad" (no colon, unlike the
// track name dialog's entry). Shift_JIS bytes, as the name.
std::string LoadedSelectorEntry(int part, std::string_view name);

}  // namespace kq505
