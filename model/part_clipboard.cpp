#include "model/part_clipboard.h"

#include <utility>

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "files/setup_file.h"

namespace kq505 {
namespace {

constexpr std::string_view kSectionStart = "[Part ";

std::string SectionHeader(int part) {
    return std::string(kSectionStart) + std::to_string(part + 1) + "]";
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool IsPartHeader(std::string_view line) {
    if (!line.starts_with(kSectionStart) || !line.ends_with(']')) return false;
    const std::string_view number =
        line.substr(kSectionStart.size(), line.size() - kSectionStart.size() - 1);
    if (number.empty() || number.size() > 2) return false;
    int value = 0;
    for (char c : number) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= kPartCount;
}

bool IsRowKey(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    const std::string_view key = Trimmed(line.substr(0, equals));
    for (const RowInfo& info : kRowInfo) {
        if (key.size() != info.name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < key.size() && same; ++i) {
            const char c = key[i] >= 'A' && key[i] <= 'Z' ? static_cast<char>(key[i] + 32) : key[i];
            same = c == info.name[i];
        }
        if (same) return true;
    }
    return false;
}

// The lines of the first part section, without its header; none without one that holds a
// row of the table.
std::optional<std::string> PartSectionBody(std::string_view text) {
    std::string body;
    bool inside = false;
    bool has_row = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!inside) {
            inside = IsPartHeader(line);
            continue;
        }
        if (line.starts_with('[')) break;
        has_row = has_row || IsRowKey(line);
        body.append(line);
        body += '\n';
    }
    if (!has_row) return std::nullopt;
    return body;
}

PartClip ClipOfPart(const CKQ505App& app, int part) {
    return {ColumnOf(app.part_table, part), app.track_names[part]};
}

}  // namespace

std::array<std::uint8_t, kSettingsFileSize> PartClipBytes(const CKQ505App& app) {
    return SaveSettingsFile(app);
}

std::string PartClipText(const CKQ505App& app) {
    const std::string text = SetupFileText(CurrentSetup(app));
    const std::string header = SectionHeader(app.selected_part) + "\n";
    const auto start = text.find("\n" + header);
    if (start == std::string::npos) return {};
    const auto end = text.find("\n\n", start + 1);
    return text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start);
}

std::optional<PartClip> ClipFromBytes(std::span<const std::uint8_t> bytes) {
    // The part file's own reader, on an application of its own.
    CKQ505App scratch;
    if (LoadSettingsFile(scratch, bytes) != SettingsFileResult::ok) return std::nullopt;
    return ClipOfPart(scratch, 0);
}

std::optional<PartClip> ClipFromText(std::string_view text) {
    const std::optional<std::string> body = PartSectionBody(text);
    if (!body) return std::nullopt;
    const std::string file = std::string(kSetupFormatLine) + "\n" + SectionHeader(0) + "\n" + *body;
    SetupData setup;
    if (ParseSetupFile(file, setup).error != SetupFileError::none) return std::nullopt;
    return PartClip{ColumnOf(setup.part_table, 0), setup.track_names[0]};
}

void PastePart(CKQ505App& app, const PartClip& clip) {
    app.edit_history.Record(app, StepKind::kPaste, [&] {
        PutPartValues(app, clip.values);
        std::string& name = app.track_names[app.selected_part];
        if (name == clip.name) return;
        name = clip.name;
        MarkSetupModified(app);
    });
}

void ApplyLayerOperation(CKQ505App& app, LayerOperation operation) {
    const int part = app.selected_part;
    PartColumn values = ColumnOf(app.part_table, part);
    std::array<PartInts CKQ505App::*, 3> positions_a{&CKQ505App::map_sel_a, &CKQ505App::pc_sel_a,
                                                     &CKQ505App::bank_sel_a};
    std::array<PartInts CKQ505App::*, 3> positions_b{&CKQ505App::map_sel_b, &CKQ505App::pc_sel_b,
                                                     &CKQ505App::bank_sel_b};
    const auto move = [&](std::int32_t& a, std::int32_t& b) {
        switch (operation) {
            case LayerOperation::kCopyAToB:
                b = a;
                break;
            case LayerOperation::kCopyBToA:
                a = b;
                break;
            case LayerOperation::kSwap:
                std::swap(a, b);
                break;
        }
    };
    for (int row = bank_msb_a; row < kRowCount; row += 2)
        move(values[row], values[row + 1]);
    app.edit_history.Record(app, StepKind::kLayerCopy, [&] {
        for (std::size_t i = 0; i < positions_a.size(); ++i)
            move((app.*positions_a[i])[part], (app.*positions_b[i])[part]);
        PutPartValues(app, values);
    });
}

}  // namespace kq505
