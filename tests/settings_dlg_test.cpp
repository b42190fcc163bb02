// The settings dialog as a user meets it: opened from the menu command, its lists and
// fields, the refusal of a bad gate time, and what OK leaves behind.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_commands.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "app/settings_dlg.h"
#include "tests/support/message_catcher.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"

using namespace kq505;
using kq505::test::MessageCatcher;
using kq505::test::ReadBytes;
using kq505::test::RecordingApp;
using kq505::test::TempFolder;

namespace {

using Names = std::vector<std::string>;

// An application object on recording outputs, its INI file in a folder of its own and the
// given devices for its lists.
struct DialogApp {
    explicit DialogApp(Names outputs = {}, Names inputs = {}) {
        rec.app.ini_path = (folder / "kq505.ini").string();
        rec.app.output_device_names = [outputs] { return outputs; };
        rec.app.input_device_names = [inputs] { return inputs; };
    }
    TempFolder folder;
    RecordingApp rec;
};

template <class Widget>
Widget* ControlOf(const CSettingsDlg& dialog, int id) {
    return qobject_cast<Widget*>(dialog.Control(id));
}

QPushButton* Button(const QDialog& dialog, const char* id) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(id));
}

// Runs `act` on the modal dialog as soon as it has come up.
void WhenModal(std::function<void(CSettingsDlg&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start(10);
}

// An input whose devices all fail to open, but for our own port (-1).
class FailingInput final : public MidiInput {
  public:
    bool Open(int device) override { return open_ = device == -1; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

  private:
    bool open_ = false;
};

bool HasLabel(const QDialog& dialog, const QString& text) {
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == text) return true;
    }
    return false;
}

}  // namespace

class SettingsDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheStoredValuesInItsControls() {
        DialogApp a({"Midi Through:Midi Through Port-0 14:0", "MU2000:MU2000 Port 1 20:0"},
                    {"Keys:Keys MIDI 1 24:0"});
        CKQ505App& app = a.rec.app;
        app.out_a_device = 1;
        app.out_b_device = 0;
        app.module_names[0] = "MU50";
        app.module_names[2] = "\x83\x65\x83\x58\x83\x67";  // "テスト" in Shift_JIS
        app.module_level = 2;
        app.preview_velocity = 100;
        app.preview_gate_ms = 800;
        app.export_step = 10;
        app.export_info = 1;
        app.instrument_file_path = "xg.ins";
        app.zoom_percent = 150;
        CSettingsDlg dialog(app);

