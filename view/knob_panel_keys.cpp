#include "view/knob_panel_keys.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

#include <optional>

#include "app/kq505_app.h"
#include "view/knob_keys.h"
#include "view/knob_painter.h"

namespace kq505 {
namespace {

// The frame stands two pixels clear of the handle's circle.
constexpr int kFocusFrameGap = 2;

std::optional<KnobKey> KnobKeyOf(int key) {
    switch (key) {
        case Qt::Key_Left:
            return KnobKey::kLeft;
        case Qt::Key_Right:
            return KnobKey::kRight;
        case Qt::Key_Up:
            return KnobKey::kUp;
        case Qt::Key_Down:
            return KnobKey::kDown;
        case Qt::Key_PageUp:
            return KnobKey::kPageUp;
        case Qt::Key_PageDown:
            return KnobKey::kPageDown;
        case Qt::Key_Home:
            return KnobKey::kHome;
        default:
            return std::nullopt;
    }
}

}  // namespace

CKnobPanelKeys::CKnobPanelKeys(CKQ505App& app, QWidget* form)
    : QWidget(form), app_(app), current_(HandleCodeAt(0)) {
    const PixelRect bounds = PanelBounds();
    setGeometry(bounds.x, bounds.y, bounds.width, bounds.height);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Only Tab brings the focus here: clicks belong to the form's drag.
    setFocusPolicy(Qt::TabFocus);
}

void CKnobPanelKeys::SetCurrentHandle(int code) {
    if (code == current_ || !DecodeDragTarget(code)) return;
    current_ = code;
    update();
    emit CurrentHandleChanged(code);
}

void CKnobPanelKeys::Walk(int by) {
    SetCurrentHandle(HandleCodeAt(HandleIndexOf(current_) + by));
}

void CKnobPanelKeys::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return QWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_BracketLeft || event->key() == Qt::Key_BracketRight)
        return Walk(event->key() == Qt::Key_BracketRight ? 1 : -1);
    const std::optional<KnobKey> key = KnobKeyOf(event->key());
    if (!key) return QWidget::keyPressEvent(event);
    const std::optional<KeyMove> move = KeyMoveOf(app_, current_, *key);
    if (!move) return;
    // Each press, repeats included, is one step of its own, as a drag from press to release.
    DragResult result;
    app_.edit_history.Record(app_, StepKind::kKnob,
                             [&] { result = DragHandle(app_, current_, move->dx, move->dy); });
    emit HandleMoved(result);
}

bool CKnobPanelKeys::focusNextPrevChild(bool next) {
    // Tab walks the handles; past the last (or before the first) it leaves the panel.
    const int index = HandleIndexOf(current_);
    if (!hasFocus() || (next && index == kWalkedHandleCount - 1) || (!next && index == 0))
        return QWidget::focusNextPrevChild(next);
    Walk(next ? 1 : -1);
    return true;
}

void CKnobPanelKeys::focusInEvent(QFocusEvent* event) {
    // Coming in with Tab starts at the first handle, with Shift+Tab at the last.
    if (event->reason() == Qt::TabFocusReason) SetCurrentHandle(HandleCodeAt(0));
    if (event->reason() == Qt::BacktabFocusReason)
        SetCurrentHandle(HandleCodeAt(kWalkedHandleCount - 1));
    update();
    QWidget::focusInEvent(event);
}

void CKnobPanelKeys::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void CKnobPanelKeys::paintEvent(QPaintEvent*) {
    // Without the focus the panel is exactly what the form paints beneath.
    if (!hasFocus()) return;
    const std::optional<DragTarget> target = DecodeDragTarget(current_);
    if (!target) return;
    const Point centre =
        HandleCentre(target->kind, ReadLayerValues(app_, target->layer), target->layer);
    QPainter painter(this);
    painter.translate(-pos());
    painter.setClipRect(ToQRect(GraphBox(target->layer, GraphOf(target->kind))));
    QPen pen(palette().color(QPalette::HighlightedText));
    pen.setCosmetic(true);
    painter.setPen(pen);
    const QRect frame = HandleRect(centre).adjusted(-kFocusFrameGap, -kFocusFrameGap,
                                                    kFocusFrameGap, kFocusFrameGap);
    // drawRect of a w × h rectangle covers w + 1 × h + 1 pixels with a one-pixel pen.
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

}  // namespace kq505
