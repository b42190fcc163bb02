#pragma once
// Track names as readable UTF-8 text in the set-up file, from and to the Shift_JIS bytes the
// program keeps. The text must give back the very bytes it was made from, so whatever is
// not a character that converts both ways is written as an escape:
//   \\    one backslash (byte 5C)
//   \xHH  the byte HH (two upper-case hex digits): a byte that is not part of a Shift_JIS
//         character, or a control byte (00..1F, 7F)
// Every other byte sequence stands as its character in UTF-8.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kq505 {

// Holds the converters, so that a file of many names opens them once.
class NameTextCodec {
  public:
    NameTextCodec();
    ~NameTextCodec();
    NameTextCodec(const NameTextCodec&) = delete;
    NameTextCodec& operator=(const NameTextCodec&) = delete;

    std::string ToText(std::string_view bytes);
    // The bytes again; none when the text is not UTF-8 or holds a character that Shift_JIS
    // cannot hold. A backslash not followed by "\\" or "xHH" stands for itself.
    std::optional<std::string> ToShiftJis(std::string_view text);

  private:
    struct Converters;
    std::unique_ptr<Converters> converters_;
};

std::string ShiftJisToText(std::string_view bytes);
std::optional<std::string> TextToShiftJis(std::string_view text);

}  // namespace kq505
