#include "model/module_syx.h"

#include <algorithm>
#include <iterator>

#include "model/midi_messages.h"
#include "model/xg_sysex.h"
#include "xgpart/xg_part_image.h"

namespace kq505 {
namespace {

struct DumpBlock {
    std::uint8_t low;
    std::uint8_t size;
};

constexpr std::array<DumpBlock, 6> kEffectDumps{
    {{0x00, 0x0E}, {0x10, 0x06}, {0x20, 0x0F}, {0x30, 0x06}, {0x40, 0x21}, {0x70, 0x06}}};
constexpr std::array<DumpBlock, 2> kPartDumps{{{0x00, 0x29}, {0x30, 0x3F}}};
constexpr std::array<std::uint8_t, 4> kPartEq{0x72, 0x73, 0x76, 0x77};
constexpr std::uint8_t kReceiveChannel = 0x04;
constexpr std::uint8_t kPartMode = 0x07;
constexpr int kFirstDrumPart = 9;  // channel 10's A layer
constexpr std::uint8_t kDrumSetupHigh = 0x30;

// The XG defaults of a multi part's two dump blocks, 08 pp 00..28 and 08 pp 30..6E; the
// receive channel and the part mode depend on the part and are set apart.
// Element reserve (byte 0) is 2 on every part but the first drum part.
constexpr std::uint8_t kElementReserve = 0x00;
constexpr std::array<std::uint8_t, 0x29> kPartDefaults0{
    2,  0,  0,  0,  0,  1,  1,  0,  64, 8,  0,  100, 64, 64, 64, 0,  127, 127, 0, 40, 0,
    64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 10,  0,  0,  66, 64, 64,  0,   0, 0};
constexpr std::array<std::uint8_t, 0x3F> kPartDefaults30{
    1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1, 1, 1, 1,  1,  1,  64, 64, 64, 64,
    64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 0, 0, 0, 64, 64, 64, 0,  0,  0,  16,
    64, 64, 64, 0,  0,  0,  17, 64, 64, 64, 0,  0, 0, 0, 0,  64, 64, 64, 64, 1,  127};
// The effect bytes that are no item of the blocks: the variation's controller depths.
constexpr std::uint8_t kFirstDepth = 0x5C;
constexpr std::uint8_t kLastDepth = 0x60;
constexpr std::uint8_t kNoDepth = 64;

template <std::size_t N>
std::vector<std::uint8_t> BlockBytes(const std::array<std::optional<std::uint8_t>, N>& bytes,
                                     DumpBlock block) {
    std::vector<std::uint8_t> data;
    for (std::size_t i = block.low; i < std::size_t{block.low} + block.size; ++i)
        data.push_back(bytes[i].value_or(0));
    return data;
}

void FillPartDefaults(XgModuleImage& image, const DrumSetups& drums) {
    for (int xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        auto& bytes = image.parts[static_cast<std::size_t>(xg_part)].multi_part;
        for (std::size_t i = 0; i < kPartDefaults0.size(); ++i)
            bytes[i] = kPartDefaults0[i];
        for (std::size_t i = 0; i < kPartDefaults30.size(); ++i)
            bytes[0x30 + i] = kPartDefaults30[i];
        bytes[kReceiveChannel] = static_cast<std::uint8_t>(xg_part);
        bytes[kPartMode] =
            static_cast<std::uint8_t>(drums.part_modes[static_cast<std::size_t>(xg_part)]);
        if (xg_part == kFirstDrumPart) bytes[kElementReserve] = 0;  // no voices kept back
    }
}

std::vector<std::uint8_t> ParameterChange(XgAddress at, std::uint8_t value) {
    return {0xF0, 0x43, 0x10, kXgModelId, at.high, at.mid, at.low, value, 0xF7};
}

void AddDrumSetupDumps(const PartTable& table, const DrumSetups& drums,
                       std::vector<std::vector<std::uint8_t>>& messages) {
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
            const DrumNoteValues& own =
                drums.values[static_cast<std::size_t>(setup)]
                            [static_cast<std::size_t>(note - kFirstDrumNote)];
            if (std::ranges::all_of(own, [](std::uint8_t v) { return v == kFollowKit; })) continue;
            std::array<std::uint8_t, kDrumParamCount> data{};
            for (int param = 0; param < kDrumParamCount; ++param) {
                data[static_cast<std::size_t>(param)] =
                    static_cast<std::uint8_t>(DrumValue(drums, table, setup, note, param));
            }
            messages.push_back(XgBulkDump({static_cast<std::uint8_t>(kDrumSetupHigh + setup),
                                           static_cast<std::uint8_t>(note), 0x00},
                                          data));
        }
    }
}

}  // namespace

std::vector<std::vector<std::uint8_t>> SetupSysExMessages(const PartTable& table,
                                                          const EffectBlocks& effects) {
    DrumSetups drums;
    ResetDrumSetups(drums);
    return SetupSysExMessages(table, effects, drums);
}

std::vector<std::vector<std::uint8_t>> SetupSysExMessages(const PartTable& table,
                                                          const EffectBlocks& effects,
                                                          const DrumSetups& drums) {
    return SetupSysExMessages(table, effects, drums, XgPartValues{});
}

std::vector<std::vector<std::uint8_t>> SetupSysExMessages(const PartTable& table,
                                                          const EffectBlocks& effects,
                                                          const DrumSetups& drums,
                                                          const XgPartValues& xg_parts) {
    XgModuleImage image;
    FillPartDefaults(image, drums);
    XgPartsToImage(xg_parts, image);
    for (int part = 0; part < kPartCount; ++part)
        PartToModule(table, part, image.parts);
    for (std::uint8_t low = kFirstDepth; low <= kLastDepth; ++low)
        image.effect[low] = kNoDepth;
    EffectsToImage(effects, image);

    std::vector<std::vector<std::uint8_t>> messages{{kXgSystemOn.begin(), kXgSystemOn.end()}};
    std::ranges::move(XgSystemChangeMessages(xg_parts), std::back_inserter(messages));
    for (const DumpBlock block : kEffectDumps)
        messages.push_back(XgBulkDump({0x02, 0x01, block.low}, BlockBytes(image.effect, block)));
    for (std::uint8_t xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        const XgPartBytes& bytes = image.parts[xg_part];
        for (const DumpBlock block : kPartDumps) {
            messages.push_back(
                XgBulkDump({0x08, xg_part, block.low}, BlockBytes(bytes.multi_part, block)));
        }
    }
    for (std::uint8_t xg_part = 0; xg_part < kXgPartCount; ++xg_part) {
        const XgPartBytes& bytes = image.parts[xg_part];
        for (const std::uint8_t low : kPartEq)
            messages.push_back(
                ParameterChange({0x08, xg_part, low}, bytes.multi_part[low].value_or(0)));
        messages.push_back(ParameterChange({0x0A, xg_part, 0x20}, bytes.hpf.value_or(0)));
    }
    AddDrumSetupDumps(table, drums, messages);
    return messages;
}

SyxReadResult ReadSysExFile(std::span<const std::uint8_t> bytes, XgModuleImage& image) {
    std::vector<std::span<const std::uint8_t>> messages;
    SyxReadResult result;
    result.error = SplitSyxMessages(bytes, messages);
    if (result.error != SyxFileError::none) return result;
    XgModuleImage read = image;
    for (const std::span<const std::uint8_t> message : messages) {
        const std::optional<XgMessage> xg = ReadXgMessage(message);
        if (xg && ApplyToImage(*xg, read)) {
            ++result.taken;
        } else {
            ++result.skipped;
        }
    }
    image = read;
    return result;
}

}  // namespace kq505
