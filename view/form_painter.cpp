#include "view/form_painter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTextLayout>
#include <QWidget>

#include <algorithm>
#include <limits>
#include <string_view>

namespace kq505 {
namespace {

// IPAPGothic's figures are wider than those the template was laid out with; condensed,
// "-64", "127" or "A64>B" fit their boxes instead of losing a sign or a digit.
constexpr int kFieldStretch = 85;
constexpr int kNarrowFieldStretch = 75;
// Cancels the line edit's own two-pixel inner margin, which the boxes leave no room for.
constexpr int kFieldMarginCorrection = -2;
// How far a label may be condensed to end before its neighbour.
constexpr int kMinLabelStretch = 70;

// Right-aligned text without a border keeps the inner margin on its right, off the label that
// may follow ("2.0k" before "Hz"), and is condensed a little more to fit the narrower room.
bool KeepsRightMargin(const FormControl& control) {
    return control.right && !control.border;
}

QFont FieldFontOf(const QFont& form_font, const FormControl& control) {
    QFont font = FieldFont(form_font);
    if (KeepsRightMargin(control)) font.setStretch(kNarrowFieldStretch);
    return font;
}

QMargins FieldTextMargins(const FormControl& control) {
    return {kFieldMarginCorrection, 0, KeepsRightMargin(control) ? 0 : kFieldMarginCorrection, 0};
}

Qt::Alignment FieldAlignment(const FormControl& control) {
    return (control.right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
}

QString Latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Pixels from x to the nearest control or label that starts right of it on the rows
// y .. y + height − 1.
int RoomRightOf(int x, int y, int height) {
    int room = std::numeric_limits<int>::max();
    const auto consider = [&](const PixelRect& r) {
        if (r.x > x && r.y < y + height && y < r.y + r.height) room = std::min(room, r.x - x);
    };
    for (const FormControl& control : kFormControls) {
        PixelRect rect = ToPixels(control.rect);
        if (control.kind == ControlKind::kCombo)
            rect.height = DialogUnitsToPixelsY(kComboFieldHeight);
        consider(rect);
    }
    for (const FormLabel& label : kFormLabels)
        consider(ToPixels({label.x, label.y, 1, kLabelHeight}));
    return room;
}

// The size of a single line of text, as a label of that text takes it.
QSize TextExtent(const QFont& font, const QString& text, int flags) {
    constexpr int kAmple = 2000;
    return QFontMetrics(font).boundingRect(QRect(0, 0, kAmple, kAmple), flags, text).size();
}

// IPAPGothic is wider than the face the template was laid out for: a caption that would run
// into its neighbour is condensed, never moved, until it ends a pixel before it.
QFont FittingFont(QFont font, const QString& text, int flags, int room) {
    for (int stretch = 95;
         TextExtent(font, text, flags).width() >= room && stretch >= kMinLabelStretch;
         stretch -= 5) {
        font.setStretch(stretch);
    }
    return font;
}

constexpr int kCaptionFlags = Qt::AlignLeft | Qt::AlignTop;

// Where a line edit without a frame puts its text: inside the text margins, two pixels in from
// the sides and one from the top; right-aligned text that fits ends a pixel before the right.
constexpr int kEditHorizontalMargin = 2;
constexpr int kEditVerticalMargin = 1;

}  // namespace

QFont FieldFont(QFont font) {
    font.setStretch(kFieldStretch);
    return font;
}

FormPainter::FormPainter(const QWidget& form) : form_(form) {}

QLineEdit* FormPainter::NewFieldEdit(QWidget* parent, const FormControl& control) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFrame(control.border);
    edit->setFont(FieldFontOf(parent->font(), control));
    edit->setTextMargins(FieldTextMargins(control));
    edit->setAlignment(FieldAlignment(control));
    // Display fields: they take no focus, so Tab walks the controls that edit.
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    return edit;
}

void FormPainter::AddField(const FormControl& control, const QRect& rect) {
    fields_.push_back({control.id,
                       rect,
                       FieldFontOf(form_.font(), control),
                       FieldTextMargins(control),
                       FieldAlignment(control),
                       {}});
}

void FormPainter::CreateLabels(QWidget* parent, const std::function<QWidget*(int)>& control) {
    for (const FormLabel& label : kFormLabels) {
        const QString text = Latin(label.text);
        const PixelRect place = ToPixels({label.x, label.y, 1, kLabelHeight});
        const int room = RoomRightOf(place.x, place.y, place.height);
        if (label.buddy == 0) {
            const QFont fitted = FittingFont(form_.font(), text, kCaptionFlags, room);
            captions_.push_back(
                {text, QRect(QPoint(place.x, place.y), TextExtent(fitted, text, kCaptionFlags)),
                 fitted});
            continue;
        }
        auto* widget = new QLabel(text, parent);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget->setBuddy(control(label.buddy));
        widget->setFont(
            FittingFont(form_.font(), text, kCaptionFlags | Qt::TextShowMnemonic, room));
        widget->adjustSize();
        widget->move(place.x, place.y);
    }
}

bool FormPainter::SetText(int id, const QString& text) {
    const auto found = std::ranges::find(fields_, id, &DrawnField::id);
    if (found == fields_.end() || found->text == text) return false;
    found->text = text;
    return true;
}

const DrawnField* FormPainter::Field(int id) const {
    const auto found = std::ranges::find(fields_, id, &DrawnField::id);
    return found == fields_.end() ? nullptr : &*found;
}

void FormPainter::Draw(QPainter& painter, const QRect& exposed) const {
    DrawFields(painter, exposed);
    DrawCaptions(painter, exposed);
}

void FormPainter::DrawCaptions(QPainter& painter, const QRect& exposed) const {
    painter.setPen(form_.palette().color(QPalette::WindowText));
    for (const FormCaption& caption : captions_) {
        if (!caption.rect.intersects(exposed)) continue;
        painter.setFont(caption.font);
        // A letter reaching out of the rectangle ("T" to the left) is cut, as a label cuts it.
        painter.setClipRect(caption.rect);
        painter.drawText(caption.rect, kCaptionFlags, caption.text);
    }
    painter.setClipping(false);
}

void FormPainter::DrawFields(QPainter& painter, const QRect& exposed) const {
    const QColor background = form_.palette().color(QPalette::Window);
    const QColor ink = form_.palette().color(QPalette::Text);
    for (const DrawnField& field : fields_) {
        if (!field.rect.intersects(exposed)) continue;
        painter.fillRect(field.rect, background);
        if (field.text.isEmpty()) continue;
        QTextLayout layout(field.text, field.font);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        const QRect inner = field.rect.marginsRemoved(field.margins);
        const QRect text_room =
            inner.adjusted(kEditHorizontalMargin, kEditVerticalMargin, -kEditHorizontalMargin, 0);
        const int width_used = qRound(line.naturalTextWidth()) + 1;
        const bool right = (field.alignment & Qt::AlignRight) && width_used <= text_room.width();
        const int scroll = right ? width_used - text_room.width() + 1 : 0;
        painter.save();
        painter.setClipRect(field.rect.intersected(inner));
        painter.setPen(ink);
        layout.draw(&painter, QPointF(text_room.x() - scroll, text_room.y()));
        painter.restore();
    }
}

}  // namespace kq505
