#pragma once
// The part detail window "ﾊﾟｰﾄ 詳細": a modeless tool window over the selected part's multi
// part values beside the table, the A layer and the B layer side by side, each value shown
// in its format, and the module's system block. Every change goes out at once and is one
// step of the edit history; a split or a velocity switch between the layers takes two
// clicks. The window follows the selected part, undo, a read of the module and a set-up.

#include <QDialog>

#include <array>
#include <bitset>

#include "xgpart/xg_part_params.h"

class QAbstractButton;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace kq505 {

class CKQ505App;

class CXgPartDlg : public QDialog {
    Q_OBJECT

  public:
    // Deletes itself when closed.
    CXgPartDlg(CKQ505App& app, QWidget* owner);

    // Shows the selected part's values and the system block again.
    void ShowValues();

    // The control of a value: a spin box, or a check box for a receive switch. Layer 0 is A.
    QWidget* ValueControl(int layer, int param) const;
    QSpinBox* SystemBox(int param) const { return system_[static_cast<std::size_t>(param)]; }
    QPushButton* SplitButton() const { return split_; }
    QPushButton* VelocitySwitchButton() const { return velocity_switch_; }
    // Whether a split waits for its key; the key is looked for on a timer, this looks now.
    bool WaitingForKey() const;
    void LookForKey();

  private:
    QGroupBox* Group(const char* title, QGridLayout*& grid);
    QWidget* MakeControl(int layer, int param);
    void AddRows(QGridLayout* grid, std::initializer_list<std::uint8_t> lows);
    QGroupBox* VoiceGroup();
    QGroupBox* LimitGroup();
    QGroupBox* VelocityGroup();
    QGroupBox* TuningGroup();
    QGroupBox* PitchEgGroup();
    QGroupBox* ControllerGroup();
    QGroupBox* ReceiveGroup();
    QGroupBox* SystemGroup();

    void OnValue(int layer, int param, int value);
    void OnSystemValue(int param, int value);
    void OnSplit();
    void OnVelocitySwitch();
    void StopWaiting(const QString& message);

    CKQ505App& app_;
    QLabel* part_ = nullptr;    // "ﾊﾟｰﾄ 1"
    QLabel* status_ = nullptr;  // what a split waits for, or what it made
    std::array<std::array<QWidget*, kXgPartParamCount>, 2> controls_{};
    std::array<QLineEdit*, 2> offsets_{};
    std::array<QSpinBox*, kXgSystemParamCount> system_{};
    QPushButton* split_ = nullptr;
    QPushButton* velocity_switch_ = nullptr;
    QTimer* key_timer_ = nullptr;
    std::bitset<128> notes_before_;
    bool showing_ = false;  // while the values are put into the controls, nothing is an edit
};

}  // namespace kq505
