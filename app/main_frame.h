#pragma once
// The program's one main window: menu, accelerators, toolbar and status bar around the
// editor form, the start-up logo and the modeless tool windows, and the commands that are
// not about the edited part.

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/port_status.h"
#include "app/startup.h"

class QLabel;
class QProgressDialog;
class QSocketNotifier;
class QTimer;

namespace kq505 {

class CKQ505App;
class CKQ505Doc;
class CKQ505View;
class CLogoWnd;
class CPartTools;
class LockIndicatorPanes;
class ModuleSession;
struct ModuleReadSummary;
class SignalPipe;

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    // Builds the bars and, when the settings ask for it, the logo; then the editor view,
    // whose creation opens both MIDI outputs.
    explicit CMainFrame(CKQ505App& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of a command of the menu, e.g. 32772; null for any other number.
    QAction* Action(int command_id) const;
    CKQ505View* View() const { return view_; }
    // Copy and paste, the layers, compare, randomize and MIDI learn.
    CPartTools* PartTools() const { return part_tools_; }

    // The part file's title; the window title shows it with the set-up's name and mark.
    void SetDocumentTitle(const QString& title);
    // The title again, after the set-up's file or modified mark changed.
    void UpdateTitle();
    // The recent set-up entries of the file menu again, from the INI file.
    void UpdateRecentSetups();

    // A file given on the command line or dropped on the window: a ".kqset" file opens as
    // the set-up, a ".syx" file into the set-up, any other as the part file. True when the
    // file opened.
    bool OpenDocumentFile(const QString& path);
    CKQ505Doc& Document() const { return *doc_; }
    // The status bar's word on the MIDI input and on the module's input: whether each could
    // be opened with the outputs.
    void ShowMidiInputState();
    // What the start does once the ports are open.
    void RunStartAction(StartAction action);
    // Lights the lock panes from the keyboard; done once the window has painted, and again
    // on each key release and activation.
    void RefreshLockIndicators();
    // The effect edit window, while open, shows the effect blocks after a reset or a load.
    void FollowEffectReset();
    // The same after an undo or redo, which may have changed them.
    void ShowEffectValues();
    // The form, its knob panel and the effect edit window show what the module (a read, its
    // own change, or a .syx file) brought into the set-up.
    void FollowModuleChange();

    // Reads the effect blocks and all 16 parts from the module (`whole`), or the selected
    // part; the window stays live, and the progress window can cancel the read.
    void StartModuleRead(bool whole);
    // The progress window of the read in progress; null while none runs.
    QProgressDialog* ReadProgressWindow() const;

    // Where the unsaved set-up is kept aside while it is modified; empty keeps nothing.
    void SetRecoveryFile(std::filesystem::path path);
    const std::filesystem::path& RecoveryFile() const { return recovery_file_; }
    // Offers, one by one, the recovery files in the folder of ours that programs no longer
    // running left behind; a restored one ends the offers. A file that cannot be read is
    // reported and kept.
    void OfferRecovery();
    // The answer to the question of OfferRecovery; kKeep (the box closed some other way)
    // leaves the file for the next start. Tests answer it themselves.
    enum class RecoveryAnswer { kRestore, kDiscard, kKeep };
    std::function<RecoveryAnswer(const QString& question)> ask_restore;
    // From now on SIGTERM, SIGHUP and SIGINT end the program through EndBySignal.
    void CatchTerminationSignals();
    // Keeps the unsaved set-up, ends every held note, closes the ports and leaves the event
    // loop without asking anything.
    void EndBySignal();
    // A signal may come while a question of the start-up waits, before the event loop runs.
    bool EndedBySignal() const { return ended_by_signal_; }
    // After a command opened the ports: a box for each output that failed, as at start.
    void ReportPortsOpened(const PortOpenResult& opened);
    // Looks whether the ports' server has gone; a timer does so every half second.
    void LookAtServer();

    // The modeless windows while they exist; null once they have deleted themselves.
    QWidget* ProgramChangeWindow() const { return program_change_dlg_; }
    QWidget* EffectEditWindow() const { return effect_edit_dlg_; }
    QWidget* DrumSetupWindow() const { return drum_setup_dlg_; }
    QWidget* PartDetailWindow() const { return part_detail_dlg_; }
    QWidget* SoftKeyboardWindow() const { return soft_keyboard_dlg_; }
    CLogoWnd* LogoWindow() const;
    // The logo timer's id while it runs, else 0.
    int LogoTimerId() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // A modified set-up is offered for saving; Cancel or a failed save keeps the window.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateView();
    void StartLogo();
    void ConnectCommands();

    void OnLogoTimer();
    template <class Window>
    void ToggleToolWindow(QPointer<QWidget>& window);
    void UpdateToolWindowChecks();
    // The drum setup window, while open, shows the state again: after every step of the edit
    // history, undo and redo included, and when another part is chosen.
    void ShowDrumValues();
    // The part detail window, while open, shows the state again, at the same moments.
    void ShowPartDetailValues();
    // Undo and redo greyed out when there is nothing to take back or do again; their status
    // text names the step.
    void UpdateEditCommands();
    void OnMultimedia();
    void OnHelp();
    void OnAbout();
    void FollowSetupState();
    void WriteRecovery();
    void RemoveRecovery();
    bool RestoreFrom(const std::filesystem::path& path);
    // Serves the module's input: the read in progress, or the module's own changes.
    void PollModule();
    void ShowReadProgress();
    void EndModuleRead(const ModuleReadSummary& summary);

    CKQ505App& app_;
    QString part_title_;
    std::map<int, QAction*> actions_;
    QToolBar* tool_bar_ = nullptr;
    LockIndicatorPanes* indicators_ = nullptr;
    QLabel* midi_input_state_ = nullptr;
    QLabel* module_input_state_ = nullptr;
    QLabel* server_state_ = nullptr;
    QLabel* outputs_state_ = nullptr;
    ServerLossNotice server_notice_;
    std::filesystem::path recovery_file_;
    std::string recovery_written_;  // what the file holds now; empty while there is none
    QTimer* recovery_timer_ = nullptr;
    std::unique_ptr<SignalPipe> signal_pipe_;
    QSocketNotifier* signal_notifier_ = nullptr;
    bool ended_by_signal_ = false;
    CKQ505View* view_ = nullptr;
    CPartTools* part_tools_ = nullptr;
    std::unique_ptr<CKQ505Doc> doc_;
    std::unique_ptr<ModuleSession> module_session_;
    QTimer* module_timer_ = nullptr;
    QPointer<QProgressDialog> read_progress_;

    QPointer<QTimer> logo_timer_;
    int logo_timer_id_ = 0;
    QPointer<QWidget> program_change_dlg_;
    QPointer<QWidget> effect_edit_dlg_;
    QPointer<QWidget> drum_setup_dlg_;
    QPointer<QWidget> part_detail_dlg_;
    QPointer<QWidget> logo_wnd_;
    QPointer<QWidget> soft_keyboard_dlg_;
};

}  // namespace kq505
