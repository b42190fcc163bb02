#include "model/module_values.h"

#include <algorithm>
#include <utility>

namespace kq505 {
namespace {

constexpr std::uint8_t kNoteShift = 0x08;
constexpr std::uint8_t kVolume = 0x0B;
constexpr std::uint8_t kVelocitySenseOffset = 0x0D;
constexpr std::uint8_t kPortamentoSwitch = 0x67;
constexpr std::uint8_t kPortamentoTime = 0x68;
constexpr std::uint8_t kHpfCutoff = 0x20;
constexpr std::uint8_t kNoOffset = 64;
// The part's pan byte 0 is "random"; the table's pan is sent as control change 10, where 0
// is hard left, the byte 1.
constexpr std::uint8_t kRandomPan = 0;
constexpr std::uint8_t kHardLeft = 1;
constexpr std::uint8_t kCentre = 64;

bool IsPan(Row row) {
    return row == pan_a || row == pan_b;
}

constexpr std::array<std::pair<Row, std::uint8_t>, 19> kMultiPartRows{{
    {bank_msb_a, 0x01},
    {bank_lsb_a, 0x02},
    {program_a, 0x03},
    {reverb_a, 0x13},
    {chorus_a, 0x12},
    {variation_a, 0x14},
    {pan_a, 0x0E},
    {brightness_a, 0x18},
    {harmonic_a, 0x19},
    {attack_a, 0x1A},
    {decay_a, 0x1B},
    {release_a, 0x1C},
    {vib_rate_a, 0x15},
    {vib_depth_a, 0x16},
    {vib_delay_a, 0x17},
    {eq_bass_gain_a, 0x72},
    {eq_treble_gain_a, 0x73},
    {eq_bass_freq_a, 0x76},
    {eq_treble_freq_a, 0x77},
}};

constexpr std::array<Row, 20> kLayerRows{
    bank_msb_a,  bank_lsb_a,     program_a,      reverb_a,         chorus_a,
    variation_a, pan_a,          brightness_a,   harmonic_a,       hpf_a,
    attack_a,    decay_a,        release_a,      vib_rate_a,       vib_depth_a,
    vib_delay_a, eq_bass_freq_a, eq_bass_gain_a, eq_treble_freq_a, eq_treble_gain_a};

constexpr XgPartAddress Multi(std::uint8_t low) {
    return {XgPartBlock::multi_part, low};
}

// A data byte: the table may hold what no byte can (only a settings file brings it).
std::uint8_t Byte(std::int32_t value) {
    return static_cast<std::uint8_t>(std::clamp<std::int32_t>(value, 0, 127));
}

// The offsets of the A and B layer for a mix.
std::pair<std::uint8_t, std::uint8_t> MixOffsets(std::int32_t mix) {
    const std::int32_t m = std::clamp<std::int32_t>(mix, -64, 64);
    return {Byte(m > 0 ? kNoOffset - m : kNoOffset), Byte(m < 0 ? kNoOffset + m : kNoOffset)};
}

// The mix that gives these offsets, or none when no mix gives both.
std::optional<std::int32_t> MixOf(std::uint8_t a, std::uint8_t b) {
    if (b == kNoOffset && a <= kNoOffset) return kNoOffset - a;
    if (a == kNoOffset && b < kNoOffset) return b - kNoOffset;
    return std::nullopt;
}

class PartReader {
  public:
    PartReader(const XgModuleParts& module, int part, PartTable& table,
               std::vector<ModuleDifference>& differences)
        : a_(module[static_cast<std::size_t>(part)]),
          b_(module[static_cast<std::size_t>(part + kPartCount)]),
          part_(part),
          table_(table),
          differences_(differences) {}

    void Layers() {
        for (const Row row : kLayerRows) {
            const XgPartAddress address = *LayerRowAddress(row);
            Take(row, a_.At(address));
            Take(LayerRow(row, true), b_.At(address));
        }
    }

    // A random pan, which no control change can ask for, becomes the centre, and is listed.
    void Pans() {
        const XgPartAddress address = *LayerRowAddress(pan_a);
        for (const Row row : {pan_a, pan_b}) {
            const std::optional<std::uint8_t>& byte = (row == pan_a ? a_ : b_).At(address);
            if (byte != kRandomPan) continue;
            table_[row][static_cast<std::size_t>(part_)] = kCentre;
            differences_.push_back({part_, row, kCentre, *byte, *byte});
        }
    }

    // The part-wide rows: the A layer's value, with the B layer's listed when it differs.
    void Whole() {
        Both(vol, Multi(kVolume), [](std::uint8_t v) { return std::int32_t{v}; });
        Both(porta_sw, Multi(kPortamentoSwitch), [](std::uint8_t v) { return v ? 1 : 0; });
        Both(porta_time, Multi(kPortamentoTime), [](std::uint8_t v) { return std::int32_t{v}; });
        KeyShift();
        Mix();
    }

