#include "app/settings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/ini_store.h"
#include "app/install_layout.h"

namespace kq505 {
namespace {

struct IntSetting {
    std::string_view section;
    std::string_view key;
    std::int32_t CKQ505App::*field;
    std::int32_t fallback;
};

// In the order the keys are read and written; InsFile follows them.
constexpr std::array<IntSetting, 9> kIntSettings{{
    {"MIDI", "OutA", &CKQ505App::out_a_device, 0},
    {"MIDI", "OutB", &CKQ505App::out_b_device, 1},
    {"MIDI", "In", &CKQ505App::in_device, 0},
    {"MIDI", "Module", &CKQ505App::module_level, 0},
    {"Preview", "Vel", &CKQ505App::preview_velocity, 100},
    {"Preview", "Gate", &CKQ505App::preview_gate_ms, 800},
    {"ExportVardel", "Step", &CKQ505App::export_step, 10},
    {"ExportVardel", "Info", &CKQ505App::export_info, 0},
    {"Others", "Logo", &CKQ505App::show_logo, 0},
}};
constexpr std::string_view kInsFileSection = "Others";
constexpr std::string_view kInsFileKey = "InsFile";
constexpr std::string_view kInsFileDefault = "xg.ins";
// After InsFile: the display size, which the program takes before its first window.
constexpr IntSetting kZoomSetting{"Others", "Zoom", &CKQ505App::zoom_percent, kDefaultZoom};

struct NameSetting {
    std::string_view key;
    std::string CKQ505App::*field;
};

// After InsFile; absent in files of older versions, which then open by number alone.
constexpr std::string_view kNameSection = "MIDI";
constexpr std::array<NameSetting, 3> kNameSettings{{
    {"OutAName", &CKQ505App::out_a_name},
    {"OutBName", &CKQ505App::out_b_name},
    {"InName", &CKQ505App::in_name},
}};

// After the names; absent in files of older versions. Thru is off there, so that a stored In
// alone never plays through.
constexpr std::array<IntSetting, 5> kLaterIntSettings{{
    {"MIDI", "Pace", &CKQ505App::midi_pace, 0},
    {"MIDI", "Thru", &CKQ505App::thru, 0},
    {"MIDI", "ThruChannel", &CKQ505App::thru_channel, 0},
    {"Others", "SendOnOpen", &CKQ505App::send_on_open, 1},
    {"Others", "OnStart", &CKQ505App::on_start, 0},
}};

// After those; absent in files of older versions. The module's input is our own port for a
// patchbay until a device is chosen.
constexpr IntSetting kModuleInSetting{"MIDI", "ModuleIn", &CKQ505App::module_in_device, -1};
constexpr NameSetting kModuleInNameSetting{"ModuleInName", &CKQ505App::module_in_name};
constexpr IntSetting kDumpTimeoutSetting{"MIDI", "DumpTimeout", &CKQ505App::dump_timeout_ms,
                                         kDefaultDumpTimeoutMs};
constexpr IntSetting kFollowSetting{"MIDI", "Follow", &CKQ505App::follow_module, 1};

void ReadIntSetting(const IniDocument& ini, CKQ505App& app, const IntSetting& setting) {
    app.*setting.field = ReadProfileInt(ini, setting.section, setting.key, setting.fallback);
}

bool WriteIntSetting(IniDocument& ini, const CKQ505App& app, const IntSetting& setting) {
    return WriteProfileInt(ini, setting.section, setting.key, app.*setting.field);
}

void ReadModuleSettings(const IniDocument& ini, CKQ505App& app) {
    ReadIntSetting(ini, app, kModuleInSetting);
    app.module_in_name = ReadProfileString(ini, kNameSection, kModuleInNameSetting.key, "");
    ReadIntSetting(ini, app, kDumpTimeoutSetting);
    // A module is never that quick, and a read should not stand still for minutes.
    app.dump_timeout_ms = std::clamp(app.dump_timeout_ms, kMinDumpTimeoutMs, kMaxDumpTimeoutMs);
    ReadIntSetting(ini, app, kFollowSetting);
}

bool WriteModuleSettings(IniDocument& ini, const CKQ505App& app) {
    return WriteIntSetting(ini, app, kModuleInSetting) &&
           ini.Set(kNameSection, kModuleInNameSetting.key,
                   IniDocument::StoredValue(app.module_in_name)) &&
           WriteIntSetting(ini, app, kDumpTimeoutSetting) &&
           WriteIntSetting(ini, app, kFollowSetting);
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::filesystem::path IniFileName(std::filesystem::path name) {
    const std::string extension = name.extension().string();
    const bool letters =
        extension.size() > 1 && std::all_of(extension.begin() + 1, extension.end(), IsAsciiLetter);
    if (letters) {
        name.replace_extension(".ini");
    } else {
        name += ".ini";
    }
    return name;
}

// An installed program keeps its settings per user, also for root, who may write anywhere.
bool CanKeepIniBeside(const std::filesystem::path& folder) {
    return !IsInstalledBinFolder(folder) && IsWritableFolder(folder);
}

}  // namespace

std::filesystem::path IniPathFor(const std::filesystem::path& executable,
                                 const std::filesystem::path& user_config_dir) {
    return IniPathFor(executable, user_config_dir, &CanKeepIniBeside);
}

std::filesystem::path IniPathFor(const std::filesystem::path& executable,
                                 const std::filesystem::path& user_config_dir,
                                 FolderCheck can_write) {
    const std::filesystem::path folder = executable.parent_path();
    const std::filesystem::path name = IniFileName(executable.filename());
    return can_write(folder.empty() ? "." : folder) ? folder / name : user_config_dir / name;
}

bool ReadIniSettings(CKQ505App& app) {
    // An unreadable file is treated like a missing one: the program starts on the defaults.
    const std::optional<IniDocument> loaded = LoadIniFile(app.ini_path);
    const IniDocument ini = loaded.value_or(IniDocument{});
    for (const IntSetting& setting : kIntSettings) {
        app.*setting.field = ReadProfileInt(ini, setting.section, setting.key, setting.fallback);
    }
    app.instrument_file_path =
        ReadProfileString(ini, kInsFileSection, kInsFileKey, kInsFileDefault);
    app.zoom_percent = ReadProfileInt(ini, kZoomSetting.section, kZoomSetting.key, kDefaultZoom);
    for (const NameSetting& setting : kNameSettings) {
        app.*setting.field = ReadProfileString(ini, kNameSection, setting.key, "");
    }
    for (const IntSetting& setting : kLaterIntSettings) {
        app.*setting.field = ReadProfileInt(ini, setting.section, setting.key, setting.fallback);
    }
    ReadModuleSettings(ini, app);
    return loaded || !IsOversizedIniFile(app.ini_path);
}

namespace {

bool WriteStoredDevices(IniDocument& ini, const StoredDevices& devices) {
    const std::array<std::pair<std::string_view, std::int32_t>, 4> numbers{{
        {"OutA", devices.out_a},
        {"OutB", devices.out_b},
        {"In", devices.in},
        {kModuleInSetting.key, devices.module_in},
    }};
    for (const auto& [key, value] : numbers) {
        if (!WriteProfileInt(ini, kNameSection, key, value)) return false;
    }
    const std::array<std::pair<std::string_view, const std::string*>, 4> names{{
        {"OutAName", &devices.out_a_name},
        {"OutBName", &devices.out_b_name},
        {"InName", &devices.in_name},
        {kModuleInNameSetting.key, &devices.module_in_name},
    }};
    for (const auto& [key, name] : names) {
        if (!ini.Set(kNameSection, key, IniDocument::StoredValue(*name))) return false;
    }
    return true;
}

}  // namespace

bool WriteIniSettings(const CKQ505App& app) {
    // A file that exists but cannot be read is left alone; replacing it would lose its lines.
    std::optional<IniDocument> ini = LoadIniFile(app.ini_path);
    if (!ini) return false;
    for (const IntSetting& setting : kIntSettings) {
        if (!WriteProfileInt(*ini, setting.section, setting.key, app.*setting.field)) return false;
    }
    if (!ini->Set(kInsFileSection, kInsFileKey, IniDocument::StoredValue(app.instrument_file_path)))
        return false;
    if (!WriteProfileInt(*ini, kZoomSetting.section, kZoomSetting.key, app.zoom_percent))
        return false;
    for (const NameSetting& setting : kNameSettings) {
        if (!ini->Set(kNameSection, setting.key, IniDocument::StoredValue(app.*setting.field)))
            return false;
    }
    for (const IntSetting& setting : kLaterIntSettings) {
        if (!WriteProfileInt(*ini, setting.section, setting.key, app.*setting.field)) return false;
    }
    if (!WriteModuleSettings(*ini, app)) return false;
    // Under a session the ports are the session's: a start outside it finds its own devices.
    const std::optional<StoredDevices>& kept = app.setup.devices_outside_session;
    if (kept && !WriteStoredDevices(*ini, *kept)) return false;
    return SaveIniFile(app.ini_path, *ini);
}

double DisplayScaleFactor(std::int32_t zoom_percent) {
    const bool offered =
        std::find(kZoomChoices.begin(), kZoomChoices.end(), zoom_percent) != kZoomChoices.end();
    return (offered ? zoom_percent : kDefaultZoom) / 100.0;
}

std::int32_t ReadZoomSetting(const std::filesystem::path& ini_path) {
    const IniDocument ini = LoadIniFile(ini_path).value_or(IniDocument{});
    return ReadProfileInt(ini, kZoomSetting.section, kZoomSetting.key, kDefaultZoom);
}

}  // namespace kq505
