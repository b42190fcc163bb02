#include "files/kq505_doc.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QStatusBar>

#include <vector>

#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/program_startup.h"
#include "app/setup_state.h"
#include "files/settings_file.h"
#include "files/setup_file.h"
#include "files/smf_export.h"
#include "files/vardel_export.h"
#include "model/module_commands.h"
#include "model/module_take.h"
#include "model/part_compare.h"
#include "model/part_transmission.h"
#include "view/kq505_view.h"
#include "view/track_label.h"

namespace kq505 {
namespace {

const QString kUntitled = QStringLiteral("無題");

FileDialogRequest SettingsFileRequest(FileDialogRequest::Mode mode, const QString& initial) {
    return {mode,
            {QStringLiteral("KQ505 ﾌｧｲﾙ (*.kqs)"), QStringLiteral("すべてのﾌｧｲﾙ (*)")},
            QStringLiteral("kqs"),
            initial};
}

FileDialogRequest SetupFileRequest(FileDialogRequest::Mode mode, const QString& initial) {
    return {mode,
            {QStringLiteral("KQ505 ｾｯﾄｱｯﾌﾟ (*.kqset)"), QStringLiteral("すべてのﾌｧｲﾙ (*)")},
            QStringLiteral("kqset"),
            initial};
}

SaveAnswer AskWithMessageBox(QWidget* parent, const QString& setup_name) {
    const std::unique_ptr<QMessageBox> box = MakeSaveQuestion(parent, setup_name);
    switch (box->exec()) {
        case QMessageBox::Save:
            return SaveAnswer::kSave;
        case QMessageBox::Discard:
            return SaveAnswer::kDiscard;
        default:
            return SaveAnswer::kCancel;
    }
}

QString SetupName(const CKQ505App& app) {
    return app.setup.path.empty() ? QStringLiteral("ｾｯﾄｱｯﾌﾟ")
                                  : QFileInfo(QString::fromStdString(app.setup.path)).fileName();
}

FileDialogRequest SysExFileRequest(FileDialogRequest::Mode mode, const QString& initial) {
    return {mode,
            {QStringLiteral("SysExﾌｧｲﾙ (*.syx)"), QStringLiteral("すべてのﾌｧｲﾙ (*)")},
            QStringLiteral("syx"),
            initial};
}

QString AskWithFileDialog(QWidget* parent, const FileDialogRequest& request) {
    const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(parent, request);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().constFirst();
}

QString LoadFailureText(SettingsFileResult result) {
    return result == SettingsFileResult::wrong_format
               ? QStringLiteral("ファイルフォーマットが違います")
               : QStringLiteral("ファイルの読み込みに失敗しました");
}

}  // namespace

std::unique_ptr<QMessageBox> MakeSaveQuestion(QWidget* parent, const QString& setup_name) {
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Warning, QStringLiteral("KQ505"),
        setup_name + QStringLiteral(" への変更を保存しますか?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box->setDefaultButton(QMessageBox::Save);
    box->button(QMessageBox::Cancel)->setText(CancelCaption());
    return box;
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const FileDialogRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    const bool save = request.mode == FileDialogRequest::Mode::kSave;
    dialog->setWindowTitle(save ? QStringLiteral("名前を付けて保存") : QStringLiteral("開く"));
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.name_filters.isEmpty()) dialog->setNameFilters(request.name_filters);
    dialog->setDefaultSuffix(request.default_suffix);
    // Qt's own dialog on every platform, so the program behaves the same everywhere.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setLabelText(QFileDialog::Reject, CancelCaption());
    if (!request.initial_path.isEmpty()) dialog->selectFile(request.initial_path);
    return dialog;
}

bool WriteSetupFile(const QString& path, const SetupData& setup) {
    const std::string text = SetupFileText(setup);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return WriteFileSafely(path, std::span(bytes, text.size()));
}

bool WriteFileSafely(const QString& path, std::span<const std::uint8_t> bytes) {
    QSaveFile file(path);
    // Unbuffered: an error while flushing a buffer at commit would go unnoticed by QSaveFile,
    // which then puts the cut-off file in the place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    const auto size = static_cast<qint64>(bytes.size());
    const qint64 written = file.write(reinterpret_cast<const char*>(bytes.data()), size);
    if (written != size || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

CKQ505Doc::CKQ505Doc(CKQ505App& app, CMainFrame& frame)
    : app_(app),
      frame_(frame),
      ask_file_name_([&frame](const FileDialogRequest& request) {
          return AskWithFileDialog(&frame, request);
      }),
      ask_save_changes_([&frame, &app] { return AskWithMessageBox(&frame, SetupName(app)); }) {
    SetPathName({});
}

QString CKQ505Doc::Title() const {
    return path_name_.isEmpty() ? kUntitled : QFileInfo(path_name_).fileName();
}

void CKQ505Doc::OnFileNew() {
    // A document holds no values: every part and every name stays as it is.
    SetPathName({});
}

void CKQ505Doc::OnFileOpen() {
    const QString path =
        AskInLastFolder(SettingsFileRequest(FileDialogRequest::Mode::kOpen, path_name_));
    if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CKQ505Doc::OpenDocumentFile(const QString& path) {
    SettingsFileResult result = SettingsFileResult::cannot_read;
    // The part's values and its name come in as one step; a refused file makes none.
    app_.edit_history.Record(app_, StepKind::kPartFile,
                             [&] { result = LoadSettingsFile(app_, FileSystemPath(path)); });
    if (result != SettingsFileResult::ok) {
        ShowMessage(&frame_, LoadFailureText(result));
        return false;
    }
    RememberStoredPart(app_);
    const int part = app_.selected_part;
    CKQ505View& view = *frame_.View();
    view.SetTrackEntryText(part, LoadedSelectorEntry(part, app_.track_names[part]));
    view.RefreshPart();
    SetPathName(path);
    return true;
}

void CKQ505Doc::OnFileSave() {
    if (path_name_.isEmpty()) return OnFileSaveAs();
    SaveTo(path_name_);
}

void CKQ505Doc::OnFileSaveAs() {
    const QString path =
        AskInLastFolder(SettingsFileRequest(FileDialogRequest::Mode::kSave, path_name_));
    if (!path.isEmpty() && SaveTo(path)) SetPathName(path);
}

bool CKQ505Doc::SaveTo(const QString& path) {
    if (!WriteReported(path, SaveSettingsFile(app_))) return false;
    RememberStoredPart(app_);
    return true;
}

void CKQ505Doc::ExportVardelFile() {
    const QString path =
        AskExportPath(QStringLiteral("Vardel ﾌｧｲﾙ (*.vdl)"), QStringLiteral("vdl"));
    if (!path.isEmpty()) WriteReported(path, BuildVardelSong(app_));
}

void CKQ505Doc::ExportStandardMidiFile() {
    const QString path =
        AskExportPath(QStringLiteral("Standard MIDI File (*.mid)"), QStringLiteral("mid"));
    if (!path.isEmpty()) WriteReported(path, BuildStandardMidiFile(app_));
}

void CKQ505Doc::ExportSysExFile() {
    const QString setup = QString::fromStdString(app_.setup.path);
    const QString name = (setup.isEmpty() ? kUntitled : QFileInfo(setup).completeBaseName()) +
                         QStringLiteral(".syx");
    const QString beside = setup.isEmpty() ? name : QFileInfo(setup).dir().filePath(name);
    const QString path = AskInLastFolder(SysExFileRequest(FileDialogRequest::Mode::kSave, beside));
    if (!path.isEmpty()) WriteReported(path, SetupSysExFileBytes(app_));
}

void CKQ505Doc::OnSysExOpen() {
    const QString path = AskInLastFolder(SysExFileRequest(FileDialogRequest::Mode::kOpen, {}));
    if (!path.isEmpty()) OpenSysExFile(path);
}

bool CKQ505Doc::OpenSysExFile(const QString& path) {
    const SysExFileResult result = TakeSysExFile(app_, FileSystemPath(path));
    const std::string name = QFileInfo(path).fileName().toStdString();
    if (result.error != SyxFileError::none) {
        ShowMessage(&frame_, QString::fromStdString(SyxFileErrorText(result.error, name)));
        return false;
    }
    frame_.FollowModuleChange();
    frame_.statusBar()->showMessage(QString::fromStdString(SysExFileStatusText(result, name)));
    if (!result.differences.empty()) {
        ModuleReadSummary listed;
        listed.differences = result.differences;
        ShowMessage(&frame_, QString::fromStdString(ModuleReadDetails(listed)));
    }
    return true;
}

bool CKQ505Doc::WriteReported(const QString& path, std::span<const std::uint8_t> bytes) {
    if (WriteFileSafely(path, bytes)) return true;
    ShowMessage(&frame_, QFileInfo(path).fileName() + QStringLiteral(" に保存できませんでした"));
    return false;
}

bool CKQ505Doc::WriteSetupReported(const QString& path) {
    const std::string text = SetupFileText(CurrentSetup(app_));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return WriteReported(path, std::span(bytes, text.size()));
}

// The export is named after the document ("無題" while it has no file), beside it unless
// another folder was chosen since.
QString CKQ505Doc::AskExportPath(const QString& filter, const QString& suffix) {
    const QFileInfo document(Title());
    const QString name = document.completeBaseName() + '.' + suffix;
    const QString beside = path_name_.isEmpty() ? name : QFileInfo(path_name_).dir().filePath(name);
    return AskInLastFolder({FileDialogRequest::Mode::kSave,
                            {filter, QStringLiteral("すべてのﾌｧｲﾙ (*)")},
                            suffix,
                            beside});
}

QString CKQ505Doc::AskInLastFolder(FileDialogRequest request) {
    if (!last_folder_.isEmpty()) {
        request.initial_path =
            QDir(last_folder_).filePath(QFileInfo(request.initial_path).fileName());
    }
    const QString path = ask_file_name_(request);
    if (!path.isEmpty()) last_folder_ = QFileInfo(path).absolutePath();
    return path;
}

void CKQ505Doc::SetPathName(const QString& path) {
    // Absolute, so that a later Save finds the same file whatever the current folder.
    path_name_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    frame_.SetDocumentTitle(Title());
}

void CKQ505Doc::OnSetupOpen() {
    // The session's set-up takes what is opened in; the session decides when it is saved.
    if (!app_.setup.in_session && !SaveModifiedSetup()) return;
    const QString path = ask_file_name_(
        SetupFileRequest(FileDialogRequest::Mode::kOpen, QString::fromStdString(app_.setup.path)));
    if (path.isEmpty()) return;
    if (app_.setup.in_session) {
        ReadSetupIn(path);
    } else {
        LoadSetup(path);
    }
}

bool CKQ505Doc::OnSetupSave() {
    if (app_.setup.path.empty()) return OnSetupSaveAs();
    return SaveSetupTo(QString::fromStdString(app_.setup.path));
}

bool CKQ505Doc::OnSetupSaveAs() {
    const QString path = ask_file_name_(
        SetupFileRequest(FileDialogRequest::Mode::kSave, QString::fromStdString(app_.setup.path)));
    if (path.isEmpty()) return false;
    // Under a session a copy leaves; the set-up stays the session's.
    if (app_.setup.in_session) return WriteSetupReported(path);
    return SaveSetupTo(path);
}

void CKQ505Doc::OnRecentSetup(int index) {
    const QStringList recent = RecentSetups();
    if (index >= 0 && index < recent.size()) OpenSetupFile(recent.at(index));
}

bool CKQ505Doc::OpenSetupFile(const QString& path) {
    // A step of the history like any edit: the session's set-up is modified until it saves.
    if (app_.setup.in_session) return ReadSetupIn(path);
    return SaveModifiedSetup() && LoadSetup(path);
}

void CKQ505Doc::TakeSessionSetup(SetupData setup, const QString& path) {
    app_.edit_history.Record(app_, StepKind::kSetup, [&] { ApplySetup(app_, std::move(setup)); });
    ShowTakenSetup();
    MarkSetupClean(app_, path.toStdString());
}

bool CKQ505Doc::SaveModifiedSetup() {
    if (!IsSetupModified(app_)) return true;
    switch (ask_save_changes_()) {
        case SaveAnswer::kSave:
            return OnSetupSave();
        case SaveAnswer::kDiscard:
            return true;
        case SaveAnswer::kCancel:
            return false;
    }
    return false;
}

QStringList CKQ505Doc::RecentSetups() const {
    QStringList paths;
    if (app_.ini_path.empty()) return paths;
    const IniDocument ini = LoadIniFile(app_.ini_path).value_or(IniDocument{});
    for (const std::string& path : ReadRecentSetups(ini))
        paths << QString::fromStdString(path);
    return paths;
}

bool CKQ505Doc::SaveSetupTo(const QString& path) {
    if (!WriteSetupReported(path)) return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    MarkSetupClean(app_, absolute.toStdString());
    RememberSetup(absolute);
    return true;
}

bool CKQ505Doc::ReadSetupIn(const QString& path) {
    SetupReadResult result;
    // Opening a set-up is one step: undoing it brings back every part as it was.
    app_.edit_history.Record(app_, StepKind::kSetup,
                             [&] { result = LoadSetupFile(app_, FileSystemPath(path)); });
    if (result.error != SetupFileError::none) {
        const std::string name = QFileInfo(path).fileName().toStdString();
        ShowMessage(&frame_, QString::fromStdString(SetupFileErrorText(result, name)));
        return false;
    }
    ShowTakenSetup();
    SendOpenedSetup(app_);
    return true;
}

void CKQ505Doc::ShowTakenSetup() {
    CKQ505View& view = *frame_.View();
    for (int part = 0; part < kPartCount; ++part) {
        const std::string& name = app_.track_names[part];
        view.SetTrackEntryText(part, name.empty() ? PartLabel(part) : TrackEntryText(part, name));
    }
    view.RefreshPart();
    frame_.FollowEffectReset();
}

bool CKQ505Doc::LoadSetup(const QString& path) {
    if (!ReadSetupIn(path)) return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    MarkSetupClean(app_, absolute.toStdString());
    RememberSetup(absolute);
    return true;
}

void CKQ505Doc::RememberSetup(const QString& path) {
    // The settings file keeps the program's preferences, never a session's files.
    if (app_.ini_path.empty() || app_.setup.in_session) return;
    // A settings file that exists but cannot be read is not replaced.
    std::optional<IniDocument> ini = LoadIniFile(app_.ini_path);
    if (!ini) return;
    WriteRecentSetups(*ini, WithRecentSetup(ReadRecentSetups(*ini), path.toStdString()));
    SaveIniFile(app_.ini_path, *ini);
    frame_.UpdateRecentSetups();
}

}  // namespace kq505
