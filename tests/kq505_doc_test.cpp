// The file commands and the two exports as the user meets them through the main window:
// what reaches the disk, what the form and the part selector show, and what a failure
// leaves behind.

#include <QAbstractButton>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/frame_commands.h"
#include "app/main_frame.h"
#include "app/program_startup.h"
#include "app/toolbar_icons.h"
#include "effects/effect_edit_dlg.h"
#include "files/kq505_doc.h"
#include "files/settings_file.h"
#include "files/smf_export.h"
#include "files/vardel_export.h"
#include "tests/support/message_catcher.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::MessageCatcher;
using kq505::test::ReadBytes;
using kq505::test::RecordingApp;
using kq505::test::TempFolder;
using kq505::test::WriteBytes;

namespace {

const QString kWrongFormat = QStringLiteral("ファイルフォーマットが違います");
const QString kCannotRead = QStringLiteral("ファイルの読み込みに失敗しました");

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// A file's bytes; folders and missing files read as nothing.
std::string Content(const std::filesystem::path& path) {
    return std::filesystem::is_regular_file(path) ? ReadBytes(path) : std::string();
}

template <class Bytes>
std::string AsString(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

// A settings file of `size` bytes: the magic, then every byte 0x11 up to the name.
std::string SettingsBytes(std::size_t size) {
    std::string bytes(size, '\0');
    bytes.replace(0, 8, "KQSF1000");
    for (std::size_t i = 16; i < std::min<std::size_t>(size, 87); ++i)
        bytes[i] = 0x11;
    return bytes;
}

// A frame whose file dialogs are answered from a list, in order; an empty answer cancels.
// Every message box is answered and recorded.
struct DocFrame {
    DocFrame() : frame(std::make_unique<CMainFrame>(rec.app)) {
        frame->Document().SetFileDialog([this](const FileDialogRequest& request) {
            requests.push_back(request);
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
    }
    void Run(int command, const QString& answer = {}) {
        answers = {answer};
        frame->Action(command)->trigger();
    }
    void SelectPart(int part) { Combo().setCurrentIndex(part); }
    QComboBox& Combo() const { return *frame->View()->findChild<QComboBox*>(); }
    QStringList Entries() const {
        QStringList texts;
        for (int i = 0; i < Combo().count(); ++i)
            texts << Combo().itemText(i);
        return texts;
    }
    QString Field(int id) const { return frame->View()->FieldText(id); }

    MessageCatcher catcher;
    RecordingApp rec;
    std::unique_ptr<CMainFrame> frame;
    std::vector<FileDialogRequest> requests;
    QStringList answers;
};

// Everything a failed command must leave as it was.
struct Snapshot {
    explicit Snapshot(const DocFrame& doc)
        : table(doc.rec.app.part_table),
          names(doc.rec.app.track_names),
          entries(doc.Entries()),
          title(doc.frame->windowTitle()) {}
    bool operator==(const Snapshot&) const = default;
    PartTable table;
    std::array<std::string, kPartCount> names;
    QStringList entries;
    QString title;
};

// Files cannot grow past `bytes` while this lives: a write fails half-way, as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
};

}  // namespace

class DocTest : public QObject {
    Q_OBJECT

  private slots:
    void SavedPartLoadsIntoTheSelectedPartOnlyWithoutMidi() {
        for (const auto& [target, entry] : {std::pair{11, "#12 Pad"}, std::pair{2, "#03 Pad"}}) {
            TempFolder folder;
            DocFrame doc;
            doc.SelectPart(4);
            doc.rec.app.Value(reverb_a) = 99;
            doc.rec.app.Value(mix) = -5;
            doc.rec.app.Value(eq_bass_freq_b) = 20;
            doc.rec.app.track_names[4] = "Pad";
            const QString path = Q(folder / "pad.kqs");
            doc.Run(kIdFileSaveAs, path);
            QCOMPARE(ReadBytes(folder / "pad.kqs"), AsString(SaveSettingsFile(doc.rec.app)));
            QCOMPARE(doc.frame->windowTitle(), QStringLiteral("KQ505 - pad.kqs"));

            doc.SelectPart(target);
            PartTable expected = doc.rec.app.part_table;
            for (auto& row : expected)
                row[target] = row[4];
            const auto names_before = doc.rec.app.track_names;
            doc.rec.log.events.clear();
            doc.Run(kIdFileOpen, path);

            QCOMPARE(doc.rec.app.part_table, expected);
            QCOMPARE(doc.rec.app.track_names[target], std::string("Pad"));
            for (int part = 0; part < kPartCount; ++part) {
                if (part != target) QCOMPARE(doc.rec.app.track_names[part], names_before[part]);
            }
            QVERIFY(doc.rec.log.events.empty());
            QCOMPARE(doc.Combo().itemText(target), QString(entry));
            QCOMPARE(doc.Combo().currentIndex(), target);
            QCOMPARE(doc.Field(1048), QStringLiteral("99"));    // reverb of Port A
            QCOMPARE(doc.Field(1046), QStringLiteral("A5>B"));  // mix
            QCOMPARE(doc.Field(1078), QStringLiteral("200"));   // bass frequency of Port B
            QCOMPARE(doc.frame->windowTitle(), QStringLiteral("KQ505 - pad.kqs *"));
        }
    }

    void SettingsFileDialogsAskForKqsFiles() {
        DocFrame doc;
        doc.Run(kIdFileOpen);
        doc.Run(kIdFileSave);  // untitled: asks for a name as Save As does
        doc.Run(kIdFileSaveAs);
        QCOMPARE(doc.requests.size(), std::size_t{3});
        const std::array modes = {FileDialogRequest::Mode::kOpen, FileDialogRequest::Mode::kSave,
                                  FileDialogRequest::Mode::kSave};
        for (std::size_t i = 0; i < modes.size(); ++i) {
            QCOMPARE(doc.requests[i].mode, modes[i]);
            QCOMPARE(doc.requests[i].name_filters.value(0), QStringLiteral("KQ505 ﾌｧｲﾙ (*.kqs)"));
            QCOMPARE(doc.requests[i].default_suffix, QStringLiteral("kqs"));
        }
    }

    void TheDialogAddsTheExtensionAndAsksBeforeOverwriting() {
        const std::unique_ptr<QFileDialog> save = MakeFileDialog(
            nullptr, {FileDialogRequest::Mode::kSave, {}, QStringLiteral("vdl"), {}});
        QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(save->windowTitle(), QStringLiteral("名前を付けて保存"));
        QCOMPARE(save->defaultSuffix(), QStringLiteral("vdl"));
        QVERIFY(!save->testOption(QFileDialog::DontConfirmOverwrite));
        const std::unique_ptr<QFileDialog> open = MakeFileDialog(
            nullptr,
            {FileDialogRequest::Mode::kOpen, {QStringLiteral("KQ505 ﾌｧｲﾙ (*.kqs)")}, {}, {}});
        QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(open->windowTitle(), QStringLiteral("開く"));
        QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(open->nameFilters(), QStringList{QStringLiteral("KQ505 ﾌｧｲﾙ (*.kqs)")});
    }

    // Every cancel button reads the program's caption, Qt's translated ones included, in the
    // dialogs whose caption the program chooses (the settings and track name dialogs keep
    // their "&Cancel").
    void CancelButtonsReadTheProgramsCaption() {
        QTranslator qt_texts;
        const bool translated = qt_texts.load(QStringLiteral("qtbase_ja"),
                                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        if (translated) QCoreApplication::installTranslator(&qt_texts);
        RecordingApp rec;
        const auto file_dialog = [](FileDialogRequest::Mode mode) {
            return [mode]() -> std::unique_ptr<QWidget> {
                return MakeFileDialog(nullptr, {mode, {}, {}, {}});
            };
        };
        const std::vector<std::pair<const char*, std::function<std::unique_ptr<QWidget>()>>>
            dialogs = {
                {"open", file_dialog(FileDialogRequest::Mode::kOpen)},
                {"save", file_dialog(FileDialogRequest::Mode::kSave)},
                {"save question", [] { return MakeSaveQuestion(nullptr, QStringLiteral("a")); }},
                {"effect edit", [&] { return std::make_unique<CEffectEditDlg>(rec.app, nullptr); }},
            };
        for (const auto& [name, make] : dialogs) {
            const std::unique_ptr<QWidget> dialog = make();
            dialog->show();
            QStringList captions;
            for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
                if (button->isVisible() && !button->text().isEmpty()) captions << button->text();
            }
            dialog->hide();  // not closed: the effect window would delete itself
            QVERIFY2(captions.contains(QStringLiteral("ｷｬﾝｾﾙ")), name);
            for (const QString& caption : captions) {
                QVERIFY2(!caption.contains(QStringLiteral("Cancel"), Qt::CaseInsensitive), name);
                QVERIFY2(!caption.contains(QStringLiteral("キャンセル")), name);
            }
        }
        if (translated) QCoreApplication::removeTranslator(&qt_texts);
    }

    // The program's own dialog, answered by typing a name without an extension.
    // The program's own dialog, answered by typing a name without an extension; the
    // second time the file exists and the dialog asks before it is replaced.
    void SaveAsThroughTheRealDialogWritesTheNamedFile() {
        TempFolder folder;
        RecordingApp rec;
        CMainFrame frame(rec.app);
        QStringList prompts;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                prompts << box->text();
                box->button(QMessageBox::Yes)->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(Q(folder / "voice"));
                // Queued: a prompt that the dialog opens must meet the next tick.
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            }
        });
        answer.start(10);
        frame.Action(kIdFileSaveAs)->trigger();
        QCOMPARE(ReadBytes(folder / "voice.kqs"), AsString(SaveSettingsFile(rec.app)));
        QCOMPARE(frame.windowTitle(), QStringLiteral("KQ505 - voice.kqs"));
        QVERIFY(prompts.isEmpty());

