// Loads any bytes as a settings file into a table of known values, then checks that a
// failed load changed nothing, and that a good one changed only the selected part and saves
// back to what it read.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "app/kq505_app.h"
#include "files/settings_file.h"
#include "files/vardel_export.h"

namespace {

using kq505::CKQ505App;
using kq505::SettingsFileResult;

void Check(bool condition) {
    if (!condition) std::abort();
}

void FillKnownValues(CKQ505App& app) {
    for (int row = 0; row < kq505::kRowCount; ++row) {
        for (int part = 0; part < kq505::kPartCount; ++part)
            app.part_table[row][part] = 1000 + row;
    }
    app.track_names.fill("untouched");
}

bool PartIsKnown(const CKQ505App& app, int part) {
    for (int row = 0; row < kq505::kRowCount; ++row) {
        if (app.part_table[row][part] != 1000 + row) return false;
    }
    return app.track_names[part] == "untouched";
}

bool HasMagic(std::span<const std::uint8_t> in) {
    const std::string_view magic = "KQSF1000";
    return in.size() >= 9 && std::equal(magic.begin(), magic.end(), in.begin()) && in[8] == 0;
}

// What a save of the loaded part must give: the named bytes as read, the name up to its
// first zero, zero everywhere else.
std::array<std::uint8_t, 320> ExpectedSave(std::span<const std::uint8_t> in) {
    std::array<std::uint8_t, 320> out{};
    const auto keep = [&](std::size_t from, std::size_t size) {
        std::copy_n(in.begin() + from, size, out.begin() + from);
    };
    keep(0, 8);
    keep(16, 20);
    keep(48, 20);
    keep(80, 7);
    const auto name = in.subspan(87, 64);
    std::copy(name.begin(), std::find(name.begin(), name.end(), 0), out.begin() + 87);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> in(data, size);
    CKQ505App app;
    FillKnownValues(app);
    app.selected_part = static_cast<int>(size % kq505::kPartCount);
    const SettingsFileResult result = kq505::LoadSettingsFile(app, in);
    const bool acceptable = HasMagic(in) && size >= 151;
    Check(result == (acceptable ? SettingsFileResult::ok : SettingsFileResult::wrong_format));
    for (int part = 0; part < kq505::kPartCount; ++part) {
        Check(PartIsKnown(app, part) == (part != app.selected_part || !acceptable));
    }
    if (!acceptable) return 0;

    const std::string& name = app.track_names[app.selected_part];
    Check(name.size() <= 64 && name.find('\0') == std::string::npos);
    const auto saved = kq505::SaveSettingsFile(app);
    Check(saved == ExpectedSave(in));

    CKQ505App again;
    again.selected_part = app.selected_part;
    Check(kq505::LoadSettingsFile(again, std::span<const std::uint8_t>(saved)) ==
          SettingsFileResult::ok);
    const int part = app.selected_part;
    for (int row = 0; row < kq505::kRowCount; ++row) {
        Check(again.part_table[row][part] == app.part_table[row][part]);
    }
    Check(again.track_names[part] == name);
    Check(kq505::SaveSettingsFile(again) == saved);
    // Whatever a file brings, the export keeps its fixed shape.
    Check(kq505::BuildVardelSong(app).size() == 24781);
    return 0;
}
