#pragma once
// The one place where the program's Shift_JIS byte strings (track names, instrument names,
// as the files hold them) meet Qt's Unicode strings.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace kq505 {

QString FromShiftJis(std::string_view bytes);
// The bytes the files will hold; nullopt when a character has no Shift_JIS form.
std::optional<std::string> ToShiftJis(const QString& text);

}  // namespace kq505
