#pragma once
// Every message the program shows: a box titled "KQ505" with an OK button.

#include <QString>

class QWidget;

namespace kq505 {

void ShowMessage(QWidget* parent, const QString& text);

}  // namespace kq505
