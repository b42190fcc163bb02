#include "app/main_frame.h"

#include <signal.h>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <type_traits>
#include <vector>

#include "app/frame_commands.h"
#include "app/install_layout.h"
#include "app/kq505_app.h"
#include "app/lock_indicators.h"
#include "app/message_box.h"
#include "app/part_tools.h"
#include "app/program_startup.h"
#include "app/recovery_file.h"
#include "app/settings_dlg.h"
#include "app/setup_state.h"
#include "app/shell_targets.h"
#include "app/signal_pipe.h"
#include "app/small_windows.h"
#include "app/toolbar_icons.h"
#include "drums/drum_setup_dlg.h"
#include "effects/effect_edit_dlg.h"
#include "files/kq505_doc.h"
#include "instruments/instrument_list.h"
#include "instruments/program_change_dlg.h"
#include "model/midi_send.h"
#include "model/module_commands.h"
#include "model/module_session.h"
#include "model/part_transmission.h"
#include "model/play_through_send.h"
#include "view/kq505_view.h"
#include "view/soft_keyboard_dlg.h"
#include "view/track_label.h"
#include "xgpart/xg_part_dlg.h"

namespace kq505 {
namespace {

constexpr int kLogoMilliseconds = 2000;
constexpr int kServerLookMilliseconds = 500;
// The module's input is looked at often while a read waits for each reply, so that the read
// is bound by the module; between reads often enough that its own changes show at once.
constexpr int kReadPollMilliseconds = 5;
constexpr int kFollowPollMilliseconds = 20;

CMainFrame::RecoveryAnswer AskRestoreWithMessageBox(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("KQ505"), question, QMessageBox::NoButton,
                    parent);
    QPushButton* restore = box.addButton(QStringLiteral("復元"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("破棄"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.exec();
    // Only a deliberate 破棄 drops the changes; a box closed otherwise keeps them for later.
    if (box.clickedButton() == restore) return CMainFrame::RecoveryAnswer::kRestore;
    if (box.clickedButton() == discard) return CMainFrame::RecoveryAnswer::kDiscard;
    return CMainFrame::RecoveryAnswer::kKeep;
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QAction* MakeAction(const CommandText& command, QObject* parent) {
    auto* action = new QAction(Text(CaptionText(command)), parent);
    action->setObjectName(QString::number(command.id));
    action->setData(command.id);
    action->setStatusTip(Text(StatusTip(command)));
    action->setToolTip(Text(ToolTip(command)));
    // The exit command has no accelerator of its own but shows the window system's Alt+F4;
    // taking it keeps the caption true where no window manager handles that key.
    const std::string_view key = command.key.empty() ? CaptionShortcut(command) : command.key;
    if (!key.empty()) {
        action->setShortcut(QKeySequence(Text(key), QKeySequence::PortableText));
        // Plain letters act anywhere in the main window, whichever control has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    action->setIcon(ToolbarIcon(command.id));
    return action;
}

std::vector<std::filesystem::path> HelpFolders() {
    std::vector<std::filesystem::path> folders;
    folders.emplace_back(QCoreApplication::applicationDirPath().toStdString());
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::AppDataLocation)) {
        folders.emplace_back(folder.toStdString());
    }
    folders.push_back(
        ProgramDataFolder(QCoreApplication::applicationFilePath().toStdString(), KQ505_DATA_DIR));
    return folders;
}

bool StartMultimediaTool() {
#ifdef Q_OS_WIN
    return QProcess::startDetached(
        QStringLiteral("RUNDLL32.EXE"),
        {QStringLiteral("SHELL32.DLL,Control_RunDLL"), QStringLiteral("Mmsys.cpl")});
#else
    const auto lookup = [](std::string_view name) {
        return QStandardPaths::findExecutable(Text(name)).toStdString();
    };
    for (const std::string& tool : FindMultimediaTools(lookup)) {
        if (QProcess::startDetached(QString::fromStdString(tool), {})) return true;
    }
    return false;
#endif
}

void OpenAddress(std::string_view address) {
    QDesktopServices::openUrl(QUrl(Text(address)));
}

}  // namespace

CMainFrame::CMainFrame(CKQ505App& app, QWidget* parent) : QMainWindow(parent), app_(app) {
    // Caption, system menu and minimise box; no sizing border and no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(AppIcon());
    setAcceptDrops(true);
    SetDocumentTitle(QStringLiteral("無題"));

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    StartLogo();
    CreateView();
    doc_ = std::make_unique<CKQ505Doc>(app_, *this);
    part_tools_ = new CPartTools(app_, *this);
    ConnectCommands();
    recovery_timer_ = new QTimer(this);
    recovery_timer_->setObjectName(QStringLiteral("recoveryTimer"));
    connect(recovery_timer_, &QTimer::timeout, this, &CMainFrame::WriteRecovery);
    app_.setup.on_change = [this] {
        UpdateTitle();
        FollowSetupState();
    };
    UpdateRecentSetups();
    app_.edit_history.on_change = [this] {
        UpdateEditCommands();
        ShowDrumValues();
        ShowPartDetailValues();
    };
    UpdateEditCommands();
    ask_restore = [this](const QString& question) {
        return AskRestoreWithMessageBox(this, question);
    };

    module_session_ = std::make_unique<ModuleSession>(app_);
    module_timer_ = new QTimer(this);
    module_timer_->setObjectName(QStringLiteral("moduleTimer"));
    connect(module_timer_, &QTimer::timeout, this, &CMainFrame::PollModule);
    module_timer_->start(kFollowPollMilliseconds);

    auto* server_timer = new QTimer(this);
    connect(server_timer, &QTimer::timeout, this, &CMainFrame::LookAtServer);
    server_timer->start(kServerLookMilliseconds);
}

CMainFrame::~CMainFrame() {
    app_.setup.on_change = nullptr;
    app_.edit_history.on_change = nullptr;
    // The tool windows go before the frame's own members, so that nothing they report on
    // their way out reaches a half-destroyed frame.
    for (QPointer<QWidget>* window : {&program_change_dlg_, &effect_edit_dlg_, &drum_setup_dlg_,
                                      &part_detail_dlg_, &logo_wnd_, &soft_keyboard_dlg_}) {
        delete window->data();
    }
}

QAction* CMainFrame::Action(int command_id) const {
    const auto found = actions_.find(command_id);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::SetDocumentTitle(const QString& title) {
    part_title_ = title;
    UpdateTitle();
}

void CMainFrame::UpdateTitle() {
    std::string setup_name =
        app_.setup.path.empty()
            ? std::string()
            : FileSystemPath(QString::fromStdString(app_.setup.path)).filename().string();
    if (app_.setup.in_session && !app_.setup.session_name.empty())
        setup_name = app_.setup.session_name;
    const bool part_file_open = doc_ && !doc_->PathName().isEmpty();
    setWindowTitle(QString::fromStdString(MainWindowTitle(setup_name, part_title_.toStdString(),
                                                          part_file_open, IsSetupModified(app_))));
}

void CMainFrame::UpdateRecentSetups() {
    const QStringList recent = doc_ ? doc_->RecentSetups() : QStringList();
    for (int i = 0; i < static_cast<int>(kRecentSetupCount); ++i) {
        QAction* action = Action(kIdRecentSetup1 + i);
        const bool used = i < recent.size();
        action->setVisible(used);
        // "&&" keeps an ampersand of the path from becoming a mnemonic.
        if (used) {
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(
                QDir::toNativeSeparators(recent.at(i))
                    .replace(QLatin1Char('&'), QStringLiteral("&&"))));
        }
    }
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    if (path.endsWith(QStringLiteral(".kqset"), Qt::CaseInsensitive))
        return doc_->OpenSetupFile(path);
    if (path.endsWith(QStringLiteral(".syx"), Qt::CaseInsensitive))
        return doc_->OpenSysExFile(path);
    return doc_->OpenDocumentFile(path);
}

CLogoWnd* CMainFrame::LogoWindow() const {
    return qobject_cast<CLogoWnd*>(logo_wnd_.data());
}

int CMainFrame::LogoTimerId() const {
    return logo_timer_ && logo_timer_->isActive() ? logo_timer_id_ : 0;
}

void CMainFrame::CreateActions() {
    for (const CommandText& command : Commands()) {
        QAction* action = MakeAction(command, this);
        addAction(action);
        actions_[command.id] = action;
    }
    Action(kIdEditRedo)
        ->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (const int id : {kIdProgramChange, kIdEffectEdit, kIdDrumSetup, kIdPartDetail,
                         kIdSoftKeyboard, kIdViewToolbar, kIdViewStatusBar}) {
        Action(id)->setCheckable(true);
    }
}

void CMainFrame::CreateMenus() {
    QMenu* menu = nullptr;
    QMenu* submenu = nullptr;
    for (const MenuStep& step : MenuLayout()) {
        QMenu* target = submenu ? submenu : menu;
        switch (step.kind) {
            case MenuStep::kMenu:
                menu = menuBar()->addMenu(Text(step.title));
                break;
            case MenuStep::kSubmenu:
                submenu = menu->addMenu(Text(step.title));
                break;
            case MenuStep::kEndSubmenu:
                submenu = nullptr;
                break;
            case MenuStep::kSeparator:
                target->addSeparator();
                break;
            case MenuStep::kCommand:
                target->addAction(Action(step.id));
                break;
        }
    }
}

void CMainFrame::CreateToolBar() {
    tool_bar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    tool_bar_->setObjectName(QStringLiteral("toolbar"));
    tool_bar_->setIconSize(QSize(16, 15));
    tool_bar_->setMovable(true);
    tool_bar_->setFloatable(true);
    tool_bar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (const int id : ToolbarLayout()) {
        if (id == 0) {
            tool_bar_->addSeparator();
        } else {
            tool_bar_->addAction(Action(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, tool_bar_);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);  // the window has a fixed size
    auto* message = new QLabel(QStringLiteral("ﾚﾃﾞｨ"), bar);
    message->setObjectName(QStringLiteral("idleMessage"));
    // A normal widget: the bar covers it with each prompt and shows it again afterwards.
    bar->addWidget(message, 1);
    indicators_ = new LockIndicatorPanes(*bar);
}

void CMainFrame::CreateView() {
    view_ = new CKQ505View(app_, this);
    setCentralWidget(view_);
    // The window keeps the size that the form and the bars give it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void CMainFrame::RefreshLockIndicators() {
    indicators_->Refresh();
}

void CMainFrame::ShowMidiInputState() {
    // Most users keep In=0 and have no input: a word here, never a message box. Released
    // ports are closed on purpose and need none.
    const bool outputs_open = app_.midi_out_a->IsOpen() || app_.midi_out_b->IsOpen();
    const bool failed = outputs_open && !app_.midi_in->IsOpen();
    if (failed && midi_input_state_ == nullptr) {
        midi_input_state_ =
            new QLabel(QStringLiteral("MIDI INの初期化に失敗しました"), statusBar());
        midi_input_state_->setObjectName(QStringLiteral("midiInputState"));
        statusBar()->insertWidget(1, midi_input_state_);  // beside the idle text
    }
    if (midi_input_state_ != nullptr) midi_input_state_->setVisible(failed);
    const bool module_failed = ModuleInputFailed(app_);
    if (module_failed && module_input_state_ == nullptr) {
        module_input_state_ = new QLabel(Text(kModuleInputFailedText), statusBar());
        module_input_state_->setObjectName(QStringLiteral("moduleInputState"));
        statusBar()->insertWidget(1, module_input_state_);
    }
    if (module_input_state_ != nullptr) module_input_state_->setVisible(module_failed);
    if (app_.outputs_unchosen && outputs_state_ == nullptr) {
        outputs_state_ = new QLabel(Text(kOutputsUnchosenText), statusBar());
        outputs_state_->setObjectName(QStringLiteral("outputsState"));
        statusBar()->insertWidget(1, outputs_state_);
    }
    if (outputs_state_ != nullptr) outputs_state_->setVisible(app_.outputs_unchosen);
}

void CMainFrame::RunStartAction(StartAction action) {
    switch (action) {
        case StartAction::kSendAllParts:
            SendAllParts(app_);
            break;
        case StartAction::kReadModule:
            StartModuleRead(true);
            break;
        case StartAction::kNothing:
            break;
    }
}

void CMainFrame::ReportPortsOpened(const PortOpenResult& opened) {
    server_notice_.PortsOpened(opened);
    LookAtServer();
    if (const std::string message = PortFailureMessage(opened); !message.empty())
        ShowMessage(this, Text(message));
}

void CMainFrame::LookAtServer() {
    server_notice_.Look(app_.midi_server_lost());
    const bool shown = server_notice_.Shown();
    if (shown && server_state_ == nullptr) {
        server_state_ = new QLabel(Text(kServerLostText), statusBar());
        server_state_->setObjectName(QStringLiteral("serverState"));
        statusBar()->insertWidget(1, server_state_);  // beside the idle text
    }
    if (server_state_ == nullptr || server_state_->isVisibleTo(statusBar()) == shown) return;
    server_state_->setVisible(shown);
    ShowMidiInputState();  // a lost server closed the input too
}

void CMainFrame::SetRecoveryFile(std::filesystem::path path) {
    recovery_file_ = std::move(path);
    recovery_written_.clear();
    FollowSetupState();
}

void CMainFrame::FollowSetupState() {
    if (!IsSetupModified(app_)) {
        recovery_timer_->stop();
        RemoveRecovery();
    } else if (!recovery_timer_->isActive()) {
        recovery_timer_->start(kRecoveryIntervalMs);
    }
}

void CMainFrame::WriteRecovery() {
    if (recovery_file_.empty() || !IsSetupModified(app_)) return;
    const std::string text = RecoveryText(app_);
    if (text == recovery_written_) return;
    std::error_code error;
    std::filesystem::create_directories(recovery_file_.parent_path(), error);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    // A failure is tried again at the next tick; nothing the user does waits for it.
    if (WriteFileSafely(QString::fromStdU16String(recovery_file_.u16string()),
                        std::span(bytes, text.size()))) {
        recovery_written_ = text;
    }
}

void CMainFrame::RemoveRecovery() {
    if (recovery_file_.empty()) return;
    std::error_code error;
    std::filesystem::remove(recovery_file_, error);
    recovery_written_.clear();
}

void CMainFrame::OfferRecovery() {
    if (recovery_file_.empty()) return;
    for (const std::filesystem::path& found :
         OrphanedRecoveryFiles(recovery_file_.parent_path(), &ProcessRuns)) {
        switch (ask_restore(QStringLiteral("前回保存されなかった変更があります。復元しますか?"))) {
            case RecoveryAnswer::kRestore:
                if (RestoreFrom(found)) return;
                break;
            case RecoveryAnswer::kDiscard: {
                std::error_code error;
                std::filesystem::remove(found, error);
                break;
            }
            case RecoveryAnswer::kKeep:
                break;
        }
    }
}

bool CMainFrame::RestoreFrom(const std::filesystem::path& path) {
    RecoveredSetup recovered;
    const SetupReadResult result = ReadRecoveryFile(path, recovered);
    if (result.error != SetupFileError::none) {
        ShowMessage(this, QString::fromStdString(SetupFileErrorText(
                              result, QString::fromStdU16String(path.u16string()).toStdString())));
        return false;
    }
    app_.edit_history.Record(app_, StepKind::kSetup,
                             [&] { ApplySetup(app_, std::move(recovered.setup)); });
    for (int part = 0; part < kPartCount; ++part) {
        const std::string& name = app_.track_names[part];
        view_->SetTrackEntryText(part, name.empty() ? PartLabel(part) : TrackEntryText(part, name));
    }
    view_->RefreshPart();
    FollowEffectReset();
    MarkSetupRecovered(app_, std::move(recovered.original_path));
    // Kept in our own file before the other goes, so that no moment holds it nowhere.
    WriteRecovery();
    if (!recovery_written_.empty()) {
        std::error_code error;
        std::filesystem::remove(path, error);
    }
    return true;
}

void CMainFrame::CatchTerminationSignals() {
    signal_pipe_ =
        std::make_unique<SignalPipe>(std::initializer_list<int>{SIGTERM, SIGHUP, SIGINT});
    if (!signal_pipe_->IsValid()) return;
    signal_notifier_ = new QSocketNotifier(signal_pipe_->ReadFd(), QSocketNotifier::Read, this);
    connect(signal_notifier_, &QSocketNotifier::activated, this, [this] {
        if (signal_pipe_->TakeSignal()) EndBySignal();
    });
}

void CMainFrame::EndBySignal() {
    WriteRecovery();
    recovery_timer_->stop();
    view_->EndPreview();
    EndNotesAndCloseMidiPorts(app_);
    ended_by_signal_ = true;
    // exit, not quit: quit would ask the windows to close, and this one would ask to save.
    QCoreApplication::exit(0);
}

void CMainFrame::StartLogo() {
    if (app_.show_logo != 1) return;
    auto* logo = new CLogoWnd(this);
    logo_wnd_ = logo;
    logo->show();
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("logoTimer"));
    timer->setTimerType(Qt::PreciseTimer);  // a coarse timer may end the logo early
    connect(timer, &QTimer::timeout, this, &CMainFrame::OnLogoTimer);
    timer->start(kLogoMilliseconds);
    logo_timer_ = timer;
    logo_timer_id_ = timer->timerId();
}

void CMainFrame::OnLogoTimer() {
    if (logo_timer_) {
        logo_timer_->stop();
        logo_timer_->deleteLater();
    }
    logo_timer_id_ = 0;
    if (logo_wnd_) logo_wnd_->close();
}

void CMainFrame::ConnectCommands() {
    const auto on = [this](int id, auto&& handler) {
        connect(Action(id), &QAction::triggered, this, handler);
    };
    on(kIdFileNew, [this] { doc_->OnFileNew(); });
    on(kIdFileOpen, [this] { doc_->OnFileOpen(); });
    on(kIdFileSave, [this] { doc_->OnFileSave(); });
    on(kIdFileSaveAs, [this] { doc_->OnFileSaveAs(); });
    on(kIdSetupOpen, [this] { doc_->OnSetupOpen(); });
    on(kIdSetupSave, [this] { doc_->OnSetupSave(); });
    on(kIdSetupSaveAs, [this] { doc_->OnSetupSaveAs(); });
    for (int i = 0; i < static_cast<int>(kRecentSetupCount); ++i)
        on(kIdRecentSetup1 + i, [this, i] { doc_->OnRecentSetup(i); });
    on(kIdSendAllParts, [this] { SendAllParts(app_); });
    on(kIdExportVardel, [this] { doc_->ExportVardelFile(); });
    on(kIdExportSmf, [this] { doc_->ExportStandardMidiFile(); });
    on(kIdExportSysEx, [this] { doc_->ExportSysExFile(); });
    on(kIdSysExOpen, [this] { doc_->OnSysExOpen(); });
    on(kIdModuleRead, [this] { StartModuleRead(true); });
    on(kIdModuleReadPart, [this] { StartModuleRead(false); });
    on(kIdAppExit, [this] { close(); });
    on(kIdEffectEdit, [this] {
        // Hidden by its command, the window keeps what was edited in it, as with OK.
        auto* effects = qobject_cast<CEffectEditDlg*>(effect_edit_dlg_.data());
        if (effects && effects->isVisible()) return effects->accept();
        ToggleToolWindow<CEffectEditDlg>(effect_edit_dlg_);
    });
    on(kIdDrumSetup, [this] { ToggleToolWindow<CDrumSetupDlg>(drum_setup_dlg_); });
    on(kIdPartDetail, [this] { ToggleToolWindow<CXgPartDlg>(part_detail_dlg_); });
    on(kIdSoftKeyboard, [this] { ToggleToolWindow<CSoftKeyboardDlg>(soft_keyboard_dlg_); });
    on(kIdProgramChange, [this] {
        ToggleToolWindow<CProgramChangeDlg>(program_change_dlg_);
        // The form follows each choice at once, not only when it is activated again.
        if (auto* dialog = qobject_cast<CProgramChangeDlg*>(program_change_dlg_.data()))
            connect(dialog, &CProgramChangeDlg::VoiceChosen, view_,
                    &CKQ505View::RefreshInstrumentNames, Qt::UniqueConnection);
    });
    on(kIdEditUndo, [this] {
        view_->OnEditUndo();
        ShowEffectValues();
    });
    on(kIdEditRedo, [this] {
        view_->OnEditRedo();
        ShowEffectValues();
    });
    on(kIdXgSystemOn, [this] {
        view_->OnXgSystemOn();
        FollowEffectReset();
    });
    on(kIdGmSystemOn, [this] {
        view_->OnGmSystemOn();
        FollowEffectReset();
    });
    on(kIdSendAll, [this] { view_->OnSendAll(); });
    on(kIdPreviewPortA, [this] { view_->OnPreviewPortA(); });
    on(kIdPreviewPortB, [this] { view_->OnPreviewPortB(); });
    on(kIdPreviewLayer, [this] { view_->OnPreviewLayer(); });
    on(kIdSettings, [this] {
        view_->EndPreview();  // OK reopens the ports, perhaps on other devices
        if (const std::optional<PortOpenResult> opened = RunSettingsDialog(app_, this))
            ReportPortsOpened(*opened);
        ShowMidiInputState();
    });
    on(kIdMultimedia, [this] { OnMultimedia(); });
    on(kIdReinitialiseMidi, [this] {
        view_->EndPreview();
        ReportPortsOpened(ReinitialiseMidiPorts(app_));
        ShowMidiInputState();
    });
    on(kIdReleaseMidi, [this] {
        view_->EndPreview();
        CloseMidiPorts(app_);
        ShowMidiInputState();
    });
    on(kIdReloadSettings, [this] {
        if (!ReloadSettings(app_))
            ShowMessage(this, QStringLiteral("音色リストファイルを読み込めませんでした"));
        view_->RefreshInstrumentNames();  // the user asked for the new names: show them now
    });
    on(kIdHelp, [this] { OnHelp(); });
    on(kIdHomepage, [] { OpenAddress(kHomepageUrl); });
    on(kIdEmail, [] { OpenAddress(kAuthorMailUrl); });
    on(kIdAppAbout, [this] { OnAbout(); });
    on(kIdViewToolbar, [this](bool shown) { tool_bar_->setVisible(shown); });
    on(kIdViewStatusBar, [this](bool shown) { statusBar()->setVisible(shown); });

    connect(view_, &CKQ505View::PartSelected, this, &CMainFrame::ShowDrumValues);
    connect(view_, &CKQ505View::PartSelected, this, &CMainFrame::ShowPartDetailValues);
    Action(kIdViewToolbar)->setChecked(true);
    Action(kIdViewStatusBar)->setChecked(true);
    // The toolbar can also be hidden from its own context menu.
    connect(tool_bar_, &QToolBar::visibilityChanged, this,
            [this] { Action(kIdViewToolbar)->setChecked(!tool_bar_->isHidden()); });
}

template <class Window>
void CMainFrame::ToggleToolWindow(QPointer<QWidget>& window) {
    if (window && window->isVisible()) {
        window->close();
    } else {
        // A hidden leftover goes, so that only one window of each kind ever exists.
        if (window) window->deleteLater();
        Window* fresh = nullptr;
        // A window that works on the program's state gets the application object too.
        if constexpr (std::is_constructible_v<Window, CKQ505App&, QWidget*>) {
            fresh = new Window(app_, this);
        } else {
            fresh = new Window(this);
        }
        fresh->installEventFilter(this);
        connect(fresh, &QObject::destroyed, this, &CMainFrame::UpdateToolWindowChecks,
                Qt::QueuedConnection);
        window = fresh;
        fresh->show();
    }
    UpdateToolWindowChecks();
}

void CMainFrame::ShowEffectValues() {
    if (auto* effects = qobject_cast<CEffectEditDlg*>(effect_edit_dlg_.data()))
        effects->ShowValues();
}

void CMainFrame::FollowEffectReset() {
    if (auto* effects = qobject_cast<CEffectEditDlg*>(effect_edit_dlg_.data()))
        effects->FollowReset();
}

void CMainFrame::ShowDrumValues() {
    if (auto* drums = qobject_cast<CDrumSetupDlg*>(drum_setup_dlg_.data())) drums->ShowValues();
}

void CMainFrame::ShowPartDetailValues() {
    if (auto* detail = qobject_cast<CXgPartDlg*>(part_detail_dlg_.data())) detail->ShowValues();
}

void CMainFrame::FollowModuleChange() {
    view_->RefreshPart();
    FollowEffectReset();
}

void CMainFrame::StartModuleRead(bool whole) {
    if (module_session_->Reading()) return;
    const std::string refusal = ModuleReadRefusal(app_);
    if (!refusal.empty()) return ShowMessage(this, Text(refusal));
    // What the module sent of its own before the read is followed, not dropped with it.
    PollModule();
    std::vector<int> parts{app_.selected_part};
    if (whole) {
        parts.clear();
        for (int part = 0; part < kPartCount; ++part)
            parts.push_back(part);
    }
    module_session_->StartRead(whole, std::move(parts), ModuleSession::Clock::now());
    auto* progress = new QProgressDialog(this);
    progress->setObjectName(QStringLiteral("readProgress"));
    progress->setWindowTitle(QStringLiteral("ﾓｼﾞｭｰﾙから読込"));
    progress->setCancelButtonText(QStringLiteral("ｷｬﾝｾﾙ"));
    // Window-modal and not run by exec(): the event loop goes on serving the module.
    progress->setWindowModality(Qt::WindowModal);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    progress->setRange(0, static_cast<int>(module_session_->Reader()->Total()));
    connect(progress, &QProgressDialog::canceled, this, [this] {
        if (const std::optional<ModuleReadSummary> summary = module_session_->Cancel())
            EndModuleRead(*summary);
    });
    read_progress_ = progress;
    ShowReadProgress();
    progress->show();
    module_timer_->start(kReadPollMilliseconds);
}

QProgressDialog* CMainFrame::ReadProgressWindow() const {
    return read_progress_.data();
}

void CMainFrame::PollModule() {
    const std::size_t followed = module_session_->Followed();
    if (const std::optional<ModuleReadSummary> summary =
            module_session_->Poll(ModuleSession::Clock::now())) {
        return EndModuleRead(*summary);
    }
    if (module_session_->Followed() != followed) FollowModuleChange();
    ShowReadProgress();
}

void CMainFrame::ShowReadProgress() {
    const ModuleReader* reader = module_session_->Reader();
    if (!reader || !read_progress_) return;
    read_progress_->setLabelText(Text(ModuleReadProgressText(*reader)));
    read_progress_->setValue(static_cast<int>(reader->Position()));
}

void CMainFrame::EndModuleRead(const ModuleReadSummary& summary) {
    module_timer_->start(kFollowPollMilliseconds);
    if (read_progress_) {
        read_progress_->disconnect(this);
        read_progress_->hide();
        read_progress_->deleteLater();
        read_progress_.clear();
    }
    FollowModuleChange();
    const QString text = Text(ModuleReadSummaryText(summary));
    statusBar()->showMessage(text);
    const std::string details = ModuleReadDetails(summary);
    if (!details.empty()) ShowMessage(this, text + QStringLiteral("\n\n") + Text(details));
}

void CMainFrame::UpdateToolWindowChecks() {
    const auto shown = [](const QPointer<QWidget>& window) {
        return window && window->isVisible();
    };
    Action(kIdProgramChange)->setChecked(shown(program_change_dlg_));
    Action(kIdEffectEdit)->setChecked(shown(effect_edit_dlg_));
    Action(kIdDrumSetup)->setChecked(shown(drum_setup_dlg_));
    Action(kIdPartDetail)->setChecked(shown(part_detail_dlg_));
    Action(kIdSoftKeyboard)->setChecked(shown(soft_keyboard_dlg_));
}

void CMainFrame::UpdateEditCommands() {
    const EditHistory& history = app_.edit_history;
    const auto update = [this](int id, const EditStep* step, const QString& verb) {
        QAction* action = Action(id);
        action->setEnabled(step != nullptr);
        action->setStatusTip(step ? verb + QStringLiteral(": ") + Text(DescribeStep(*step))
                                  : Text(StatusTip(*FindCommand(id))));
    };
    update(kIdEditUndo, history.NextUndo(), QStringLiteral("元に戻す"));
    update(kIdEditRedo, history.NextRedo(), QStringLiteral("やり直し"));
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) UpdateToolWindowChecks();
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (logo_wnd_) LogoWindow()->PlaceOver(*this);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (doc_->SaveModifiedSetup()) {
        // Saved, or the user chose to drop the changes: nothing is left to recover.
        recovery_timer_->stop();
        RemoveRecovery();
        QMainWindow::closeEvent(event);
    } else {
        event->ignore();
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::ranges::any_of(urls, &QUrl::isLocalFile)) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) OpenDocumentFile(url.toLocalFile());
    }
    event->acceptProposedAction();
}

void CMainFrame::OnMultimedia() {
    if (!StartMultimediaTool()) {
        QStringList tools;
        for (std::string_view tool : MultimediaTools())
            tools << Text(tool);
        ShowMessage(this, QStringLiteral("マルチメディアプロパティの起動に失敗しました。\n"
                                         "見つからないか起動できなかったプログラム: ") +
                              tools.join(QStringLiteral(", ")));
    }
}

void CMainFrame::OnHelp() {
    const std::vector<std::filesystem::path> folders = HelpFolders();
    const QString page = QString::fromStdString(ChooseHelpPage(folders));
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page))) {
        ShowMessage(this,
                    QStringLiteral("ヘルプを開くプログラムが見つかりませんでした。\n") + page);
    }
}

void CMainFrame::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

}  // namespace kq505
