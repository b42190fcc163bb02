#include "files/name_field.h"

namespace kq505 {

std::string_view NameFieldText(std::string_view name) {
    if (name.size() <= kNameFieldSize) return name;
    // A trail byte can look like a lead byte, so characters are only found from the start.
    std::size_t kept = 0;
    while (kept < kNameFieldSize) {
        const auto byte = static_cast<std::uint8_t>(name[kept]);
        const std::size_t width = IsShiftJisLeadByte(byte) ? 2 : 1;
        if (kept + width > kNameFieldSize) break;
        kept += width;
    }
    return name.substr(0, kept);
}

}  // namespace kq505
