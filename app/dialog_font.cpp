#include "app/dialog_font.h"

#include <QStringList>

namespace kq505 {

QFont DialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSize(9);
    return font;
}

}  // namespace kq505