  private:
    void Take(Row row, const std::optional<std::uint8_t>& byte) {
        if (byte) table_[row][static_cast<std::size_t>(part_)] = *byte;
    }

    template <typename Meaning>
    void Both(Row row, XgPartAddress address, Meaning meaning) {
        const std::optional<std::uint8_t>& a = a_.At(address);
        const std::optional<std::uint8_t>& b = b_.At(address);
        if (!a) return;
        const std::int32_t value = meaning(*a);
        table_[row][static_cast<std::size_t>(part_)] = value;
        if (b && meaning(*b) != value) differences_.push_back({part_, row, value, *a, *b});
    }

    // The key shift moves the B layer only; a shifted A layer is listed. A layer whose byte
    // did not come holds what the table sent it.
    void KeyShift() {
        const std::optional<std::uint8_t>& a = a_.At(Multi(kNoteShift));
        const std::optional<std::uint8_t>& b = b_.At(Multi(kNoteShift));
        std::int32_t& shift = table_[key_shift][static_cast<std::size_t>(part_)];
        if (b) shift = *b;
        if (a && *a != kNoOffset)
            differences_.push_back({part_, key_shift, shift, *a, b.value_or(Byte(shift))});
    }

    void Mix() {
        const std::optional<std::uint8_t>& a = a_.At(Multi(kVelocitySenseOffset));
        const std::optional<std::uint8_t>& b = b_.At(Multi(kVelocitySenseOffset));
        if (!a && !b) return;
        std::int32_t& value = table_[mix_][static_cast<std::size_t>(part_)];
        const auto [sent_a, sent_b] = MixOffsets(value);
        const std::uint8_t offset_a = a.value_or(sent_a);
        const std::uint8_t offset_b = b.value_or(sent_b);
        const std::optional<std::int32_t> mix = MixOf(offset_a, offset_b);
        // Beyond what a mix can say, the A layer's offset alone decides, and the B layer's
        // is listed.
        value = mix.value_or(*MixOf(std::min(offset_a, kNoOffset), kNoOffset));
        if (!mix) differences_.push_back({part_, mix_, value, offset_a, offset_b});
    }

    static constexpr Row mix_ = Row::mix;
    const XgPartBytes& a_;
    const XgPartBytes& b_;
    int part_;
    PartTable& table_;
    std::vector<ModuleDifference>& differences_;
};

}  // namespace

std::optional<XgPartAddress> LayerRowAddress(Row a_row) {
    if (a_row == hpf_a) return XgPartAddress{XgPartBlock::multi_part_filter, kHpfCutoff};
    for (const auto& [row, low] : kMultiPartRows) {
        if (row == a_row) return Multi(low);
    }
    return std::nullopt;
}

std::optional<std::uint8_t>& XgPartBytes::At(XgPartAddress address) {
    return address.block == XgPartBlock::multi_part_filter ? hpf : multi_part[address.low & 0x7F];
}

const std::optional<std::uint8_t>& XgPartBytes::At(XgPartAddress address) const {
    return address.block == XgPartBlock::multi_part_filter ? hpf : multi_part[address.low & 0x7F];
}

void PartToModule(const PartTable& table, int part, XgModuleParts& module) {
    const auto p = static_cast<std::size_t>(part);
    XgPartBytes& a = module[p];
    XgPartBytes& b = module[p + kPartCount];
    for (const Row row : kLayerRows) {
        const XgPartAddress address = *LayerRowAddress(row);
        const std::uint8_t low = IsPan(row) ? kHardLeft : 0;
        a.At(address) = std::max(low, Byte(table[row][p]));
        b.At(address) = std::max(low, Byte(table[LayerRow(row, true)][p]));
    }
    for (XgPartBytes* layer : {&a, &b}) {
        layer->At(Multi(kVolume)) = Byte(table[vol][p]);
        layer->At(Multi(kPortamentoSwitch)) = table[porta_sw][p] == 1 ? 1 : 0;
        layer->At(Multi(kPortamentoTime)) = Byte(table[porta_time][p]);
    }
    b.At(Multi(kNoteShift)) = Byte(table[key_shift][p]);
    const auto [offset_a, offset_b] = MixOffsets(table[mix][p]);
    a.At(Multi(kVelocitySenseOffset)) = offset_a;
    b.At(Multi(kVelocitySenseOffset)) = offset_b;
}

void ModuleToPart(const XgModuleParts& module, int part, PartTable& table,
                  std::vector<ModuleDifference>& differences) {
    if (part < 0 || part >= kPartCount) return;
    PartReader reader(module, part, table, differences);
    reader.Layers();
    reader.Pans();
    reader.Whole();
}

}  // namespace kq505
