// The first byte picks the module level (-1..8, so both ends of the level range and the
// levels just past them are reached); the rest is the definition text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "instruments/cakewalk_instruments.h"

namespace {

// Names are trimmed parts of one line.
bool IsCleanName(std::string_view name) {
    return name.find_first_of("\r\n") == name.npos && !name.starts_with(' ') &&
           !name.starts_with('\t') && !name.ends_with('\t');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int module_level = data[0] % 10 - 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    kq505::IsCakewalkInstrumentFile(text);
    std::array<std::string, 8> module_names;
    std::array<std::string, 128> map_names;
    kq505::InstrumentNameTable instrument_names;
    kq505::ParseCakewalkInstruments(text, module_level, module_names, map_names, instrument_names);

    for (const auto& name : module_names) {
        if (!IsCleanName(name) || name.ends_with(' ')) std::abort();
    }
    for (const auto& name : map_names) {
        if (name.empty()) continue;
        if (name.back() != ' ') std::abort();
        if (!IsCleanName(std::string_view(name).substr(0, name.size() - 1))) std::abort();
    }
    return 0;
}
