#pragma once
// The settings of the application object and where they are kept: the ten of every version,
// then the names of the chosen MIDI devices, the pacing switch, the play-through (Thru,
// ThruChannel) and the module's input (ModuleIn, ModuleInName, DumpTimeout, Follow).

#include <array>
#include <cstdint>
#include <filesystem>

#include "app/kq505_app.h"

namespace kq505 {

using FolderCheck = bool (*)(const std::filesystem::path& folder);

// The executable's file name with ".ini" for its extension, in the executable's folder, or
// in `user_config_dir` when the executable's folder cannot be written or is the bin folder
// of an install (IsInstalledBinFolder). Only an extension of letters ("kq505.exe",
// "kq505.AppImage") is replaced; to a name without one, or with a version number for one
// ("kq505-2.0"), ".ini" is appended.
std::filesystem::path IniPathFor(const std::filesystem::path& executable,
                                 const std::filesystem::path& user_config_dir);
// The same with `can_write` deciding whether the executable's folder may hold the file.
std::filesystem::path IniPathFor(const std::filesystem::path& executable,
                                 const std::filesystem::path& user_config_dir,
                                 FolderCheck can_write);

// Reads the ten keys, Zoom, the three device names, Pace, Thru, ThruChannel and the module's
// four keys from `app.ini_path` into their fields, each with its default (an empty name) when
// the file, the section or the key is absent. Values are taken as stored, without range
// limits, but for DumpTimeout, which is held to kMinDumpTimeoutMs..kMaxDumpTimeoutMs. Creates no
// file. A file that cannot be read, or is too long to be, leaves every setting at its
// default, and WriteIniSettings then refuses to replace it. False when the file is too long
// (IsOversizedIniFile), which the user is to be told of: the file is there but not read.
bool ReadIniSettings(CKQ505App& app);

// Writes the ten keys, Zoom, then the three device names, Pace, Thru, ThruChannel, ModuleIn,
// ModuleInName, DumpTimeout and Follow to
// `app.ini_path`, keeping every other line of the file; the file, its folder and the sections
// are created when absent. False, with the file as it was, when the file cannot be read or
// written or the instrument file path or a name holds a line break.
bool WriteIniSettings(const CKQ505App& app);

// How long a request to the module is waited for, in milliseconds.
inline constexpr std::int32_t kDefaultDumpTimeoutMs = 300;
inline constexpr std::int32_t kMinDumpTimeoutMs = 50;
inline constexpr std::int32_t kMaxDumpTimeoutMs = 5000;

// The display sizes offered, in percent; the program's window is scaled by the chosen one.
inline constexpr std::int32_t kDefaultZoom = 100;
inline constexpr std::array<std::int32_t, 3> kZoomChoices{100, 150, 200};
// The scale factor of a stored Zoom value: 1.0, 1.5 or 2.0; 1.0 for any value not offered.
double DisplayScaleFactor(std::int32_t zoom_percent);
// The stored Zoom value of the INI file, read before any window exists; 100 when absent.
std::int32_t ReadZoomSetting(const std::filesystem::path& ini_path);

}  // namespace kq505
