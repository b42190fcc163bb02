// Reading the module from the main window against a module of the test's own, and .syx
// files written, opened and dropped.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

#include "app/frame_commands.h"
#include "app/main_frame.h"
#include "files/kq505_doc.h"
#include "model/module_commands.h"
#include "model/module_syx.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::ReadBytes;
using kq505::test::RecordingApp;
using kq505::test::TempFolder;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A module that holds a set-up and answers a request with the message of that set-up's .syx
// file at the address asked for: a dump request with the dump, a parameter request with the
// parameter change. After `limit` answers it falls silent.
struct FakeModule {
    FakeModule(const PartTable& table, const EffectBlocks& effects)
        : messages(SetupSysExMessages(table, effects)) {}

    std::optional<Bytes> Answer(const Bytes& request) const {
        if (request.size() != 8) return std::nullopt;
        const bool dump = (request[2] & 0xF0) == 0x20;
        const XgAddress at{request[4], request[5], request[6]};
        for (const Bytes& message : messages) {
            const std::optional<XgMessage> xg = ReadXgMessage(message);
            if (xg && (xg->kind == XgMessageKind::bulk_dump) == dump && xg->address == at)
                return message;
        }
        return std::nullopt;
    }
    // Answers what the program sent since, as the module on its MIDI IN would.
    void Serve(RecordingApp& rec) {
        for (const MidiEvent& event : rec.log.TakeEvents()) {
            ++requests;
            if (event.port != Port::A || answered >= limit) continue;
            if (const std::optional<Bytes> reply = Answer(event.bytes)) {
                rec.app.module_ring->Push(*reply);
                ++answered;
            }
        }
    }

    std::vector<Bytes> messages;
    int requests = 0;
    int answered = 0;
    int limit = 1 << 30;
};

// Records and closes every message box; any other modal window is left alone.
struct BoxCatcher {
    BoxCatcher() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        timer.start(10);
    }
    QStringList texts;
    QTimer timer;
};

// A module set-up unlike the defaults, in every kind of byte the read takes.
void ChangeSetup(PartTable& table, EffectBlocks& effects) {
    table[vol][0] = 90;
    table[reverb_b][15] = 99;
    table[hpf_a][7] = 20;
    table[eq_treble_gain_b][3] = 70;
    table[mix][4] = -10;
    SetEffectType(effects, EffectBlock::variation, 0x05 * 128);
    effects[EffectBlock::reverb].return_level = 50;
}

struct Frame {
    explicit Frame(int selected_part = 0) {
        rec.app.selected_part = selected_part;
        rec.app.module_in->Open(-1);
        rec.app.dump_timeout_ms = 60'000;  // the fake answers at once or never
        frame = std::make_unique<CMainFrame>(rec.app);
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    }
    QString Status() const { return frame->statusBar()->currentMessage(); }
    QSlider* Slider(int id) const { return qobject_cast<QSlider*>(frame->View()->Control(id)); }

    BoxCatcher boxes;
    RecordingApp rec;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace

class ModuleWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void CtrlRReadsTheWholeModuleAsOneStepAndFollowsItAfterwards() {
        Frame f;
        PartTable table = f.rec.app.part_table;
        EffectBlocks effects = f.rec.app.effect_blocks;
        ChangeSetup(table, effects);
        FakeModule module(table, effects);
        f.rec.log.TakeEvents();

        QTest::keyClick(f.frame.get(), Qt::Key_R, Qt::ControlModifier);
        QProgressDialog* progress = f.frame->ReadProgressWindow();
        QVERIFY(progress);
        const int total = 6 + 16 * 2 * 7;
        QCOMPARE(progress->maximum(), total);
        QCOMPARE(progress->labelText(), QStringLiteral("ﾘﾊﾞｰﾌﾞ  1/%1").arg(total));
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        QVERIFY(QTest::qWaitFor(
            [&] {
                module.Serve(f.rec);
                return f.frame->ReadProgressWindow() == nullptr;
            },
            30'000));
        QCOMPARE(module.requests, total);  // one at a time, none again
        QCOMPARE(f.rec.app.part_table, table);
        QCOMPARE(f.rec.app.effect_blocks, effects);
        QCOMPARE(f.rec.app.edit_history.StepCount(), std::size_t{1});
        QCOMPARE(f.Status(), QStringLiteral("32/32 ﾊﾟｰﾄ, 6/6 ｴﾌｪｸﾄ, 0 ﾀｲﾑｱｳﾄ"));
        QVERIFY(f.frame->windowTitle().endsWith(QStringLiteral(" *")));
        QCOMPARE(f.Slider(1008)->value(), 90);
        QVERIFY(f.boxes.texts.isEmpty());

        // The module's own change to the shown part's volume reaches the form.
        f.rec.app.module_ring->Push(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x00, 0x0B, 70, 0xF7});
        QTRY_COMPARE(f.Slider(1008)->value(), 70);
        QVERIFY(f.rec.log.TakeEvents().empty());
    }

