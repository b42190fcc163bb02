#pragma once
// The settings file in the private-profile INI format: "[section]" lines and "key=value"
// lines. Section and key names match without regard to ASCII case, white space around
// names and values does not count, and every line that is not changed is kept byte for
// byte, so a file edited by hand keeps its comments, blank lines, unknown sections and
// line ends. The text part needs no files, so it can be tested and fuzzed on its own.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq505 {

class IniDocument {
  public:
    // Every byte sequence is a document; nothing is rejected. Lines end at CR LF, LF or CR.
    static IniDocument Parse(std::string_view bytes);
    // The parsed bytes, with the changes made since.
    std::string Bytes() const;

    // The value of the first such key in the first section of this name, without the white
    // space around it and without one pair of enclosing quotes ("..." or '...'). None when
    // the section or key is absent; a line without '=' is no key.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Replaces the value of the key Find reads, in place, or adds the key after the last
    // non-blank line of its section, adding the section at the end when absent. New lines
    // end like the first line of the text, or with CR LF. False, with nothing changed, for a
    // name that would not read back (empty, white space around it, a line break, '=' in a
    // key or a key starting with '[') or a value with a line break.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // The text to Set so that Find gives `value` back as it is: in double quotes when it has
    // white space at either end or stands in quotes of its own; as it is otherwise, as
    // older files keep it.
    static std::string StoredValue(std::string_view value);

    // Every key line in file order, with the name of the section it stands in (empty before
    // the first header) and its value as Find gives it. One pass, for readers of many keys.
    void ForEachKey(const std::function<void(std::string_view section, std::string_view key,
                                             std::string_view value)>& visit) const;

  private:
    struct Line {
        std::string text;
        std::string_view end;  // "\r\n", "\n", "\r", or "" on a last line without one
    };

    std::optional<std::size_t> FindSection(std::string_view section) const;
    std::size_t SectionEnd(std::size_t header) const;
    void InsertLine(std::size_t at, std::string text);
    void AppendSection(std::string_view section, std::string text);

    std::string_view bom_;
    std::vector<Line> lines_;
    std::string_view new_line_end_ = "\r\n";
};

// Section and key names match as the store matches them: without regard to ASCII case.
bool IniNamesEqual(std::string_view a, std::string_view b);
// A whole number, with or without its sign, and nothing else: the values of the program's
// own sections, read strictly.
std::optional<std::int32_t> IniWholeNumber(std::string_view text);

// The stored text, or `fallback` when the section or key is absent. Read at full length.
std::string ReadProfileString(const IniDocument& ini, std::string_view section,
                              std::string_view key, std::string_view fallback);
// The number the stored text begins with (white space, an optional sign, decimal digits),
// of which only the first 15 characters count, as if read into a 16-character buffer; 0
// for text that does not begin with a number; held at the limits of int32 on overflow.
// `fallback` when the section or key is absent.
std::int32_t ReadProfileInt(const IniDocument& ini, std::string_view section, std::string_view key,
                            std::int32_t fallback);
// The value as "%d".
bool WriteProfileInt(IniDocument& ini, std::string_view section, std::string_view key,
                     std::int32_t value);

// The largest settings file read, as for a set-up file. The program's own keys take some
// hundred bytes; a longer file, however valid, would only hold up every start (a 60 MiB one
// by seconds) and is left alone instead.
inline constexpr std::size_t kMaxIniBytes = 1024 * 1024;

// The file's document; an empty one when the file is absent. None when the file exists but
// cannot be read or is longer than kMaxIniBytes, so that a writer does not replace a file it
// could not read.
std::optional<IniDocument> LoadIniFile(const std::filesystem::path& path);
// Whether the path names a regular file that LoadIniFile refuses for its length.
bool IsOversizedIniFile(const std::filesystem::path& path);
// Writes the document to a new file in the same folder (created when absent) and renames it
// over `path` (over the file a symbolic link names), so a failed write leaves the old file
// as it was. Keeps the old file's permissions. False, with nothing written, when the file is
// read-only. Removes temporary files of earlier writes to `path` that a writer left behind
// when it died before renaming (those older than a minute).
bool SaveIniFile(const std::filesystem::path& path, const IniDocument& ini);
// Whether a file can be created in the folder, tried with a probe file that is removed at
// once. Honest for every user: root can write to a folder of mode 0555, and nobody to a
// folder on a read-only mount.
bool IsWritableFolder(const std::filesystem::path& folder);

}  // namespace kq505