        rec.app.Value(vol) = 3;
        frame.Action(kIdFileSaveAs)->trigger();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(ReadBytes(folder / "voice.kqs"), AsString(SaveSettingsFile(rec.app)));
    }

    void CommandLineAndDroppedFilesAreOpened() {
        TempFolder folder;
        WriteBytes(folder / "a.kqs", SettingsBytes(320));
        const StartUpPlaces places{folder / "bin/kq505", folder / "config", folder / "data"};
        {
            RecordingApp rec;
            MessageCatcher catcher;  // the instrument list is missing here
            const auto frame = StartKQ505(rec.app, places, Q(folder / "a.kqs"));
            QCOMPARE(rec.app.Value(bank_msb_a), 0x11);
            QCOMPARE(frame->windowTitle(), QStringLiteral("KQ505 - a.kqs *"));
            QVERIFY(rec.log.events.empty());
        }
        {
            // A file that cannot be read is reported; the program goes on, untitled.
            RecordingApp rec;
            MessageCatcher catcher;
            const auto frame = StartKQ505(rec.app, places, Q(folder / "gone.kqs"));
            QCOMPARE(catcher.texts.value(1), kCannotRead);
            QVERIFY(frame->isVisible());
            QCOMPARE(frame->windowTitle(), QStringLiteral("KQ505 - 無題"));
        }
        DocFrame doc;
        doc.SelectPart(6);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(Q(folder / "a.kqs"))});
        // Qt hands the drop to the window that took the drag when it entered.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(doc.frame.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(doc.frame.get(), &drop);
        QCOMPARE(doc.rec.app.part_table[program_b][6], 0x11);
        QCOMPARE(doc.Combo().itemText(6), QStringLiteral("#07 "));
        QCOMPARE(doc.frame->Document().PathName(), Q(folder / "a.kqs"));
    }

    void NewLeavesEveryPartAlone() {
        TempFolder folder;
        WriteBytes(folder / "a.kqs", SettingsBytes(320));
        DocFrame doc;
        doc.Run(kIdFileOpen, Q(folder / "a.kqs"));
        doc.SelectPart(9);
        doc.rec.app.Value(vol) = 12;
        doc.rec.app.track_names[3] = "Bass";
        doc.frame->View()->SetTrackEntryText(3, "#04 :Bass");
        Snapshot before(doc);
        doc.rec.log.events.clear();
        doc.Run(kIdFileNew);
        before.title = QStringLiteral("KQ505 - 無題 *");  // the loaded part changed the set-up
        QCOMPARE(Snapshot(doc), before);
        QVERIFY(doc.rec.log.events.empty());
        QVERIFY(doc.frame->Document().PathName().isEmpty());
    }

    // Every rejected open is reported, changes nothing and keeps the document's name, so
    // that the next Save goes to the file that was open before, not to the rejected one.
    void RejectedFilesChangeNothing() {
        TempFolder folder;
        std::string wrong_magic = SettingsBytes(320);
        wrong_magic[3] = 'X';
        std::string ninth_byte = SettingsBytes(320);
        ninth_byte[8] = 1;
        WriteBytes(folder / "good.kqs", SettingsBytes(320));
        WriteBytes(folder / "short.kqs", SettingsBytes(150));
        WriteBytes(folder / "tiny.kqs", "KQSF");
        WriteBytes(folder / "magic.kqs", wrong_magic);
        WriteBytes(folder / "ninth.kqs", ninth_byte);
        std::filesystem::create_directory(folder / "folder.kqs");
        const std::vector<std::pair<std::string, QString>> cases = {
            {"short.kqs", kWrongFormat}, {"tiny.kqs", kWrongFormat},  {"magic.kqs", kWrongFormat},
            {"ninth.kqs", kWrongFormat}, {"folder.kqs", kCannotRead}, {"missing.kqs", kCannotRead}};
        for (const auto& [name, message] : cases) {
            DocFrame doc;
            doc.Run(kIdFileOpen, Q(folder / "good.kqs"));
            doc.rec.app.Value(vol) = 5;
            const Snapshot before(doc);
            const std::string rejected_bytes = Content(folder / name);
            doc.Run(kIdFileOpen, Q(folder / name));
            QCOMPARE(doc.catcher.texts, QStringList{message});
            QVERIFY2(Snapshot(doc) == before, name.c_str());
            QVERIFY(doc.rec.log.events.empty());

            doc.Run(kIdFileSave);
            QCOMPARE(Content(folder / name), rejected_bytes);
            QCOMPARE(std::filesystem::exists(folder / "missing.kqs"), false);
            QCOMPARE(ReadBytes(folder / "good.kqs"), AsString(SaveSettingsFile(doc.rec.app)));
        }
    }

    void AFileEndingRightAfterTheNameIsLoaded() {
        TempFolder folder;
        std::string bytes = SettingsBytes(151);
        bytes.replace(87, 64, std::string(64, 'n'));
        WriteBytes(folder / "151.kqs", bytes);
        DocFrame doc;
        doc.Run(kIdFileOpen, Q(folder / "151.kqs"));
        QVERIFY(doc.catcher.texts.isEmpty());
        QCOMPARE(doc.rec.app.track_names[0], std::string(64, 'n'));
    }

    // A file may bring any byte; it is kept, and the form shows it without a label it has
    // not got.
    void ValuesOutOfRangeAreKeptAndShown() {
        TempFolder folder;
        std::string bytes = SettingsBytes(320);
        bytes[16] = '\xFF';  // bank MSB of Port A: -1
        bytes[17] = '\x80';  // program of Port A: -128
        bytes[32] = 100;     // bass frequency of Port A, beyond the 59 labels
        bytes[80] = '\xC8';  // vol: -56
        WriteBytes(folder / "odd.kqs", bytes);
        DocFrame doc;
        doc.rec.app.instrument_names.Set(0, 0, 0, "Piano");
        doc.Run(kIdFileOpen, Q(folder / "odd.kqs"));
        QCOMPARE(doc.rec.app.Value(bank_msb_a), -1);
        QCOMPARE(doc.rec.app.Value(program_a), -128);
        QCOMPARE(doc.rec.app.Value(eq_bass_freq_a), 100);
        QCOMPARE(doc.rec.app.Value(vol), -56);
        QCOMPARE(doc.Field(1001), QStringLiteral("-1"));
        QCOMPARE(doc.Field(1002), QStringLiteral("-127"));
        QCOMPARE(doc.Field(1004), QString());
        QCOMPARE(doc.Field(1061), QStringLiteral("?"));
        QCOMPARE(doc.Field(1011), QStringLiteral("-56"));
        QVERIFY(doc.rec.log.events.empty());
    }

    void FailedSavesAreReportedAndLeaveTheOldFileWhole() {
        TempFolder folder;
        const std::string old_bytes(2000, 'o');
        WriteBytes(folder / "old.kqs", old_bytes);
        DocFrame doc;
        doc.Run(kIdFileSaveAs, Q(folder / "old.kqs"));
        doc.rec.app.Value(vol) = 1;
        WriteBytes(folder / "old.kqs", old_bytes);
        {
            const FileSizeLimit full_disk(100);
            doc.Run(kIdFileSave);
        }
        QCOMPARE(ReadBytes(folder / "old.kqs"), old_bytes);
        doc.Run(kIdFileSaveAs, Q(folder / "no-such-folder" / "new.kqs"));
        QCOMPARE(doc.catcher.texts,
                 QStringList({QStringLiteral("old.kqs に保存できませんでした"),
                              QStringLiteral("new.kqs に保存できませんでした")}));
        QCOMPARE(doc.frame->windowTitle(), QStringLiteral("KQ505 - old.kqs"));
        QCOMPARE(doc.frame->Document().PathName(), Q(folder / "old.kqs"));
    }

    void ExportsWriteTheBuildersBytes() {
        TempFolder folder;
        DocFrame doc;
        doc.rec.app.export_step = 10;
        doc.rec.app.export_info = 1;
        doc.rec.app.part_table[reverb_b][7] = 90;
        doc.rec.app.track_names[7] = "Strings";
        doc.Run(kIdExportVardel, Q(folder / "song.vdl"));
        doc.Run(kIdExportSmf, Q(folder / "song.mid"));
        QCOMPARE(ReadBytes(folder / "song.vdl"), AsString(BuildVardelSong(doc.rec.app)));
        QCOMPARE(ReadBytes(folder / "song.mid"), AsString(BuildStandardMidiFile(doc.rec.app)));
        QCOMPARE(doc.requests.size(), std::size_t{2});
        QCOMPARE(doc.requests[0].default_suffix, QStringLiteral("vdl"));
        QCOMPARE(doc.requests[1].default_suffix, QStringLiteral("mid"));
        QCOMPARE(doc.requests[0].name_filters,
                 QStringList({"Vardel ﾌｧｲﾙ (*.vdl)", "すべてのﾌｧｲﾙ (*)"}));
        QCOMPARE(doc.requests[1].name_filters,
                 QStringList({"Standard MIDI File (*.mid)", "すべてのﾌｧｲﾙ (*)"}));
        QCOMPARE(doc.requests[0].initial_path, QStringLiteral("無題.vdl"));
        for (const FileDialogRequest& request : doc.requests)
            QCOMPARE(request.mode, FileDialogRequest::Mode::kSave);
        // An export is no save: the document keeps its name.
        QCOMPARE(doc.frame->windowTitle(), QStringLiteral("KQ505 - 無題"));
    }

    // Exports are named after the document; every dialog opens where the last one ended.
    void FileDialogsRememberTheLastFolderForTheRun() {
        TempFolder folder;
        std::filesystem::create_directories(folder / "songs");
        const QString songs = QFileInfo(Q(folder / "songs" / "x")).absolutePath();
        DocFrame doc;
        doc.Run(kIdExportSmf);  // cancelled: remembers nothing
        QCOMPARE(doc.requests[0].initial_path, QStringLiteral("無題.mid"));
        doc.Run(kIdFileSaveAs, Q(folder / "lead.kqs"));
        doc.Run(kIdExportSmf);
        QCOMPARE(doc.requests[2].initial_path, Q(folder / "lead.mid"));
        doc.Run(kIdExportVardel, songs + "/take.vdl");
        doc.Run(kIdExportSmf);
        QCOMPARE(doc.requests[4].initial_path, songs + "/lead.mid");
        doc.Run(kIdFileOpen);
        QCOMPARE(doc.requests[5].initial_path, songs + "/lead.kqs");

        // A full path shows its folder in the dialog.
        const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(
            nullptr, {FileDialogRequest::Mode::kSave, {}, QStringLiteral("mid"), songs + "/a.mid"});
        QCOMPARE(dialog->directory().absolutePath(), songs);
    }

    void FailedOrCancelledExportsAreReported() {
        for (const auto& [command, name] :
             {std::pair{kIdExportVardel, "song.vdl"}, std::pair{kIdExportSmf, "song.mid"}}) {
            TempFolder folder;
            const std::string old_bytes(3000, 'o');
            WriteBytes(folder / name, old_bytes);
            DocFrame doc;
            doc.Run(command);  // cancelled
            {
                const FileSizeLimit full_disk(1000);
                doc.Run(command, Q(folder / name));
            }
            doc.Run(command, Q(folder / "missing" / name));
            const QString message = QString(name) + QStringLiteral(" に保存できませんでした");
            QCOMPARE(doc.catcher.texts, QStringList({message, message}));
            QCOMPARE(ReadBytes(folder / name), old_bytes);
        }
    }

    void TheSmfButtonHasAnImageOfItsOwn() {
        const QImage smf = ToolbarIcon(kIdExportSmf).pixmap(16, 15).toImage();
        const QImage vardel = ToolbarIcon(kIdExportVardel).pixmap(16, 15).toImage();
        QCOMPARE(smf.size(), QSize(16, 15));
        QVERIFY(smf != vardel);
        int drawn = 0;
        for (int y = 0; y < smf.height(); ++y) {
            for (int x = 0; x < smf.width(); ++x)
                drawn += qAlpha(smf.pixel(x, y)) > 0 ? 1 : 0;
        }
        QVERIFY(drawn > 40);
    }
};

QTEST_MAIN(DocTest)
#include "kq505_doc_test.moc"
