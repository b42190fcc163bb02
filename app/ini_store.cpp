#include "app/ini_store.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <system_error>

#include "files/regular_file.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace kq505 {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";
constexpr std::string_view kCr = "\r";
// The 16-character buffer numbers are read into, less its terminator.
constexpr std::size_t kNumberChars = 15;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// What one line is. The views point into the line's text.
struct Entry {
    enum class Kind { kOther, kSection, kKey };
    Kind kind = Kind::kOther;
    std::string_view name;
    std::string_view value;
};

// A '[' line is a header up to its last ']'; without one it is read like any other line.
Entry Classify(std::string_view text) {
    const std::string_view line = TrimLeft(text);
    if (line.starts_with('[')) {
        const std::size_t close = line.rfind(']');
        if (close != std::string_view::npos) {
            return {Entry::Kind::kSection, Trim(line.substr(1, close - 1)), {}};
        }
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return {};
    return {Entry::Kind::kKey, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

bool IsSection(const Entry& entry) {
    return entry.kind == Entry::Kind::kSection;
}

bool IsKey(const Entry& entry, std::string_view key) {
    return entry.kind == Entry::Kind::kKey && !key.empty() && IniNamesEqual(entry.name, key);
}

std::string_view Unquote(std::string_view value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A name that is stored the way it reads back.
bool IsStorableName(std::string_view name) {
    return !name.empty() && Trim(name) == name && !HasLineBreak(name);
}

bool IsStorableKey(std::string_view key) {
    return IsStorableName(key) && key.find('=') == std::string_view::npos && !key.starts_with('[');
}

std::string KeyLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line += value;
    return line;
}

// White space, an optional sign and decimal digits, as the C library's atoi reads them.
std::int32_t LeadingInteger(std::string_view text) {
    text = TrimLeft(text.substr(0, std::min(text.size(), kNumberChars)));
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        magnitude = std::min(magnitude * 10 + (c - '0'), kMax + 1);
    }
    const std::int64_t value = negative ? -magnitude : std::min(magnitude, kMax);
    return static_cast<std::int32_t>(value);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct NewFile {
    File file;
    fs::path path;
};

// A file of a name no other file has, opened exclusively, so that two writers never share
// one. None when the folder does not let us create it.
std::optional<NewFile> CreateUniqueFile(const fs::path& folder, const std::string& stem) {
    const auto seed = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path path = folder / (stem + "." + std::to_string(seed + attempt) + ".tmp");
        errno = 0;
        if (File file{std::fopen(path.string().c_str(), "wbx")}) {
            return NewFile{std::move(file), std::move(path)};
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

bool SyncToDisk([[maybe_unused]] std::FILE* file) {
#if defined(__unix__) || defined(__APPLE__)
    return ::fsync(::fileno(file)) == 0;
#else
    return true;
#endif
}

// Closes the file in every case; false when a byte may not have reached it.
bool WriteAndClose(File file, std::string_view bytes) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                         std::fflush(file.get()) == 0 && SyncToDisk(file.get());
    return std::fclose(file.release()) == 0 && written;
}

// The file the path names, through a symbolic link.
fs::path WriteTarget(const fs::path& path) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) return path;
    fs::path target = fs::canonical(path, error);
    return error ? path : target;
}

// A file that nobody may write to is the user's choice to keep it as it is; root, who may
// write anyway, is held to the same rule.
bool IsReadOnlyFile(const fs::path& target) {
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (error || !fs::is_regular_file(status)) return false;
    constexpr fs::perms kWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & kWrite) == fs::perms::none) return true;
#if defined(__unix__) || defined(__APPLE__)
    return ::access(target.c_str(), W_OK) != 0;
#else
    return false;
#endif
}

// How old a temporary file of ours must be before it counts as left by a writer that died
// between writing and renaming; a younger one may belong to a writer still at work.
constexpr auto kStaleTempAge = std::chrono::minutes(1);

// Whether `name` is one of CreateUniqueFile's names for `stem`: stem "." digits ".tmp".
bool IsTempNameOf(std::string_view name, std::string_view stem) {
    constexpr std::string_view kTail = ".tmp";
    if (!name.starts_with(stem) || !name.ends_with(kTail)) return false;
    name.remove_prefix(stem.size());
    name.remove_suffix(kTail.size());
    if (name.size() < 2 || name.front() != '.') return false;
    name.remove_prefix(1);
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void RemoveStaleTempFiles(const fs::path& folder, const std::string& stem) {
    std::error_code error;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!IsTempNameOf(it->path().filename().string(), stem)) continue;
        std::error_code entry_error;
        const auto written = fs::last_write_time(it->path(), entry_error);
        if (entry_error || now - written < kStaleTempAge) continue;
        if (!it->is_regular_file(entry_error) || entry_error) continue;
        fs::remove(it->path(), entry_error);
    }
}

// Fills the new file and renames it over the target, which keeps its permissions.
bool MoveIntoPlace(NewFile temp, const fs::path& target, std::string_view bytes) {
    std::error_code error;
    const fs::file_status old = fs::status(target, error);
    if (!WriteAndClose(std::move(temp.file), bytes)) return false;
    if (fs::exists(old)) fs::permissions(temp.path, old.permissions(), error);
    fs::rename(temp.path, target, error);
    return !error;
}

}  // namespace

bool IniNamesEqual(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, {}, LowerAscii, LowerAscii);
}

