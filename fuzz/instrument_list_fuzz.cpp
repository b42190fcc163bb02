// The first byte picks the module level (-1..8, so both ends of the level range and the
// levels just past them are reached); the rest is the list text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "instruments/instrument_list.h"

namespace {

bool HoldsLineEnd(const std::string& name) {
    return name.find_first_of("\r\n") != name.npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int module_level = data[0] % 10 - 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::array<std::string, 8> module_names;
    std::array<std::string, 128> map_names;
    kq505::InstrumentNameTable instrument_names;
    kq505::ParseInstrumentList(text, module_level, module_names, map_names, instrument_names);

    // A name never reaches past its own line, and every map name carries its appended space.
    for (const auto& name : module_names) {
        if (HoldsLineEnd(name)) std::abort();
    }
    for (const auto& name : map_names) {
        if (HoldsLineEnd(name) || (!name.empty() && name.back() != ' ')) std::abort();
    }
    if (instrument_names.NamedCount() > text.size() / 3) std::abort();
    return 0;
}
