#include "files/settings_file.h"

#include <algorithm>

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "files/byte_fields.h"
#include "files/name_field.h"
#include "files/regular_file.h"
#include "model/part_table.h"

namespace kq505 {
namespace {

constexpr std::string_view kMagic = "KQSF1000";
constexpr std::size_t kMagicCheckSize = 9;  // the magic and the zero after it
constexpr std::size_t kLayerABlock = 16;
constexpr std::size_t kLayerBBlock = 48;
constexpr std::size_t kPartBlock = 80;
constexpr std::size_t kNameField = 87;
constexpr std::size_t kLoadedSize = kNameField + kNameFieldSize;  // nothing after it is read

// A layer block in file order (program before LSB); the B block uses the row after each.
constexpr std::array<Row, 20> kLayerBlockRows{
    bank_msb_a,  program_a,      bank_lsb_a,     reverb_a,         chorus_a,
    variation_a, pan_a,          brightness_a,   harmonic_a,       hpf_a,
    attack_a,    decay_a,        release_a,      vib_rate_a,       vib_depth_a,
    vib_delay_a, eq_bass_freq_a, eq_bass_gain_a, eq_treble_freq_a, eq_treble_gain_a};

// mix_sw is stored before mix, the other way round from the table.
constexpr std::array<Row, 7> kPartBlockRows{vol, exp, key_shift, porta_sw, porta_time, mix_sw, mix};

struct FieldRow {
    std::size_t offset;
    Row row;
};

constexpr std::array<FieldRow, kRowCount> MakeFileRows() {
    std::array<FieldRow, kRowCount> rows{};
    std::size_t i = 0;
    for (std::size_t k = 0; k < kLayerBlockRows.size(); ++k) {
        rows[i++] = {kLayerABlock + k, kLayerBlockRows[k]};
        rows[i++] = {kLayerBBlock + k, LayerRow(kLayerBlockRows[k], true)};
    }
    for (std::size_t k = 0; k < kPartBlockRows.size(); ++k) {
        rows[i++] = {kPartBlock + k, kPartBlockRows[k]};
    }
    return rows;
}

// Where every row of the table lies in the file.
constexpr std::array<FieldRow, kRowCount> kFileRows = MakeFileRows();

bool HasMagic(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kMagicCheckSize) return false;
    return std::equal(kMagic.begin(), kMagic.end(), bytes.begin()) && bytes[kMagic.size()] == 0;
}

std::string NameFrom(std::span<const std::uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

}  // namespace

std::array<std::uint8_t, kSettingsFileSize> SaveSettingsFile(const CKQ505App& app) {
    std::array<std::uint8_t, kSettingsFileSize> file{};
    PutText(file, 0, kMagic);
    for (const FieldRow& field : kFileRows) {
        file[field.offset] = static_cast<std::uint8_t>(app.Value(field.row) & 0xFF);
    }
    PutText(file, kNameField, NameFieldText(app.track_names[app.selected_part]));
    return file;
}

SettingsFileResult LoadSettingsFile(CKQ505App& app, std::span<const std::uint8_t> bytes) {
    if (!HasMagic(bytes) || bytes.size() < kLoadedSize) return SettingsFileResult::wrong_format;
    for (const FieldRow& field : kFileRows) {
        app.Value(field.row) = static_cast<std::int8_t>(bytes[field.offset]);
    }
    app.track_names[app.selected_part] = NameFrom(bytes.subspan(kNameField, kNameFieldSize));
    MarkSetupModified(app);
    return SettingsFileResult::ok;
}

SettingsFileResult LoadSettingsFile(CKQ505App& app, const std::filesystem::path& path) {
    // Bytes past the file's size are never read, so a longer file loads like its beginning.
    const std::optional<std::string> bytes =
        ReadRegularFile(path, kSettingsFileSize, Oversize::keep_prefix);
    if (!bytes) return SettingsFileResult::cannot_read;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    return LoadSettingsFile(app, std::span<const std::uint8_t>(data, bytes->size()));
}

std::string LoadedSelectorEntry(int part, std::string_view name) {
    const int number = part + 1;
    std::string entry = (number < 10 ? "#0" : "#") + std::to_string(number) + " ";
    entry.append(name);
    return entry;
}

}  // namespace kq505
