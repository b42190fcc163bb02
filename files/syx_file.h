#pragma once
// The .syx file: system-exclusive messages one after another, F0 … F7, nothing between
// them, the way SysEx librarians and `amidi -s` keep them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq505 {

// Larger files are refused unread: a whole 32-part set-up with its effects is under 8 KiB.
inline constexpr std::size_t kSyxFileMaxSize = 1024 * 1024;

enum class SyxFileError {
    none,
    cannot_read,  // missing, not a regular file, no permission, read error
    too_large,    // over kSyxFileMaxSize
    not_sysex,    // empty, or a byte outside a message that does not start one
    truncated,    // a message that ends without F7
};

// Splits the bytes of a file into its messages, each from F0 to F7, pointing into `bytes`.
// `messages` is left empty unless this succeeds.
SyxFileError SplitSyxMessages(std::span<const std::uint8_t> bytes,
                              std::vector<std::span<const std::uint8_t>>& messages);

// The file's bytes: the messages one after another.
std::vector<std::uint8_t> SyxFileBytes(std::span<const std::vector<std::uint8_t>> messages);

// The message for a file that cannot be opened, naming it.
std::string SyxFileErrorText(SyxFileError error, std::string_view file_name);

}  // namespace kq505
