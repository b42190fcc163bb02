#pragma once
// Every message the program shows: a box titled "KQ505" with an OK button.

#include <QString>

class QWidget;

namespace kq505 {

void ShowMessage(QWidget* parent, const QString& text);

// The caption of every cancel button the program makes or takes from Qt, half-width as the
// program's other captions are; Qt's own would read "Cancel" or "キャンセル".
QString CancelCaption();

}  // namespace kq505
