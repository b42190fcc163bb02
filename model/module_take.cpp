#include "model/module_take.h"

#include <algorithm>

#include "app/kq505_app.h"
#include "xgpart/xg_part_image.h"

namespace kq505 {
namespace {

std::string PartNumber(int part) {
    const int number = part + 1;
    return (number < 10 ? "#0" : "#") + std::to_string(number);
}

// Whether a request read a layer (its XG part) or the effect blocks.
bool IsEffectRequest(const ModuleRequest& request) {
    return request.address.high == 0x02;
}

bool LayerMissing(const ModuleReadSummary& summary, int xg_part) {
    const auto of_layer = [xg_part](const ModuleRequest& request) {
        return IsLayerRequest(request) && request.address.mid == xg_part;
    };
    return std::ranges::any_of(summary.missing, of_layer) ||
           std::ranges::any_of(summary.unread, of_layer);
}

// The part modes first: they choose the kits whose defaults the drum values are told from.
void ImageToDrums(const XgModuleImage& image, CKQ505App& app) {
    constexpr std::size_t kPartMode = 0x07;
    for (std::size_t xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        const std::optional<std::uint8_t>& mode = image.parts[xg_part].multi_part[kPartMode];
        if (mode && *mode < kPartModeCount) app.drums.part_modes[xg_part] = PartMode{*mode};
    }
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        const DrumKit& kit = KitOfSetup(app.drums, app.part_table, setup);
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
            const XgDrumNoteBytes& bytes =
                image.drums[static_cast<std::size_t>(setup)]
                           [static_cast<std::size_t>(note - kFirstDrumNote)];
            for (int param = 0; param < kDrumParamCount; ++param) {
                const std::optional<std::uint8_t>& byte = bytes[static_cast<std::size_t>(param)];
                if (!byte) continue;
                const DrumParamInfo& info = DrumParam(param);
                const std::int32_t value = std::clamp<std::int32_t>(*byte, info.min, info.max);
                DrumSlot(app.drums, setup, note, param) = value == KitDefault(kit, note, param)
                                                              ? kFollowKit
                                                              : static_cast<std::uint8_t>(value);
            }
        }
    }
}

}  // namespace

std::vector<ModuleDifference> TakeModuleImage(CKQ505App& app, const XgModuleImage& image,
                                              std::span<const int> parts, bool effects,
                                              StepKind kind) {
    std::vector<ModuleDifference> differences;
    app.edit_history.Record(app, kind, [&] {
        for (const int part : parts)
            ModuleToPart(image.parts, part, app.part_table, differences);
        if (effects) ImageToEffects(image, app.effect_blocks);
        ImageToDrums(image, app);
        ImageToXgParts(image, parts, app.xg_parts);
    });
    return differences;
}

bool FollowModuleMessage(CKQ505App& app, std::span<const std::uint8_t> message) {
    const std::optional<XgMessage> xg = ReadXgMessage(message);
    if (!xg) return false;
    const bool effects = xg->address.high == 0x02;
    const int part = xg->address.mid % kPartCount;
    // What the module holds besides the message is what the table sent it, so that one byte
    // of a pair (the volume of one layer, the offset of one side of the mix) is read with
    // the other.
    XgModuleImage image;
    PartToModule(app.part_table, part, image.parts);
    EffectsToImage(app.effect_blocks, image);
    XgPartsToImage(app.xg_parts, image);
    if (!ApplyToImage(*xg, image)) return false;
    const PartTable table_before = app.part_table;
    const EffectBlocks effects_before = app.effect_blocks;
    const DrumSetups drums_before = app.drums;
    const XgPartValues xg_before = app.xg_parts;
    app.edit_history.Record(app, StepKind::kModuleRead, [&] {
        ImageToDrums(image, app);
        ImageToXgParts(image, std::array{part}, app.xg_parts);
        std::vector<ModuleDifference> differences;
        if (xg->address.high >= 0x30) return;  // a drum setup's value
        if (!effects) return ModuleToPart(image.parts, part, app.part_table, differences);
        ImageToEffects(image, app.effect_blocks);
        for (const EffectBlock block : kEffectBlocks) {
            const std::int32_t type = app.effect_blocks[block].type;
            if (type != effects_before[block].type) SetEffectType(app.effect_blocks, block, type);
        }
    });
    return app.part_table != table_before || app.effect_blocks != effects_before ||
           app.drums != drums_before || app.xg_parts != xg_before;
}

ModuleReadSummary TakeModuleRead(CKQ505App& app, const ModuleReader& reader) {
    ModuleReadSummary summary;
    summary.missing = reader.Missing();
    summary.unread = reader.Unread();
    summary.timeouts = reader.Timeouts();
    summary.differences = TakeModuleImage(app, reader.Image(), reader.Parts(),
                                          reader.ReadsEffects(), StepKind::kModuleRead);
    for (const int part : reader.Parts()) {
        for (const int xg_part : {part, part + kPartCount}) {
            ++summary.layers_total;
            if (!LayerMissing(summary, xg_part)) ++summary.layers_read;
        }
    }
    if (reader.ReadsEffects()) {
        const auto missing = std::ranges::count_if(summary.missing, IsEffectRequest) +
                             std::ranges::count_if(summary.unread, IsEffectRequest);
        summary.effects_total = static_cast<int>(ModuleRequests(true, {}).size());
        summary.effects_read = summary.effects_total - static_cast<int>(missing);
    }
    return summary;
}

std::string ModuleReadSummaryText(const ModuleReadSummary& summary) {
    std::string text =
        std::to_string(summary.layers_read) + "/" + std::to_string(summary.layers_total) + " ﾊﾟｰﾄ";
    if (summary.effects_total > 0) {
        text += ", " + std::to_string(summary.effects_read) + "/" +
                std::to_string(summary.effects_total) + " ｴﾌｪｸﾄ";
    }
    return text + ", " + std::to_string(summary.timeouts) + " ﾀｲﾑｱｳﾄ";
}

std::string ModuleReadDetails(const ModuleReadSummary& summary) {
    std::string text;
    std::string last_label;
    for (const ModuleRequest& request : summary.missing) {
        const std::string label = ModuleRequestLabel(request);
        if (label == last_label) continue;  // a layer's requests follow one another
        text += label + ": 応答がありませんでした\n";
        last_label = label;
    }
    if (!summary.unread.empty()) {
        const std::string first = ModuleRequestLabel(summary.unread.front());
        const std::string last = ModuleRequestLabel(summary.unread.back());
        text += "ｷｬﾝｾﾙ: " + (first == last ? first + " " : first + " から " + last + " まで") +
                "は読み込んでいません\n";
    }
    for (const ModuleDifference& d : summary.differences) {
        text += PartNumber(d.part) + " " + std::string(kRowInfo[d.row].name) + ": ﾓｼﾞｭｰﾙは A " +
                std::to_string(d.module_a) + ", B " + std::to_string(d.module_b) + "、" +
                std::to_string(d.table_value) + " として読込\n";
    }
    return text;
}

}  // namespace kq505
