// Reads any bytes as a set-up file into a set-up of known values, then checks that a
// refused file changed nothing, and that an accepted one writes out as text that reads back
// to the very same set-up.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/setup_file.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

kq505::SetupData KnownSetup() {
    kq505::SetupData setup = kq505::DefaultSetup();
    setup.part_table[kq505::vol][3] = 1234;
    setup.track_names[5] = "untouched";
    setup.pc_sel_b[7] = 9;
    return setup;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kq505::SetupData known = KnownSetup();
    kq505::SetupData setup = known;
    const kq505::SetupReadResult result = kq505::ParseSetupFile(bytes, setup);
    if (result.error != kq505::SetupFileError::none) {
        Check(setup == known);
        return 0;
    }
    for (const std::string& name : setup.track_names)
        Check(name.size() <= 64);
    kq505::SetupData again = known;
    Check(kq505::ParseSetupFile(kq505::SetupFileText(setup), again).error ==
          kq505::SetupFileError::none);
    Check(again == setup);
    return 0;
}
