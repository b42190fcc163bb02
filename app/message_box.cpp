#include "app/message_box.h"

#include <QMessageBox>

namespace kq505 {

void ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KQ505"), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace kq505
