#include "files/syx_file.h"

#include <algorithm>

namespace kq505 {
namespace {

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;

}  // namespace

SyxFileError SplitSyxMessages(std::span<const std::uint8_t> bytes,
                              std::vector<std::span<const std::uint8_t>>& messages) {
    messages.clear();
    if (bytes.size() > kSyxFileMaxSize) return SyxFileError::too_large;
    if (bytes.empty()) return SyxFileError::not_sysex;
    std::vector<std::span<const std::uint8_t>> found;
    std::size_t start = 0;
    while (start < bytes.size()) {
        if (bytes[start] != kSysExStart) return SyxFileError::not_sysex;
        // The first status byte after F0 ends the message; only F7 ends it whole.
        const auto end = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(start) + 1,
                                      bytes.end(), [](std::uint8_t b) { return b >= 0x80; });
        if (end == bytes.end() || *end != kSysExEnd) return SyxFileError::truncated;
        const auto stop = static_cast<std::size_t>(end - bytes.begin()) + 1;
        found.push_back(bytes.subspan(start, stop - start));
        start = stop;
    }
    messages = std::move(found);
    return SyxFileError::none;
}

std::vector<std::uint8_t> SyxFileBytes(std::span<const std::vector<std::uint8_t>> messages) {
    std::vector<std::uint8_t> bytes;
    for (const std::vector<std::uint8_t>& message : messages)
        bytes.insert(bytes.end(), message.begin(), message.end());
    return bytes;
}

std::string SyxFileErrorText(SyxFileError error, std::string_view file_name) {
    const std::string name(file_name);
    switch (error) {
        case SyxFileError::none:
            return {};
        case SyxFileError::cannot_read:
            return name + " を読み込めませんでした";
        case SyxFileError::too_large:
            return name + " は大きすぎるため、SysExﾌｧｲﾙとして読み込めません";
        case SyxFileError::not_sysex:
            return name + " はSysExﾌｧｲﾙではありません";
        case SyxFileError::truncated:
            return name + " のSysExﾒｯｾｰｼﾞが途中で切れているため、読み込めません";
    }
    return {};
}

}  // namespace kq505
