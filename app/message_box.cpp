#include "app/message_box.h"

#include <QMessageBox>

namespace kq505 {

void ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KQ505"), text, QMessageBox::Ok, parent);
    box.exec();
}

QString CancelCaption() {
    return QStringLiteral("ｷｬﾝｾﾙ");
}

}  // namespace kq505
