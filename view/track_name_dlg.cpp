#include "view/track_name_dlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "view/form_layout.h"
#include "view/text_codec.h"

namespace kq505 {
namespace {

// Template 135, in dialog units.
constexpr DialogRect kDialogSize{0, 0, 138, 63};
constexpr DialogRect kLabelRect{5, 5, 24, 12};
constexpr DialogRect kNameRect{5, 17, 128, 12};
constexpr DialogRect kOkRect{55, 44, 36, 14};
constexpr DialogRect kCancelRect{97, 44, 36, 14};

QRect Pixels(DialogRect r) {
    const PixelRect p = ToPixels(r);
    return {p.x, p.y, p.width, p.height};
}

// The longest leading run of whole characters whose Shift_JIS form fits `max_bytes`;
// nullopt when a character has no Shift_JIS form at all.
std::optional<QString> FittingPrefix(const QString& text, int max_bytes) {
    int bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype length = text.at(end).isHighSurrogate() ? 2 : 1;
        const std::optional<std::string> encoded = ToShiftJis(text.mid(end, length));
        if (!encoded) return std::nullopt;
        if (bytes + static_cast<int>(encoded->size()) > max_bytes) break;
        bytes += static_cast<int>(encoded->size());
        end += length;
    }
    return text.left(end);
}

}  // namespace

QValidator::State ShiftJisNameValidator::validate(QString& input, int& pos) const {
    const std::optional<QString> fitting = FittingPrefix(input, kMaxBytes);
    if (!fitting) return Invalid;
    if (fitting->size() < input.size()) {
        input = *fitting;
        pos = std::min(pos, static_cast<int>(input.size()));
    }
    return Acceptable;
}

CTrackNameDlg::CTrackNameDlg(const QString& label, const QString& name, QWidget* parent)
    : QDialog(parent), m_strLabel(label), m_strName(name) {
    setWindowTitle(QStringLiteral("TrackName入力"));
    setFixedSize(Pixels(kDialogSize).size());

    label_edit_ = new QLineEdit(m_strLabel, this);
    label_edit_->setObjectName(QStringLiteral("label"));
    label_edit_->setReadOnly(true);
    label_edit_->setFrame(false);
    label_edit_->setFocusPolicy(Qt::NoFocus);
    label_edit_->setGeometry(Pixels(kLabelRect));

    name_edit_ = new QLineEdit(this);
    name_edit_->setObjectName(QStringLiteral("name"));
    name_edit_->setValidator(new ShiftJisNameValidator(name_edit_));
    name_edit_->setText(m_strName);
    name_edit_->setGeometry(Pixels(kNameRect));

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    ok->setGeometry(Pixels(kOkRect));
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setGeometry(Pixels(kCancelRect));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    name_edit_->setFocus();
}

void CTrackNameDlg::accept() {
    m_strName = name_edit_->text();
    QDialog::accept();
}

}  // namespace kq505
