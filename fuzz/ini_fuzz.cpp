// Parses any bytes as a settings file, then sets one key and reads the text back: the bytes
// of the text must survive parsing, the key must read back, and no other key may change.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/ini_store.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A value that reads back as it was written: no white space around it, not in quotes.
bool ReadsBackUnchanged(std::string_view value) {
    if (value.empty()) return true;
    if (IsSpace(value.front()) || IsSpace(value.back())) return false;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return !quoted;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(64);
    const std::string other_section = input.ConsumeRandomLengthString(24);
    const std::string other_key = input.ConsumeRandomLengthString(24);
    const std::string text = input.ConsumeRemainingBytesAsString();

    kq505::IniDocument ini = kq505::IniDocument::Parse(text);
    Check(ini.Bytes() == text);
    const auto other_before = ini.Find(other_section, other_key);
    static_cast<void>(kq505::ReadProfileInt(ini, other_section, other_key, -1));

    if (!ini.Set(section, key, value)) {
        Check(ini.Bytes() == text);
        return 0;
    }
    const std::string written = ini.Bytes();
    const kq505::IniDocument again = kq505::IniDocument::Parse(written);
    Check(again.Bytes() == written);
    const auto read = again.Find(section, key);
    Check(read.has_value());
    if (ReadsBackUnchanged(value)) Check(*read == value);
    if (!SameName(section, other_section) || !SameName(key, other_key)) {
        Check(again.Find(other_section, other_key) == other_before);
    }

    kq505::IniDocument twice = again;
    Check(twice.Set(section, key, value) && twice.Bytes() == written);
    return 0;
}