std::optional<std::int32_t> IniWholeNumber(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument ini;
    if (bytes.starts_with(kUtf8Bom)) {
        ini.bom_ = kUtf8Bom;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    while (!bytes.empty()) {
        const std::size_t stop = bytes.find_first_of("\r\n");
        if (stop == std::string_view::npos) {
            ini.lines_.push_back({std::string(bytes), {}});
            break;
        }
        const std::string_view end = bytes.substr(stop).starts_with(kCrLf) ? kCrLf
                                     : bytes[stop] == '\n'                 ? kLf
                                                                           : kCr;
        ini.lines_.push_back({std::string(bytes.substr(0, stop)), end});
        bytes.remove_prefix(stop + end.size());
    }
    if (!ini.lines_.empty() && !ini.lines_.front().end.empty()) {
        ini.new_line_end_ = ini.lines_.front().end;
    }
    return ini;
}

std::string IniDocument::Bytes() const {
    std::string bytes(bom_);
    for (const Line& line : lines_) {
        bytes += line.text;
        bytes += line.end;
    }
    return bytes;
}

std::optional<std::size_t> IniDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Entry entry = Classify(lines_[i].text);
        if (IsSection(entry) && IniNamesEqual(entry.name, section)) return i;
    }
    return std::nullopt;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    while (end < lines_.size() && !IsSection(Classify(lines_[end].text)))
        ++end;
    return end;
}

std::string IniDocument::StoredValue(std::string_view value) {
    if (Trim(value) == value && Unquote(value) == value) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

void IniDocument::ForEachKey(
    const std::function<void(std::string_view, std::string_view, std::string_view)>& visit) const {
    std::string_view section;
    for (const Line& line : lines_) {
        const Entry entry = Classify(line.text);
        if (IsSection(entry)) section = entry.name;
        if (entry.kind == Entry::Kind::kKey && !entry.name.empty())
            visit(section, entry.name, Unquote(entry.value));
    }
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
    const std::optional<std::size_t> header = FindSection(section);
    if (!header) return std::nullopt;
    const std::size_t end = SectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const Entry entry = Classify(lines_[i].text);
        if (IsKey(entry, key)) return std::string(Unquote(entry.value));
    }
    return std::nullopt;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableName(section) || !IsStorableKey(key) || HasLineBreak(value)) return false;
    const std::optional<std::size_t> header = FindSection(section);
    if (!header) {
        AppendSection(section, KeyLine(key, value));
        return true;
    }
    const std::size_t end = SectionEnd(*header);
    std::size_t last_filled = *header;
    for (std::size_t i = *header + 1; i < end; ++i) {
        const Entry entry = Classify(lines_[i].text);
        if (IsKey(entry, key)) {
            // The name keeps the spelling it has in the file; an unchanged value keeps the line.
            if (entry.value != value) lines_[i].text = KeyLine(entry.name, value);
            return true;
        }
        if (!Trim(lines_[i].text).empty()) last_filled = i;
    }
    InsertLine(last_filled + 1, KeyLine(key, value));
    return true;
}

void IniDocument::InsertLine(std::size_t at, std::string text) {
    if (lines_[at - 1].end.empty()) lines_[at - 1].end = new_line_end_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Line{std::move(text), new_line_end_});
}

void IniDocument::AppendSection(std::string_view section, std::string text) {
    if (!lines_.empty()) {
        if (lines_.back().end.empty()) lines_.back().end = new_line_end_;
        // A blank line between sections, unless the text ends with one already.
        if (!Trim(lines_.back().text).empty()) lines_.push_back({{}, new_line_end_});
    }
    lines_.push_back({"[" + std::string(section) + "]", new_line_end_});
    lines_.push_back({std::move(text), new_line_end_});
}

std::string ReadProfileString(const IniDocument& ini, std::string_view section,
                              std::string_view key, std::string_view fallback) {
    return ini.Find(section, key).value_or(std::string(fallback));
}

std::int32_t ReadProfileInt(const IniDocument& ini, std::string_view section, std::string_view key,
                            std::int32_t fallback) {
    const std::optional<std::string> text = ini.Find(section, key);
    return text ? LeadingInteger(*text) : fallback;
}

bool WriteProfileInt(IniDocument& ini, std::string_view section, std::string_view key,
                     std::int32_t value) {
    return ini.Set(section, key, std::to_string(value));
}

std::optional<IniDocument> LoadIniFile(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return IniDocument{};
    if (error) return std::nullopt;
    const std::optional<std::string> bytes = ReadRegularFile(path, kMaxIniBytes, Oversize::refuse);
    if (!bytes) return std::nullopt;
    return IniDocument::Parse(*bytes);
}

bool IsOversizedIniFile(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);  // an error for all but files
    return !error && size > kMaxIniBytes;
}

bool SaveIniFile(const fs::path& path, const IniDocument& ini) {
    const fs::path target = WriteTarget(path);
    if (target.filename().empty()) return false;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return false;
    if (IsReadOnlyFile(target)) return false;
    const std::string stem = "." + target.filename().string();
    RemoveStaleTempFiles(folder, stem);
    std::optional<NewFile> temp = CreateUniqueFile(folder, stem);
    if (!temp) return false;
    const fs::path temp_path = temp->path;
    if (MoveIntoPlace(std::move(*temp), target, ini.Bytes())) return true;
    fs::remove(temp_path, error);
    return false;
}

bool IsWritableFolder(const fs::path& folder) {
    std::optional<NewFile> probe = CreateUniqueFile(folder, ".kq505-write-probe");
    if (!probe) return false;
    probe->file.reset();
    std::error_code error;
    fs::remove(probe->path, error);
    return true;
}

}  // namespace kq505
