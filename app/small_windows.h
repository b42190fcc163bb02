#pragma once
// The small windows of fixed content: the about box, the start-up logo and the tool window
// whose function is still to come. The modeless ones delete themselves when
// closed; their owner keeps only guarded pointers to them.

#include <QDialog>
#include <QWidget>

namespace kq505 {

// Modal; run with exec().
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// A captionless panel shown over the starting main window until its owner closes it.
class CLogoWnd : public QWidget {
    Q_OBJECT

  public:
    explicit CLogoWnd(QWidget* owner);
    // Puts the panel at its place in the owner's client area.
    void PlaceOver(const QWidget& owner);
};

}  // namespace kq505