    void CancelKeepsWhatTheSelectedPartsReadBroughtAndListsTheRest() {
        Frame f(4);
        PartTable table = f.rec.app.part_table;
        EffectBlocks effects = f.rec.app.effect_blocks;
        table[reverb_a][4] = 11;
        table[reverb_b][4] = 22;
        FakeModule module(table, effects);
        module.limit = 7;  // the A layer's requests

        QTest::keyClick(f.frame.get(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        QProgressDialog* progress = f.frame->ReadProgressWindow();
        QVERIFY(progress);
        QVERIFY(QTest::qWaitFor(
            [&] {
                module.Serve(f.rec);
                return progress->labelText() == QStringLiteral("ﾊﾟｰﾄ 5 B  8/14");
            },
            30'000));
        QCOMPARE(f.rec.app.part_table[reverb_a][4], 40);  // nothing is taken before the end
        QPushButton* cancel = progress->findChild<QPushButton*>();
        QCOMPARE(cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        cancel->click();
        QVERIFY(f.frame->ReadProgressWindow() == nullptr);
        QCOMPARE(f.rec.app.part_table[reverb_a][4], 11);
        QCOMPARE(f.rec.app.part_table[reverb_b][4], 40);
        QCOMPARE(f.rec.app.effect_blocks, effects);
        QCOMPARE(f.rec.app.edit_history.StepCount(), std::size_t{1});
        QCOMPARE(f.Status(), QStringLiteral("1/2 ﾊﾟｰﾄ, 0 ﾀｲﾑｱｳﾄ"));
        QTRY_COMPARE(f.boxes.texts.size(), 1);
        QVERIFY(f.boxes.texts[0].contains(QStringLiteral("ｷｬﾝｾﾙ: ﾊﾟｰﾄ 5 B は読み込んでいません")));
    }

    void ASysExFileWrittenOpensAgainDroppedAndABrokenOneIsRefused() {
        TempFolder folder;
        const QString path = QString::fromStdString((folder / "live.syx").string());
        PartTable table;
        EffectBlocks effects;
        {
            Frame source;
            ChangeSetup(source.rec.app.part_table, source.rec.app.effect_blocks);
            table = source.rec.app.part_table;
            effects = source.rec.app.effect_blocks;
            std::vector<FileDialogRequest> asked;
            source.frame->Document().SetFileDialog([&](const FileDialogRequest& request) {
                asked.push_back(request);
                return path;
            });
            source.frame->Action(kIdExportSysEx)->trigger();
            QCOMPARE(asked.size(), std::size_t{1});
            QCOMPARE(asked[0].name_filters.first(), QStringLiteral("SysExﾌｧｲﾙ (*.syx)"));
            QCOMPARE(asked[0].default_suffix, QStringLiteral("syx"));
            const Bytes written = SetupSysExFileBytes(source.rec.app);
            QCOMPARE(ReadBytes(folder / "live.syx"), std::string(written.begin(), written.end()));
        }

        Frame target;
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target.frame.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target.frame.get(), &drop);
        QCOMPARE(target.rec.app.part_table, table);
        QCOMPARE(target.rec.app.effect_blocks, effects);
        QCOMPARE(target.rec.app.edit_history.StepCount(), std::size_t{1});
        QCOMPARE(target.Status(), QStringLiteral("live.syx: 230 ﾒｯｾｰｼﾞ読込, 1 ｽｷｯﾌﾟ"));
        QCOMPARE(target.Slider(1008)->value(), 90);
        QVERIFY(target.rec.log.TakeEvents().empty());
        QVERIFY(target.boxes.texts.isEmpty());

        test::WriteBytes(folder / "cut.syx", "\xF0\x43\x10");
        target.frame->OpenDocumentFile(QString::fromStdString((folder / "cut.syx").string()));
        QTRY_COMPARE(target.boxes.texts.size(), 1);
        QVERIFY(target.boxes.texts[0].startsWith(QStringLiteral("cut.syx ")));
        QCOMPARE(target.rec.app.edit_history.StepCount(), std::size_t{1});
    }
};

QTEST_MAIN(ModuleWindowTest)
#include "module_window_test.moc"