        QCOMPARE(dialog.windowTitle(), QStringLiteral("環境設定"));
        auto* out_a = ControlOf<QComboBox>(dialog, kIdSettingsOutA);
        QCOMPARE(out_a->count(), 3);  // the entry for no connection, then the devices
        QCOMPARE(out_a->currentText(), QStringLiteral("MU2000:MU2000 Port 1 20:0"));
        QCOMPARE(ControlOf<QComboBox>(dialog, kIdSettingsOutB)->currentText(),
                 QStringLiteral("Midi Through:Midi Through Port-0 14:0"));
        auto* in = ControlOf<QComboBox>(dialog, kIdSettingsIn);
        QCOMPARE(in->currentIndex(), 1);  // device 0, after the entry for no connection
        QCOMPARE(in->itemText(0), QString::fromUtf8(kNoConnectionEntry));
        auto* module = ControlOf<QComboBox>(dialog, kIdSettingsModule);
        QCOMPARE(module->count(), 2);
        QCOMPARE(module->currentText(), QStringLiteral("テスト"));
        QCOMPARE(ControlOf<QSlider>(dialog, kIdSettingsVelocity)->value(), 100);
        QCOMPARE(ControlOf<QLineEdit>(dialog, kIdSettingsVelocityDisplay)->text(), "100");
        QCOMPARE(ControlOf<QLineEdit>(dialog, kIdSettingsGate)->text(), "800");
        QCOMPARE(ControlOf<QLineEdit>(dialog, kIdSettingsStep)->text(), "10");
        QVERIFY(ControlOf<QCheckBox>(dialog, kIdSettingsSysExComments)->isChecked());
        QVERIFY(!ControlOf<QCheckBox>(dialog, kIdSettingsLogo)->isChecked());
        QCOMPARE(ControlOf<QLineEdit>(dialog, kIdSettingsPath)->text(), "xg.ins");
        QVERIFY(HasLabel(dialog, QStringLiteral("★次回起動時より有効")));
        QVERIFY(HasLabel(dialog, QStringLiteral("(0～10000msec)")));
        QVERIFY(HasLabel(dialog, QStringLiteral("(0～1920tic)")));
        auto* zoom = ControlOf<QComboBox>(dialog, kIdSettingsZoom);
        QCOMPARE(zoom->count(), 3);
        QCOMPARE(zoom->itemText(2), QStringLiteral("200 %"));
        QCOMPARE(zoom->currentText(), QStringLiteral("150 %"));
        QVERIFY(HasLabel(dialog, QStringLiteral("表示ｻｲｽﾞ(&Z)")));
    }

    // The module's input lists the same sources as IN, after the entry for no connection,
    // and shows the stored device by its name; the follow check box shows Follow.
    void theModuleInputRowAndTheFollowBoxShowAndTakeTheirValues() {
        DialogApp a({"synth"}, {"Keys:Keys MIDI 1 24:0", "MU128:MU128 MIDI 1 20:0"});
        CKQ505App& app = a.rec.app;
        app.module_in_device = 0;
        app.module_in_name = "MU128:MU128 MIDI 1 20:0";
        app.follow_module = 1;
        CMainFrame frame(app);
        bool shown = false;
        WhenModal([&](CSettingsDlg& dialog) {
            auto* module_in = ControlOf<QComboBox>(dialog, kIdSettingsModuleIn);
            auto* follow = ControlOf<QCheckBox>(dialog, kIdSettingsFollow);
            shown = module_in->count() == 3 &&
                    module_in->itemText(0) == QString::fromUtf8(kNoConnectionEntry) &&
                    module_in->currentText() == QStringLiteral("MU128:MU128 MIDI 1 20:0") &&
                    follow->text() == QStringLiteral("ﾓｼﾞｭｰﾙの変更に追従") && follow->isChecked() &&
                    HasLabel(dialog, QStringLiteral("Module I&N"));
            module_in->setCurrentIndex(0);
            // On the box itself: the control is wider than its caption.
            QTest::mouseClick(follow, Qt::LeftButton, {}, QPoint(6, follow->height() / 2));
            QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton);
        });
        frame.Action(kIdSettings)->trigger();
        QVERIFY(shown);
        QCOMPARE(app.module_in_device, -1);
        QCOMPARE(app.follow_module, 0);
        const std::string ini = ReadBytes(app.ini_path);
        QVERIFY(ini.find("ModuleIn=-1\r\nModuleInName=\r\n") != std::string::npos);
        QVERIFY(ini.find("Follow=0\r\n") != std::string::npos);
    }

    void everyControlLiesInsideTheDialogAndNoneCoversAnother() {
        DialogApp a;
        CSettingsDlg dialog(a.rec.app);
        // 236 × 424 dialog units, and 130 more across for the MIDI learn list.
        QCOMPARE(dialog.size(), QSize(641, 636));
        const std::vector<int> ids{
            kIdSettingsOutA,       kIdSettingsOutB,     kIdSettingsIn,
            kIdSettingsModule,     kIdSettingsVelocity, kIdSettingsVelocityDisplay,
            kIdSettingsGate,       kIdSettingsStep,     kIdSettingsSysExComments,
            kIdSettingsLogo,       kIdSettingsPath,     kIdSettingsZoom,
            kIdSettingsPace,       kIdSettingsThru,     kIdSettingsThruChannel,
            kIdSettingsInputState, kIdSettingsModuleIn, kIdSettingsFollow,
            kIdSettingsSendOnOpen, kIdSettingsOnStart};
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const QRect rect = dialog.Control(ids[i])->geometry();
            QVERIFY2(QRect(QPoint(), dialog.size()).contains(rect),
                     qPrintable(QString::number(ids[i])));
            for (std::size_t j = i + 1; j < ids.size(); ++j) {
                QVERIFY2(!rect.intersects(dialog.Control(ids[j])->geometry()),
                         qPrintable(QStringLiteral("%1 %2").arg(ids[i]).arg(ids[j])));
            }
        }
    }

    void theVelocityDisplayFollowsTheSliderAndIsReadOnly() {
        DialogApp a;
        a.rec.app.preview_velocity = 200;  // as an INI file may hold it
        CSettingsDlg dialog(a.rec.app);
        auto* slider = ControlOf<QSlider>(dialog, kIdSettingsVelocity);
        auto* display = ControlOf<QLineEdit>(dialog, kIdSettingsVelocityDisplay);
        QCOMPARE(slider->value(), 127);
        QCOMPARE(display->text(), "127");
        QVERIFY(display->isReadOnly());
        dialog.show();
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(display->text(), "0");
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(display->text(), "1");
        QCOMPARE(dialog.Values().velocity, 1);
    }

    void withoutMidiDevicesOkStoresMinusOne() {
        DialogApp a;
        CMainFrame frame(a.rec.app);
        bool lists_were_empty = false;
        WhenModal([&](CSettingsDlg& dialog) {
            // The device lists hold only their entry for no connection.
            lists_were_empty = ControlOf<QComboBox>(dialog, kIdSettingsOutA)->count() == 1 &&
                               ControlOf<QComboBox>(dialog, kIdSettingsIn)->count() == 1 &&
                               ControlOf<QComboBox>(dialog, kIdSettingsModule)->count() == 0;
            QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton);
        });
        frame.Action(kIdSettings)->trigger();
        QVERIFY(lists_were_empty);
        const std::string ini = ReadBytes(a.rec.app.ini_path);
        for (const char* line : {"OutA=-1\r\n", "OutB=-1\r\n", "In=-1\r\n", "Module=-1\r\n"}) {
            QVERIFY2(ini.find(line) != std::string::npos, line);
        }
        QCOMPARE(a.rec.out(Port::A).opened_devices.back(), -1);
        QCOMPARE(a.rec.out(Port::B).opened_devices.back(), -1);
    }

    void aGateOf20000IsRefusedAndTheDialogStaysOpen() {
        DialogApp a;
        a.rec.app.preview_gate_ms = 800;
        CSettingsDlg dialog(a.rec.app);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* gate = ControlOf<QLineEdit>(dialog, kIdSettingsGate);
        gate->selectAll();
        QTest::keyClicks(gate, "20000");
        ControlOf<QComboBox>(dialog, kIdSettingsOutA)->setFocus();

        MessageCatcher catcher;
        QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton);
        QCOMPARE(catcher.texts,
                 QStringList{"Gate Time には 0 から 10000 までの整数を入力してください。"});
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.focusWidget(), gate);
        QCOMPARE(gate->selectedText(), "20000");
        QVERIFY(!std::filesystem::exists(a.rec.app.ini_path));

        // Corrected, it is taken.
        QTest::keyClicks(gate, "1000");
        QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton);
        QCOMPARE(catcher.texts.size(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Values().gate, "1000");
    }

    void okWithUnchangedValuesRewritesTheFileAndReopensBothPorts() {
        DialogApp a({"Midi Through:Midi Through Port-0 14:0", "MU2000:MU2000 Port 1 20:0"});
        test::WriteBytes(a.rec.app.ini_path, "[MIDI]\nOutA=1\nOutB=0\n");
        ReadIniSettings(a.rec.app);
        CMainFrame frame(a.rec.app);
        const std::vector<int> a_before = a.rec.out(Port::A).opened_devices;
        const std::vector<int> b_before = a.rec.out(Port::B).opened_devices;
        a.rec.log.TakeEvents();

        WhenModal(
            [](CSettingsDlg& dialog) { QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton); });
        frame.Action(kIdSettings)->trigger();
        QCOMPARE(ReadBytes(a.rec.app.ini_path),
                 "[MIDI]\nOutA=1\nOutB=0\nIn=-1\nModule=-1\n"
                 "OutAName=MU2000:MU2000 Port 1 20:0\n"
                 "OutBName=Midi Through:Midi Through Port-0 14:0\nInName=\nPace=0\n"
                 "Thru=0\nThruChannel=0\nModuleIn=-1\nModuleInName=\nDumpTimeout=300\n"
                 "Follow=1\n"
                 "\n[Preview]\nVel=100\nGate=800\n"
                 "\n[ExportVardel]\nStep=10\nInfo=0\n"
                 "\n[Others]\nLogo=0\nInsFile=xg.ins\nZoom=100\nSendOnOpen=1\nOnStart=0\n");
        std::vector<int> a_after = a_before;
        a_after.push_back(1);
        std::vector<int> b_after = b_before;
        b_after.push_back(0);
        QCOMPARE(a.rec.out(Port::A).opened_devices, a_after);
        QCOMPARE(a.rec.out(Port::B).opened_devices, b_after);
        QVERIFY(a.rec.out(Port::A).IsOpen() && a.rec.out(Port::B).IsOpen());
        QVERIFY(a.rec.log.events.empty());
    }

    void anInputThatFailsIsToldWithoutABoxAndThruIsTakenOnOk() {
        DialogApp a({"synth"}, {"keys"});
        auto failing = std::make_unique<FailingInput>();
        a.rec.app.midi_in = std::move(failing);
        auto catcher = std::make_unique<MessageCatcher>();
        CMainFrame frame(a.rec.app);
        frame.Action(kIdReinitialiseMidi)->trigger();  // opens the outputs and the input
        QCOMPARE(catcher->texts, QStringList{});       // no message box for the input, ever
        catcher.reset();
        auto* state = frame.statusBar()->findChild<QLabel*>(QStringLiteral("midiInputState"));
        QVERIFY(state && !state->isHidden());
        QCOMPARE(state->text(), QStringLiteral("MIDI INの初期化に失敗しました"));
        // The module's input opened: nothing said of it.
        QVERIFY(!frame.statusBar()->findChild<QLabel*>(QStringLiteral("moduleInputState")));
        bool told_in_dialog = false;
        WhenModal([&](CSettingsDlg& dialog) {
            told_in_dialog = ControlOf<QLabel>(dialog, kIdSettingsInputState)->text() ==
                             QStringLiteral("※MIDI INを開けませんでした");
            QTest::mouseClick(ControlOf<QCheckBox>(dialog, kIdSettingsThru), Qt::LeftButton);
            ControlOf<QComboBox>(dialog, kIdSettingsThruChannel)->setCurrentIndex(1);
            ControlOf<QComboBox>(dialog, kIdSettingsIn)->setCurrentIndex(0);
            QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton);
        });
        frame.Action(kIdSettings)->trigger();
        QVERIFY(told_in_dialog);
        QCOMPARE(a.rec.app.thru, 1);
        QCOMPARE(a.rec.app.thru_channel, 1);
        QCOMPARE(a.rec.app.in_device, -1);
        QVERIFY(a.rec.app.midi_in->IsOpen());  // our own port opens
        QVERIFY(state->isHidden());
        const std::string ini = ReadBytes(a.rec.app.ini_path);
        QVERIFY(ini.find("In=-1\r\n") != std::string::npos);
        QVERIFY(ini.find("Thru=1\r\nThruChannel=1\r\n") != std::string::npos);
    }

    // Said in the status bar like the input, never in a box; gone once it opens on OK.
    void aModuleInputThatFailsIsSaidInTheStatusBar() {
        DialogApp a({"synth"}, {"MU128"});
        a.rec.app.module_in = std::make_unique<FailingInput>();
        a.rec.app.module_in_device = 0;
        auto catcher = std::make_unique<MessageCatcher>();
        CMainFrame frame(a.rec.app);
        frame.Action(kIdReinitialiseMidi)->trigger();
        QCOMPARE(catcher->texts, QStringList{});
        catcher.reset();
        auto* state = frame.statusBar()->findChild<QLabel*>(QStringLiteral("moduleInputState"));
        QVERIFY(state && !state->isHidden());
        QCOMPARE(state->text(), QStringLiteral("MODULE INの初期化に失敗しました"));
        WhenModal([](CSettingsDlg& dialog) {
            ControlOf<QComboBox>(dialog, kIdSettingsModuleIn)->setCurrentIndex(0);
            QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton);
        });
        frame.Action(kIdSettings)->trigger();
        QCOMPARE(a.rec.app.module_in_device, -1);
        QVERIFY(state->isHidden());
    }

    void theOutListsBeginWithNoConnectionShownForMinusOne() {
        DialogApp a({"Midi Through:Midi Through Port-0 14:0", "MU2000:MU2000 Port 1 20:0"});
        a.rec.app.out_a_device = -1;
        a.rec.app.out_b_device = 1;
        a.rec.app.out_b_name = "MU2000:MU2000 Port 1 20:0";
        CMainFrame frame(a.rec.app);
        WhenModal([](CSettingsDlg& dialog) {
            auto* out_a = ControlOf<QComboBox>(dialog, kIdSettingsOutA);
            auto* out_b = ControlOf<QComboBox>(dialog, kIdSettingsOutB);
            QCOMPARE(out_a->currentIndex(), 0);
            QCOMPARE(out_a->currentText(), QString::fromUtf8(kNoConnectionEntry));
            QCOMPARE(out_b->itemText(0), QString::fromUtf8(kNoConnectionEntry));
            // The user takes Port B off its device and Port A onto the first one.
            out_b->setCurrentIndex(0);
            out_a->setCurrentIndex(1);
            ControlOf<QCheckBox>(dialog, kIdSettingsPace)->setChecked(true);
            QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton);
        });
        frame.Action(kIdSettings)->trigger();
        const std::string ini = ReadBytes(a.rec.app.ini_path);
        for (const char* line : {"OutA=0\r\n", "OutB=-1\r\n", "OutBName=\r\n", "Pace=1\r\n"}) {
            QVERIFY2(ini.find(line) != std::string::npos, line);
        }
        QCOMPARE(a.rec.out(Port::A).opened_devices.back(), 0);
        QCOMPARE(a.rec.out(Port::B).opened_devices.back(), -1);
    }

    void cancelChangesNothing() {
        DialogApp a({"Midi Through:Midi Through Port-0 14:0"});
        CMainFrame frame(a.rec.app);
        const std::size_t opens = a.rec.out(Port::A).opened_devices.size();
        WhenModal([](CSettingsDlg& dialog) {
            QTest::keyClicks(ControlOf<QLineEdit>(dialog, kIdSettingsStep), "5");
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        frame.Action(kIdSettings)->trigger();
        QVERIFY(!std::filesystem::exists(a.rec.app.ini_path));
        QCOMPARE(a.rec.out(Port::A).opened_devices.size(), opens);
    }

    void aFileThatCannotBeWrittenIsReported() {
        DialogApp a;
        std::filesystem::create_directory(a.rec.app.ini_path);
        MessageCatcher catcher;  // accepts the settings dialog, then the message
        QVERIFY(RunSettingsDialog(a.rec.app, nullptr).has_value());
        QCOMPARE(catcher.texts.size(), 1);
        QVERIFY(catcher.texts.front().startsWith(QStringLiteral("設定ファイル ")));
        QVERIFY(catcher.texts.front().contains(QString::fromStdString(a.rec.app.ini_path)));
    }
};

QTEST_MAIN(SettingsDlgTest)
#include "settings_dlg_test.moc"
