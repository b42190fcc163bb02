#include "app/lock_indicators.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>

namespace kq505 {
namespace {

const std::array<QString, 4> kPaneTexts = {QStringLiteral("ｶﾅ"), QStringLiteral("CAP"),
                                           QStringLiteral("NUM"), QStringLiteral("SCRL")};

void* X11Display() {
#if QT_CONFIG(xcb)
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        return x11->display();
    }
#endif
    return nullptr;
}

}  // namespace

std::optional<LockStates> ReadLockStates() {
    void* display = X11Display();
    if (!display) return std::nullopt;
    return ReadX11Locks(display);
}

LockIndicatorPanes::LockIndicatorPanes(QStatusBar& bar) : QObject(&bar) {
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        auto* pane = new QLabel(&bar);
        pane->setObjectName(kPaneTexts[i]);
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // Wide enough for the lit text, so the bar does not shift as a lock changes.
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(kPaneTexts[i]) + 8);
        bar.addPermanentWidget(pane);
        panes_[i] = pane;
    }
    // Locks change with key presses in any of the program's windows, and while another
    // program has the keyboard.
    qApp->installEventFilter(this);
}

void LockIndicatorPanes::Show(const std::optional<LockStates>& states) {
    const LockStates lit = states.value_or(LockStates{});
    const std::array<bool, 4> on = {lit.kana, lit.caps, lit.num, lit.scroll};
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        panes_[i]->setText(on[i] ? kPaneTexts[i] : QString());
    }
}

bool LockIndicatorPanes::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type == QEvent::KeyRelease || type == QEvent::ApplicationActivate) Refresh();
    return QObject::eventFilter(watched, event);
}

}  // namespace kq505
