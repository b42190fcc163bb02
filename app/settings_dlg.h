#pragma once
// The settings dialog "環境設定": MIDI devices, tone-generator level, preview, export and
// start-up options. It moves values between its controls and a SettingsForm; what they
// mean and what OK does is settings_edit's.

#include <QDialog>
#include <optional>

#include "app/settings_edit.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

namespace kq505 {

class CKQ505App;

// Control identifiers of template 139.
enum SettingsControlId : int {
    kIdSettingsOutA = 1025,
    kIdSettingsModule = 1026,
    kIdSettingsOutB = 1027,
    kIdSettingsIn = 1028,
    kIdSettingsVelocity = 1030,
    kIdSettingsVelocityDisplay = 1031,
    kIdSettingsGate = 1032,
    kIdSettingsStep = 1033,
    kIdSettingsLogo = 1035,
    kIdSettingsPath = 1036,
    kIdSettingsSysExComments = 1037,
    kIdSettingsZoom = 1090,
    kIdSettingsPace = 1038,
    // Beyond the template: the play-through of the MIDI input.
    kIdSettingsThru = 1045,
    kIdSettingsThruChannel = 1046,
    kIdSettingsInputState = 1047,
    // The module's input.
    kIdSettingsModuleIn = 1048,
    kIdSettingsFollow = 1049,
};

// The first entry of the Out A, Out B, IN and Module IN lists: device -1, no connection.
inline constexpr const char* kNoConnectionEntry = "(接続しない / 仮想ポート)";

class CSettingsDlg : public QDialog {
    Q_OBJECT

  public:
    // Fills the lists from the system's devices and the level names, and shows the values of
    // the application object.
    explicit CSettingsDlg(const CKQ505App& app, QWidget* parent = nullptr);

    // Stays open, with a message and the field selected, while a field cannot be accepted.
    void accept() override;

    // The control of template 139 with this identifier (its object name is the number).
    QWidget* Control(int id) const;

    const SettingsLists& Lists() const { return lists_; }
    // The values of the controls; after OK, the accepted ones.
    SettingsForm Values() const;

  private:
    void CreateControls();
    void CreateLabels();
    void CreateThruControls();
    void CreateModuleControls();
    void FillLists();
    void ValuesToControls(const SettingsForm& form);
    void SelectField(SettingsField field);

    SettingsLists lists_;
    QComboBox* out_a_ = nullptr;
    QComboBox* out_b_ = nullptr;
    QComboBox* in_ = nullptr;
    QComboBox* module_ = nullptr;
    QSlider* velocity_ = nullptr;
    QLineEdit* velocity_display_ = nullptr;
    QLineEdit* gate_ = nullptr;
    QLineEdit* step_ = nullptr;
    QCheckBox* sysex_comments_ = nullptr;
    QCheckBox* logo_ = nullptr;
    QComboBox* zoom_ = nullptr;
    QLineEdit* path_ = nullptr;
    QCheckBox* thru_ = nullptr;
    QComboBox* thru_channel_ = nullptr;
    QCheckBox* pace_ = nullptr;
    QComboBox* module_in_ = nullptr;
    QCheckBox* follow_ = nullptr;
};

// The settings command: runs the dialog and, on OK, applies its values, telling the user
// when the INI file could not be written. After OK, what reopening the ports gave, for the
// caller to report; none after Cancel.
std::optional<PortOpenResult> RunSettingsDialog(CKQ505App& app, QWidget* parent);

}  // namespace kq505
