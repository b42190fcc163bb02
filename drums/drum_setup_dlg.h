#pragma once
// The drum setup window: a modeless tool window over the selected part's two part modes and
// one drum setup, every instrument a row and every parameter a column. Each change goes out
// at once and is one step of the edit history; the window follows the selected part, undo,
// a read of the module and a set-up opened.

#include <QDialog>

#include <array>

#include "drums/drum_setups.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace kq505 {

class CKQ505App;
class DrumTableModel;

class CDrumSetupDlg : public QDialog {
    Q_OBJECT

  public:
    // Deletes itself when closed.
    CDrumSetupDlg(CKQ505App& app, QWidget* owner);
    ~CDrumSetupDlg() override;

    // Shows the state again: the selected part's modes, and the setup they play when the part
    // or its modes changed since the last look; else the setup shown stays.
    void ShowValues();

    QTableView* Table() const { return table_; }
    // The setup shown, 0..3.
    int ShownSetup() const { return shown_setup_; }

  private:
    void OnModeChosen(int layer, int index);
    void OnSetupChosen(int index);
    void OnReset();
    void OnCellClicked(const QModelIndex& index);
    void EndNote();

    CKQ505App& app_;
    QLabel* part_ = nullptr;  // "ﾊﾟｰﾄ 10"
    DrumTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    std::array<QComboBox*, 2> modes_{};  // A layer, B layer
    QComboBox* setup_ = nullptr;
    QPushButton* reset_ = nullptr;
    QTimer* note_timer_ = nullptr;
    int shown_setup_ = 0;
    // The part and modes the setup was last followed for.
    int followed_part_ = -1;
    std::array<PartMode, 2> followed_modes_{};
};

}  // namespace kq505
