#include "instruments/instrument_list.h"

#include <array>
#include <cstddef>
#include <exception>
#include <optional>
#include <utility>

#include "app/kq505_app.h"
#include "files/regular_file.h"
#include "instruments/cakewalk_instruments.h"

namespace kq505 {
namespace {

struct Field {
    std::size_t column;
    std::size_t width;
};

constexpr Field kLsbField{2, 4};
constexpr Field kMsbField{6, 4};
constexpr Field kProgramField{10, 8};
constexpr Field kLevelField{18, 4};
constexpr std::size_t kNameColumn = 22;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A signed decimal number that starts at the field's first column and stops at the first
// non-digit, at the field's end or at the line's end, whichever comes first. A field that
// starts with anything but a sign or digit reads 0. At most eight bytes are read, so the
// value cannot overflow.
int ReadField(std::string_view line, Field field) {
    if (field.column >= line.size()) return 0;
    const std::string_view bytes = line.substr(field.column, field.width);
    std::size_t at = 0;
    const bool negative = bytes[0] == '-';
    if (negative || bytes[0] == '+') at = 1;
    int value = 0;
    for (; at < bytes.size() && IsDigit(bytes[at]); ++at)
        value = value * 10 + (bytes[at] - '0');
    return negative ? -value : value;
}

std::string_view ReadName(std::string_view line) {
    return line.size() > kNameColumn ? line.substr(kNameColumn) : std::string_view{};
}

bool InTable(int value, int size) {
    return value >= 0 && value < size;
}

// Calls `handle` with every line that starts with `letter` right after a CR LF pair. The line
// ends before its first CR or LF, so a short record never reaches into the next line.
template <typename Handle>
void ForEachRecord(std::string_view text, char letter, Handle handle) {
    const char marker_bytes[] = {'\r', '\n', letter};
    const std::string_view marker(marker_bytes, sizeof marker_bytes);
    for (auto found = text.find(marker); found != std::string_view::npos;
         found = text.find(marker, found + marker.size())) {
        std::string_view line = text.substr(found + 2);
        line = line.substr(0, line.find_first_of("\r\n"));
        handle(line);
    }
}

void TrimTrailingWhiteSpace(std::string& text) {
    const auto last = text.find_last_not_of(" \t\n\v\f\r");
    text.erase(last == std::string::npos ? 0 : last + 1);
}

}  // namespace

void ParseInstrumentList(std::string_view text, int module_level,
                         std::array<std::string, 8>& module_names,
                         std::array<std::string, 128>& map_names,
                         InstrumentNameTable& instrument_names) {
    ForEachRecord(text, 'L', [&](std::string_view line) {
        const int level = ReadField(line, kLevelField);
        if (!InTable(level, static_cast<int>(module_names.size()))) return;
        module_names[static_cast<std::size_t>(level)] = ReadName(line);
    });
    ForEachRecord(text, 'P', [&](std::string_view line) {
        const int msb = ReadField(line, kMsbField);
        if (ReadField(line, kLevelField) > module_level) return;
        if (!InTable(msb, static_cast<int>(map_names.size()))) return;
        std::string& name = map_names[static_cast<std::size_t>(msb)];
        name = ReadName(line);
        name += ' ';
    });
    ForEachRecord(text, 'M', [&](std::string_view line) {
        const int lsb = ReadField(line, kLsbField);
        const int msb = ReadField(line, kMsbField);
        const int program = ReadField(line, kProgramField) - 1;
        if (ReadField(line, kLevelField) > module_level) return;
        constexpr int kSize = InstrumentNameTable::kSize;
        if (!InTable(msb, kSize) || !InTable(program, kSize) || !InTable(lsb, kSize)) return;
        instrument_names.Set(msb, program, lsb, std::string(ReadName(line)));
    });
}

namespace {

struct Tables {
    std::array<std::string, 8> module_names;
    std::array<std::string, 128> map_names;
    InstrumentNameTable instrument_names;
};

bool ParseEitherFormat(std::string_view text, int module_level,
                       std::array<std::string, 8>& module_names,
                       std::array<std::string, 128>& map_names,
                       InstrumentNameTable& instrument_names) {
    if (IsCakewalkInstrumentFile(text)) {
        return ParseCakewalkInstruments(text, module_level, module_names, map_names,
                                        instrument_names);
    }
    ParseInstrumentList(text, module_level, module_names, map_names, instrument_names);
    return true;
}

}  // namespace

bool ParseInstrumentList(CKQ505App& app) {
    return ParseEitherFormat(app.instrument_text, app.module_level, app.module_names, app.map_names,
                             app.instrument_names);
}

bool LoadInstrumentList(CKQ505App& app) {
    return LoadInstrumentList(app, app.instrument_file_path);
}

bool LoadInstrumentList(CKQ505App& app, const std::filesystem::path& file) {
    // Start-up goes on to its window after any failure here, running out of memory included.
    try {
        std::optional<std::string> text =
            ReadRegularFile(file, kMaxInstrumentListBytes, Oversize::refuse);
        if (!text) return false;
        TrimTrailingWhiteSpace(*text);
        Tables tables;
        if (!ParseEitherFormat(*text, app.module_level, tables.module_names, tables.map_names,
                               tables.instrument_names)) {
            return false;
        }
        app.instrument_text = std::move(*text);
        app.module_names = std::move(tables.module_names);
        app.map_names = std::move(tables.map_names);
        app.instrument_names = std::move(tables.instrument_names);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ReloadSettings(CKQ505App& app) {
    app.map_names.fill({});
    app.instrument_names.Clear();
    bool parsed = false;
    try {
        parsed = ParseInstrumentList(app);
    } catch (const std::exception&) {
    }
    if (!parsed) {
        app.map_names.fill({});
        app.instrument_names.Clear();
    }
    return parsed;
}

}  // namespace kq505
