#pragma once
// The face every dialog of the program is laid out for.

#include <QFont>

namespace kq505 {

// "IPAPGothic" 9 pt, or "Noto Sans CJK JP" where it is not installed.
QFont DialogFont();

}  // namespace kq505
