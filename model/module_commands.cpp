#include "model/module_commands.h"

#include <algorithm>
#include <optional>

#include "app/kq505_app.h"
#include "files/regular_file.h"
#include "model/module_syx.h"
#include "model/module_take.h"
#include "xgpart/xg_part_image.h"

namespace kq505 {
namespace {

bool SameLayer(const XgPartBytes& a, const XgPartBytes& b) {
    return a.multi_part == b.multi_part && a.hpf == b.hpf;
}

// The parts whose bytes in either layer the file changed in the image.
std::vector<int> PartsCarried(const XgModuleImage& before, const XgModuleImage& after) {
    std::vector<int> parts;
    for (int part = 0; part < kPartCount; ++part) {
        const auto a = static_cast<std::size_t>(part);
        const auto b = a + kPartCount;
        if (!SameLayer(before.parts[a], after.parts[a]) ||
            !SameLayer(before.parts[b], after.parts[b])) {
            parts.push_back(part);
        }
    }
    return parts;
}

}  // namespace

std::string ModuleReadRefusal(const CKQ505App& app) {
    if (!app.midi_out_a->IsOpen())
        return "MIDI OUT Aが開かれていないため、ﾓｼﾞｭｰﾙに読込を要求できません";
    if (!app.module_in->IsOpen())
        return "MODULE INが開かれていないため、ﾓｼﾞｭｰﾙの応答を受け取れません";
    return {};
}

std::string ModuleReadProgressText(const ModuleReader& reader) {
    if (reader.Done()) return {};
    return ModuleRequestLabel(reader.Current()) + "  " + std::to_string(reader.Position() + 1) +
           "/" + std::to_string(reader.Total());
}

SysExFileResult TakeSysExFile(CKQ505App& app, const std::filesystem::path& path) {
    SysExFileResult result;
    // One byte past the limit is read, so that a larger file is told from one that fits.
    const std::optional<std::string> bytes =
        ReadRegularFile(path, kSyxFileMaxSize + 1, Oversize::keep_prefix);
    if (!bytes) {
        result.error = SyxFileError::cannot_read;
        return result;
    }
    // What the module holds once it was sent the set-up: the file's messages land on it, so
    // that one byte of a pair (the volume of one layer) is read with the other.
    XgModuleImage before;
    for (int part = 0; part < kPartCount; ++part)
        PartToModule(app.part_table, part, before.parts);
    EffectsToImage(app.effect_blocks, before);
    XgPartsToImage(app.xg_parts, before);
    XgModuleImage image = before;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    const SyxReadResult read = ReadSysExFile(std::span(data, bytes->size()), image);
    result.error = read.error;
    result.taken = read.taken;
    result.skipped = read.skipped;
    if (read.error != SyxFileError::none) return result;
    result.differences = TakeModuleImage(app, image, PartsCarried(before, image),
                                         image.effect != before.effect, StepKind::kSysExFile);
    return result;
}

std::string SysExFileStatusText(const SysExFileResult& result, std::string_view file_name) {
    return std::string(file_name) + ": " + std::to_string(result.taken) + " ﾒｯｾｰｼﾞ読込, " +
           std::to_string(result.skipped) + " ｽｷｯﾌﾟ";
}

std::vector<std::uint8_t> SetupSysExFileBytes(const CKQ505App& app) {
    return SyxFileBytes(
        SetupSysExMessages(app.part_table, app.effect_blocks, app.drums, app.xg_parts));
}

}  // namespace kq505
