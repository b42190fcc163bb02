#pragma once
// The soft keyboard window "KQ505 - SoftwareKeyboard": a keyboard of four octaves played
// with the mouse or the computer keys, on the selected part's channel, on Port A, Port B or
// both, through the play-through. The notes of the MIDI input are shown lit.

#include <QDialog>
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

#include "view/keyboard_layout.h"

class QButtonGroup;
class QLabel;
class QTimer;

namespace kq505 {

class CKQ505App;

// The keys themselves: painting and the mouse.
class SoftKeyboardKeys : public QWidget {
    Q_OBJECT

  public:
    SoftKeyboardKeys(CKQ505App& app, QWidget* parent);

    KeyboardLayout& Layout() { return layout_; }
    // Note on or off from a computer key or the mouse, through the play-through.
    void PlayNote(int note, int velocity);
    void EndNote(int note);
    // Which ports the notes go to (PortBits).
    void SetPorts(std::uint8_t ports) { ports_ = ports; }
    // Input notes are looked at on a timer; this looks now.
    void RefreshInputNotes();
    std::optional<int> MouseNote() const { return mouse_note_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void MouseTo(QPoint position);
    void EndMouseNote();

    CKQ505App& app_;
    KeyboardLayout layout_;
    std::uint8_t ports_;
    std::optional<int> mouse_note_;
    std::bitset<128> input_lit_;
};

class CSoftKeyboardDlg : public QDialog {
    Q_OBJECT

  public:
    CSoftKeyboardDlg(CKQ505App& app, QWidget* owner);
    ~CSoftKeyboardDlg() override;

    SoftKeyboardKeys& Keys() { return *keys_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void ShiftOctave(int octaves);
    void ShowRange();
    void EndKeyNotes();
    void EndAllNotes();

    CKQ505App& app_;
    SoftKeyboardKeys* keys_ = nullptr;
    QLabel* range_ = nullptr;
    QButtonGroup* ports_ = nullptr;
    QTimer* input_timer_ = nullptr;
    std::array<int, 128> key_notes_;  // by key code: the note a computer key holds, or -1
};

}  // namespace kq505
