// Reading the module from the main window against a module of the test's own, and a .syx
// file written and dropped on the window.

#include <QApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/frame_commands.h"
#include "app/main_frame.h"
#include "files/kq505_doc.h"
#include "model/module_syx.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"
#include "view/kq505_view.h"

using namespace kq505;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A module holding a set-up: each request is answered with the message of the set-up's .syx
// file at the address asked for, a dump or a parameter change; after `limit` requests, none.
struct FakeModule {
    void Serve(test::RecordingApp& rec) {
        for (const MidiEvent& event : rec.log.TakeEvents()) {
            const bool dump = (event.bytes[2] & 0xF0) == 0x20;
            for (const Bytes& message : messages) {
                const std::optional<XgMessage> xg = ReadXgMessage(message);
                if (requests < limit && xg && (xg->kind == XgMessageKind::bulk_dump) == dump &&
                    xg->address == XgAddress{event.bytes[4], event.bytes[5], event.bytes[6]})
                    rec.app.module_ring->Push(message);
            }
            ++requests;
        }
    }
    std::vector<Bytes> messages;
    int limit = 1 << 30;
    int requests = 0;
};

// A shown frame whose module input is open; message boxes are recorded and closed.
struct Frame {
    explicit Frame(int part = 0) {
        rec.app.selected_part = part;
        rec.app.module_in->Open(-1);
        rec.app.dump_timeout_ms = 60'000;  // the fake answers at once or never
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                boxes << box->text(), box->accept();
        });
        timer.start(10);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
    }
    QString Status() const { return frame.statusBar()->currentMessage(); }
    int Vol() const { return qobject_cast<QSlider*>(frame.View()->Control(1008))->value(); }

    test::RecordingApp rec;
    CMainFrame frame{rec.app};
    QTimer timer;
    QStringList boxes;
};

}  // namespace

class ModuleWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void CtrlRReadsTheModuleAsOneStepAndFollowsItsChangesAfterwards() {
        Frame f;
        PartTable table = f.rec.app.part_table;
        EffectBlocks effects = f.rec.app.effect_blocks;
        table[vol][0] = 90;
        table[mix][4] = -10;
        table[hpf_b][15] = 20;
        SetEffectType(effects, EffectBlock::variation, 0x05 * 128);
        // Drum setup 1, which part 10 plays: every instrument a little sharp.
        DrumSetups drums;
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note)
            DrumSlot(drums, 0, note, 1) = 70;
        FakeModule module{SetupSysExMessages(table, effects, drums)};
        QTest::keyClick(&f.frame, Qt::Key_R, Qt::ControlModifier);
        QProgressDialog* progress = f.frame.ReadProgressWindow();
        QCOMPARE(progress->labelText(), QStringLiteral("ﾘﾊﾞｰﾌﾞ  1/309"));
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        QVERIFY(
            QTest::qWaitFor([&] { return module.Serve(f.rec), !f.frame.ReadProgressWindow(); }));
        QCOMPARE(module.requests, 230 + 79);  // one at a time, none twice
        QCOMPARE(f.rec.app.part_table, table);
        QCOMPARE(f.rec.app.effect_blocks, effects);
        QVERIFY(f.rec.app.drums == drums);
        QCOMPARE(f.rec.app.edit_history.StepCount(), std::size_t{1});
        QCOMPARE(f.Status(), QStringLiteral("32/32 ﾊﾟｰﾄ, 6/6 ｴﾌｪｸﾄ, 0 ﾀｲﾑｱｳﾄ"));
        QVERIFY(f.frame.windowTitle().endsWith(" *") && f.boxes.isEmpty() && f.Vol() == 90);
        f.rec.app.module_ring->Push(Bytes{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x00, 0x0B, 70, 0xF7});
        QTRY_COMPARE(f.Vol(), 70);
    }

    void CancelKeepsWhatTheSelectedPartsReadBrought() {
        Frame f(4);
        PartTable table = f.rec.app.part_table;
        table[reverb_a][4] = 11;
        table[reverb_b][4] = 22;
        FakeModule module{SetupSysExMessages(table, f.rec.app.effect_blocks), 7};  // A layer
        QTest::keyClick(&f.frame, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        QProgressDialog* progress = f.frame.ReadProgressWindow();
        QVERIFY(QTest::qWaitFor([&] {
            return module.Serve(f.rec), progress->labelText() == QStringLiteral("ﾊﾟｰﾄ 5 B  8/14");
        }));
        QPushButton* cancel = progress->findChild<QPushButton*>();
        QCOMPARE(cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        cancel->click();
        QVERIFY(!f.frame.ReadProgressWindow());
        QCOMPARE(f.rec.app.part_table[reverb_a][4], 11);
        QCOMPARE(f.rec.app.part_table[reverb_b][4], 40);
        QCOMPARE(f.rec.app.edit_history.StepCount(), std::size_t{1});
        QCOMPARE(f.Status(), QStringLiteral("1/2 ﾊﾟｰﾄ, 0 ﾀｲﾑｱｳﾄ"));
        QCOMPARE(f.boxes.size(), 1);
    }

    void ASysExFileWrittenOpensWhenDroppedAndABrokenOneIsRefused() {
        test::TempFolder folder;
        const QString path = QString::fromStdString((folder / "live.syx").string());
        Frame source;
        source.rec.app.part_table[vol][0] = 90;
        source.frame.Document().SetFileDialog([&](const FileDialogRequest& request) {
            return request.name_filters.first() == "SysExﾌｧｲﾙ (*.syx)" ? path : QString();
        });
        source.frame.Action(kIdExportSysEx)->trigger();
        Frame target;
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter({10, 10}, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop({10, 10}, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target.frame, &enter);
        QApplication::sendEvent(&target.frame, &drop);
        QCOMPARE(target.rec.app.part_table, source.rec.app.part_table);
        QCOMPARE(target.Status(), QStringLiteral("live.syx: 230 ﾒｯｾｰｼﾞ読込, 1 ｽｷｯﾌﾟ"));
        QVERIFY(target.Vol() == 90 && target.rec.log.TakeEvents().empty());
        test::WriteBytes(folder / "cut.syx", "\xF0\x43\x10");
        target.frame.OpenDocumentFile(QString::fromStdString((folder / "cut.syx").string()));
        const QStringList boxes = source.boxes + target.boxes;  // either frame's timer shuts it
        QVERIFY(boxes.size() == 1 && boxes[0].startsWith("cut.syx "));
    }
};

QTEST_MAIN(ModuleWindowTest)
#include "module_window_test.moc"
