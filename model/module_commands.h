#pragma once
// What the window's module and .syx commands call: whether a read can start, what its
// progress says, and a .syx file opened into or written from the set-up.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/syx_file.h"
#include "model/module_read.h"
#include "model/module_values.h"

namespace kq505 {

class CKQ505App;

// Why a read of the module cannot start now (no port to ask on or to hear the answers);
// empty when it can.
std::string ModuleReadRefusal(const CKQ505App& app);

// The block being read and where the read stands: "ﾊﾟｰﾄ 5 B  12/238".
std::string ModuleReadProgressText(const ModuleReader& reader);

struct SysExFileResult {
    SyxFileError error = SyxFileError::none;
    std::size_t taken = 0;    // messages whose values the set-up keeps
    std::size_t skipped = 0;  // every other message
    std::vector<ModuleDifference> differences;
};

// Opens a .syx file into the set-up: the parts and effect blocks its messages carry are
// taken as one step of the history, as a read of the module would take them; what the file
// does not carry stays as it is. A file that cannot be read whole changes nothing. Sends
// nothing.
SysExFileResult TakeSysExFile(CKQ505App& app, const std::filesystem::path& path);

// For the status bar: "setup.syx: 231 ﾒｯｾｰｼﾞ読込, 1 ｽｷｯﾌﾟ".
std::string SysExFileStatusText(const SysExFileResult& result, std::string_view file_name);

// The bytes of the .syx file of the whole set-up.
std::vector<std::uint8_t> SetupSysExFileBytes(const CKQ505App& app);

}  // namespace kq505
