#pragma once
// The knob panel's place in the Tab order and its keys. An invisible widget over the panel:
// it takes the focus after the sliders, frames the handle in use while it has it, and turns
// keys into the same edits a drag makes. Mouse events go through it to the form beneath.

#include <QWidget>

#include "view/knob_geometry.h"

namespace kq505 {

class CKQ505App;

class CKnobPanelKeys : public QWidget {
    Q_OBJECT

  public:
    CKnobPanelKeys(CKQ505App& app, QWidget* form);

    CKQ505App& App() const { return app_; }
    // The drag target code of the handle the keys act on.
    int CurrentHandle() const { return current_; }
    // Makes this handle the one in use (a press on it with the mouse, for one).
    void SetCurrentHandle(int code);

  signals:
    // A key step changed the rows of the current handle (one step of the edit history).
    void HandleMoved(const kq505::DragResult& result);
    // Another handle is in use.
    void CurrentHandleChanged(int code);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void Walk(int by);

    CKQ505App& app_;
    int current_;
};

}  // namespace kq505
