#pragma once
// The document: the file commands of the main window and the two exports. It holds no
// values of its own; a settings file is the selected part of the application object, and
// the document only remembers which file it was last saved to or opened from.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "files/setup_file.h"

class QFileDialog;
class QMessageBox;
class QWidget;

namespace kq505 {

class CKQ505App;
class CMainFrame;

// What a file dialog is asked for. The dialog itself adds the default suffix to a name
// typed without one and asks before an existing file is overwritten.
struct FileDialogRequest {
    enum class Mode { kOpen, kSave };
    Mode mode = Mode::kOpen;
    QStringList name_filters;  // empty: every file
    QString default_suffix;    // without the dot
    QString initial_path;      // file name or path shown first
};

// The dialog as the program shows it, not yet run.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const FileDialogRequest& request);
// "<name> への変更を保存しますか?" with Save, Discard and ｷｬﾝｾﾙ, not yet run.
std::unique_ptr<QMessageBox> MakeSaveQuestion(QWidget* parent, const QString& setup_name);

// The one way the program writes a file: into a temporary file beside it that then takes
// the file's place, so a failed write leaves an existing file whole. False on any failure.
bool WriteFileSafely(const QString& path, std::span<const std::uint8_t> bytes);

// The set-up's file text written through WriteFileSafely.
bool WriteSetupFile(const QString& path, const SetupData& setup);

// The answers to "save the changes to the set-up?".
enum class SaveAnswer { kSave, kDiscard, kCancel };

class CKQ505Doc {
  public:
    // The chosen path, or an empty text when the user cancels.
    using AskFileName = std::function<QString(const FileDialogRequest&)>;
    using AskSaveChanges = std::function<SaveAnswer()>;

    CKQ505Doc(CKQ505App& app, CMainFrame& frame);

    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void ExportVardelFile();
    void ExportStandardMidiFile();
    // The whole set-up as a .syx file, named after the set-up's file.
    void ExportSysExFile();
    void OnSysExOpen();
    // Takes the parts and effects a .syx file carries as one step (nothing is sent); a file
    // that cannot be read whole is reported, naming it, and changes nothing. True when taken.
    bool OpenSysExFile(const QString& path);

    // Loads a settings file into the selected part (no MIDI is sent). A file that cannot
    // be read or is no settings file is reported and changes nothing, the document's name
    // included. True when the file was loaded.
    bool OpenDocumentFile(const QString& path);

    // The set-up of all 16 parts. Opening replaces every part, name and list position and
    // sends nothing; a modified set-up is offered for saving first.
    void OnSetupOpen();
    bool OnSetupSave();  // as save-as while the set-up has no file; true when saved
    bool OnSetupSaveAs();
    void OnRecentSetup(int index);
    // Under a session the file is imported into the session's set-up instead.
    bool OpenSetupFile(const QString& path);
    // A session's set-up, read by the caller, as one step; the set-up belongs to `path`
    // and is clean.
    void TakeSessionSetup(SetupData setup, const QString& path);
    // Asks whether to save a modified set-up: true when the caller may go on (saved, or
    // the changes discarded), false after Cancel or a failed save.
    bool SaveModifiedSetup();
    // The recently used set-ups, newest first, as the INI file keeps them.
    QStringList RecentSetups() const;

    // The file of the document; empty while it is untitled.
    const QString& PathName() const { return path_name_; }
    QString Title() const;

    // Tests answer the file dialogs here.
    void SetFileDialog(AskFileName ask) { ask_file_name_ = std::move(ask); }
    // Tests answer the save prompt here.
    void SetSavePrompt(AskSaveChanges ask) { ask_save_changes_ = std::move(ask); }

  private:
    bool SaveTo(const QString& path);
    bool WriteReported(const QString& path, std::span<const std::uint8_t> bytes);
    QString AskExportPath(const QString& filter, const QString& suffix);
    // Asks through the dialog, in the folder last chosen in this run once there is one (the
    // initial path's file name in that folder), and remembers the folder of the answer.
    QString AskInLastFolder(FileDialogRequest request);
    void SetPathName(const QString& path);
    bool SaveSetupTo(const QString& path);
    bool LoadSetup(const QString& path);
    bool WriteSetupReported(const QString& path);
    // Reads the file into the parts as one step, reporting a refused file, and sends it as
    // SendOnOpen says.
    bool ReadSetupIn(const QString& path);
    // The form, its names and the effect window after a set-up was taken.
    void ShowTakenSetup();
    void RememberSetup(const QString& path);

    CKQ505App& app_;
    CMainFrame& frame_;
    QString path_name_;
    QString last_folder_;
    AskFileName ask_file_name_;
    AskSaveChanges ask_save_changes_;
};

}  // namespace kq505
