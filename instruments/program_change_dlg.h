#pragma once
// The program change dialog: a modeless tool window with the MAP, PC# and BANK lists of
// Port A and Port B. A choice writes the selected part's bank and program, sends them and,
// with Test Note checked, plays the preview note on that port until the gate ends.

#include <QDialog>

#include <array>

#include "instruments/program_change.h"

class QCheckBox;
class QListWidget;
class QTimer;

namespace kq505 {

class CKQ505App;

class CProgramChangeDlg : public QDialog {
    Q_OBJECT

  public:
    // Deletes itself when closed.
    CProgramChangeDlg(CKQ505App& app, QWidget* parent);
    // A test note still sounding is ended at once: the timer that would end it goes too.
    ~CProgramChangeDlg() override;

    // List 1042..1044 (Port A) or 1048..1050 (Port B); null for any other id.
    QListWidget* List(int id) const;
    QCheckBox* TestNoteCheck() const { return m_cTestNote; }
    // The gate of the test note on one port; each port has its own.
    QTimer* TestNoteTimer(Port port) const { return m_pTestNoteTimers[PortIndex(port)]; }

  signals:
    // A choice wrote the selected part's bank and program: the form shows them now.
    void VoiceChosen();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    enum Kind { kMap, kProgram, kBank };

    void CreateControls();
    void OnInitDialog();
    // The six lists in order: Port A's MAP, PC#, BANK, then Port B's.
    static Port PortOf(int list) { return list < 3 ? Port::A : Port::B; }
    static int PortIndex(Port port) { return port == Port::A ? 0 : 1; }
    static Kind KindOf(int list) { return static_cast<Kind>(list % 3); }
    void OnSelectionChanged(int list);
    void OnSelChange(int list);
    void OnTimer(Port port);
    // Fills the port's lists from `from` downwards and selects their positions.
    void ShowLists(Port port, Kind from);
    QListWidget* PortList(Port port, Kind kind) const;

    CKQ505App& app_;
    ProgramChangeLists lists_;
    std::array<QListWidget*, 6> m_cLists{};
    QCheckBox* m_cTestNote = nullptr;
    std::array<QTimer*, 2> m_pTestNoteTimers{};
    // The list under a pressed mouse button, and whether its selection moved since the press.
    int m_nPressedList = -1;
    bool m_bMovedWhilePressed = false;
};

}  // namespace kq505
