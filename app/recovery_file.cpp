#include "app/recovery_file.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>
#include <system_error>
#include <utility>

#include "app/ini_store.h"
#include "files/regular_file.h"

namespace kq505 {
namespace {

constexpr std::string_view kSection = "Recovery";
constexpr std::string_view kPathKey = "original_path";
constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kSuffix = ".kqset";

// A path is any bytes; these would end the line or the quotes, or be taken for an escape.
bool NeedsEscape(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '%' || c == '"';
}

std::string EscapePath(std::string_view path) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string text;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (!NeedsEscape(byte)) {
            text += c;
            continue;
        }
        text += '%';
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

std::string UnescapePath(std::string_view text) {
    std::string path;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned value = 0;
        if (text[i] == '%' && i + 2 < text.size() &&
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr ==
                text.data() + i + 3) {
            path += static_cast<char>(value);
            i += 2;
        } else {
            path += text[i];
        }
    }
    return path;
}

// The process id of a recovery file's name, none for any other file.
std::optional<long> PidOfName(const std::string& name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
    const std::string_view digits(name.data() + kPrefix.size(),
                                  name.size() - kPrefix.size() - kSuffix.size());
    long pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || pid <= 0)
        return std::nullopt;
    return pid;
}

}  // namespace

std::filesystem::path RecoveryFolder(std::string_view xdg_state_home, std::string_view home) {
    const std::filesystem::path state(xdg_state_home);
    if (state.is_absolute()) return state / "kq505";
    const std::filesystem::path home_folder(home);
    if (home_folder.is_absolute()) return home_folder / ".local" / "state" / "kq505";
    return {};
}

std::filesystem::path RecoveryFilePath(const std::filesystem::path& folder, long pid) {
    return folder / (std::string(kPrefix) + std::to_string(pid) + std::string(kSuffix));
}

std::string RecoveryText(const CKQ505App& app) {
    std::string text = SetupFileText(CurrentSetup(app));
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += "\n[";
    text += kSection;
    text += "]\n";
    text += kPathKey;
    text += "=\"" + EscapePath(app.setup.path) + "\"\n";
    return text;
}

SetupReadResult ParseRecoveryText(std::string_view bytes, RecoveredSetup& recovered) {
    SetupData setup;
    const SetupReadResult result = ParseSetupFile(bytes, setup);
    if (result.error != SetupFileError::none) return result;
    const IniDocument ini = IniDocument::Parse(bytes);
    recovered.setup = std::move(setup);
    recovered.original_path = UnescapePath(ReadProfileString(ini, kSection, kPathKey, ""));
    return result;
}

SetupReadResult ReadRecoveryFile(const std::filesystem::path& path, RecoveredSetup& recovered) {
    const std::optional<std::string> bytes =
        ReadRegularFile(path, kSetupFileMaxSize, Oversize::refuse);
    if (!bytes) return {SetupFileError::cannot_read, {}};
    return ParseRecoveryText(*bytes, recovered);
}

std::vector<std::filesystem::path> OrphanedRecoveryFiles(const std::filesystem::path& folder,
                                                         const std::function<bool(long)>& running) {
    struct Found {
        std::filesystem::file_time_type time;
        std::filesystem::path path;
    };
    std::vector<Found> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::optional<long> pid = PidOfName(entry.path().filename().string());
        if (!pid || running(*pid)) continue;
        found.push_back({entry.last_write_time(error), entry.path()});
    }
    std::ranges::sort(found, [](const Found& a, const Found& b) {
        return a.time != b.time ? a.time > b.time : a.path < b.path;
    });
    std::vector<std::filesystem::path> paths;
    for (Found& file : found)
        paths.push_back(std::move(file.path));
    return paths;
}

bool ProcessRuns(long pid) {
    // EPERM: it runs, under another user.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace kq505
