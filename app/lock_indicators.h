#pragma once
// The status bar's four lock panes, lit from the keyboard's indicators where the window
// system tells them, blank where it does not.

#include <QObject>
#include <array>
#include <optional>

#include "app/lock_indicators_x11.h"

class QLabel;
class QStatusBar;

namespace kq505 {

// The keyboard's lock indicators; none on a platform that does not report them.
std::optional<LockStates> ReadLockStates();

class LockIndicatorPanes : public QObject {
    Q_OBJECT

  public:
    // Adds the panes "ｶﾅ", "CAP", "NUM", "SCRL" to the right of the bar, in this order,
    // blank until the first Refresh().
    explicit LockIndicatorPanes(QStatusBar& bar);

    void Show(const std::optional<LockStates>& states);
    void Refresh() { Show(ReadLockStates()); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::array<QLabel*, 4> panes_{};
};

}  // namespace kq505
