// The program's start-up as main() runs it, in a folder of its own, over recording outputs.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/program_startup.h"
#include "app/settings.h"
#include "files/setup_file.h"
#include "model/part_transmission.h"
#include "tests/support/message_catcher.h"
#include "tests/support/recording_app.h"

using namespace kq505;
using kq505::test::MessageCatcher;
using kq505::test::RecordingApp;

namespace {

const QString kListFailed = QStringLiteral("音色リストファイルを読み込めませんでした");

// One M record: bank 0, program 1, level 0.
void WriteList(const QString& path, const QByteArray& name) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("; list\r\nM 000 000 001     0   " + name + "\r\n");
}

StartUpPlaces PlacesIn(const QTemporaryDir& folder, const QString& data_dir = {}) {
    return {FileSystemPath(folder.filePath("bin/kq505")), FileSystemPath(folder.filePath("config")),
            FileSystemPath(data_dir)};
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        // The tests run in a folder without a list, so that the search is what finds one.
        QVERIFY(cwd_.isValid());
        QDir::setCurrent(cwd_.path());
    }

    void PortsThatCannotOpenAreReportedAfterTheListAndStartUpGoesOn() {
        const QString a_failed = QStringLiteral("MIDI OUT Aの初期化に失敗しました");
        const QString b_failed = QStringLiteral("MIDI OUT Bの初期化に失敗しました");
        struct Case {
            std::set<int> failing_a, failing_b;
            QStringList messages;
        };
        const QList<Case> cases = {
            {{0}, {1}, {kListFailed, a_failed + '\n' + b_failed}},  // one box for both
            {{}, {1}, {kListFailed, b_failed}},
            {{0}, {}, {kListFailed, a_failed}},
        };
        for (const Case& c : cases) {
            QTemporaryDir folder;
            RecordingApp rec;
            rec.out(Port::A).failing_devices = c.failing_a;
            rec.out(Port::B).failing_devices = c.failing_b;
            MessageCatcher catcher;
            const std::unique_ptr<CMainFrame> frame = StartKQ505(rec.app, PlacesIn(folder));
            // The ports open after the window has painted, so their messages come over it.
            QVERIFY(frame->isVisible());
            QCOMPARE(catcher.texts, QStringList{kListFailed});
            QTRY_COMPARE(catcher.texts, c.messages);
            QCOMPARE(rec.app.midi_out_a->IsOpen(), c.failing_a.empty());
            QCOMPARE(rec.app.midi_out_b->IsOpen(), c.failing_b.empty());
        }
    }

    // JACK lists synthesizers in the order they started, so a first start there connects
    // nothing and says so until an output is chosen; the ALSA sequencer keeps devices 0 and 1.
    void WithoutIniOrListItOpensTheFirstStartDevicesAndWritesNoIni() {
        for (const bool jack : {false, true}) {
            QTemporaryDir folder;
            QVERIFY(QDir(folder.path()).mkpath("bin"));
            RecordingApp rec;
            rec.app.midi_on_jack = [jack] { return jack; };
            rec.app.out_b_device = 7;  // the defaults come from the missing INI, not from here
            rec.out(Port::A).opened_devices.clear();
            rec.out(Port::B).opened_devices.clear();
            MessageCatcher catcher;
            {
                const auto frame = StartKQ505(rec.app, PlacesIn(folder));
                QTRY_COMPARE(rec.out(Port::A).opened_devices, std::vector<int>{jack ? -1 : 0});
                QCOMPARE(rec.out(Port::B).opened_devices, std::vector<int>{jack ? -1 : 1});
                QCOMPARE(catcher.texts, QStringList{kListFailed});
                const auto* hint = frame->findChild<QLabel*>(QStringLiteral("outputsState"));
                QCOMPARE(hint != nullptr && hint->isVisibleTo(frame.get()), jack);
                if (jack)
                    QCOMPARE(hint->text(),
                             QStringLiteral("Out A/B 未接続 — 環境設定(&C)で出力を選んでください"));
            }
            QVERIFY(!QFile::exists(folder.filePath("bin/kq505.ini")));
            QVERIFY(!QFile::exists(folder.filePath("config/kq505.ini")));
        }
    }

    // OnStart, and a set-up given to open, which is sent once the ports are open.
    void TheStartSendsWhatOnStartAndAnOpenedSetUpAskFor() {
        struct Case {
            QByteArray others;
            bool with_setup;
            bool sends;
        };
        const QList<Case> cases = {
            {"", false, false},
            {"OnStart=1\r\n", false, true},
            {"", true, true},
            {"SendOnOpen=0\r\n", true, false},
            {"OnStart=2\r\nSendOnOpen=0\r\n", true, false},  // the file is not read over
        };
        for (const Case& c : cases) {
            QTemporaryDir folder;
            QVERIFY(QDir(folder.path()).mkpath("bin"));
            QFile ini(folder.filePath("bin/kq505.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Others]\r\n" + c.others);
            ini.close();
            RecordingApp expected;
            expected.app.part_table[vol][3] = 33;
            SendAllParts(expected.app);
            const QString setup = folder.filePath("live.kqset");
            QFile file(setup);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromStdString(SetupFileText(CurrentSetup(expected.app))));
            file.close();
            RecordingApp rec;
            rec.app.midi_out_a->Close();  // as in the program, the ports open after the window
            rec.app.midi_out_b->Close();
            MessageCatcher catcher;
            const auto frame = StartKQ505(rec.app, PlacesIn(folder), c.with_setup ? setup : "");
            QTRY_VERIFY(rec.app.midi_out_a->IsOpen());
            const auto sent = rec.log.TakeEvents();
            QCOMPARE(sent.empty(), !c.sends);
            if (c.sends && c.with_setup) QVERIFY(sent == expected.log.TakeEvents());
        }
    }

    // The current folder wins over the program's folder, which wins over the data folder.
    void TheDefaultListIsLookedForInTurnAndTheKeptPathStays() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath("bin") && QDir(folder.path()).mkpath("data"));
        WriteList(folder.filePath("data/xg.ins"), "FromData");
        const QList<std::pair<QString, QByteArray>> steps = {
            {{}, "FromData"},
            {folder.filePath("bin/xg.ins"), "BesideProgram"},
            {cwd_.filePath("xg.ins"), "FromCurrent"},
        };
        for (const auto& [path, name] : steps) {
            if (!path.isEmpty()) WriteList(path, name);
            RecordingApp rec;
            MessageCatcher catcher;
            const auto frame = StartKQ505(rec.app, PlacesIn(folder, folder.filePath("data")));
            QVERIFY(catcher.texts.isEmpty());
            QCOMPARE(QByteArray::fromStdString(rec.app.instrument_names.Get(0, 0, 0)), name);
            QCOMPARE(QString::fromStdString(rec.app.instrument_file_path),
                     QStringLiteral("xg.ins"));
        }
    }

    void AListPathTheUserSetIsNotLookedForElsewhere() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath("bin"));
        WriteList(folder.filePath("bin/mine.ins"), "Mine");
        QFile ini(folder.filePath("bin/kq505.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Others]\r\nInsFile=mine.ins\r\n");
        ini.close();
        RecordingApp rec;
        MessageCatcher catcher;
        const auto frame = StartKQ505(rec.app, PlacesIn(folder));
        QCOMPARE(catcher.texts, QStringList{kListFailed});
        QVERIFY(rec.app.instrument_names.Get(0, 0, 0).empty());
    }

    // The file stays as the user left it: the settings are the defaults and nothing writes it.
    void AnIniFileTooLongIsReportedAndTheProgramStartsOnTheDefaults() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath("bin"));
        const QString path = folder.filePath("bin/kq505.ini");
        QByteArray bytes = "[Others]\r\nLogo=1\r\n;";
        bytes += QByteArray(static_cast<qsizetype>(kMaxIniBytes), '-');
        QFile ini(path);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(bytes);
        ini.close();
        RecordingApp rec;
        rec.app.show_logo = 1;
        MessageCatcher catcher;
        const auto frame = StartKQ505(rec.app, PlacesIn(folder));
        QVERIFY(frame->isVisible());
        const QString too_long = QStringLiteral(
                                     "設定ファイル %1 は大きすぎるため、読み込めません。\n"
                                     "既定の設定で起動し、このファイルには書き込みません。")
                                     .arg(path);
        // First, before any about the list (which an earlier test may have left for it).
        QCOMPARE(catcher.texts.value(0), too_long);
        QCOMPARE(rec.app.show_logo, 0);
        QVERIFY(!WriteIniSettings(rec.app));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), bytes);
    }

  private:
    QTemporaryDir cwd_;
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
