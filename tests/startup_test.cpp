// The program's start-up as main() runs it, in a folder of its own, over recording outputs.

#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/main_frame.h"
#include "app/program_startup.h"
#include "tests/support/message_catcher.h"
#include "tests/support/recording_app.h"

using namespace kq505;
using kq505::test::MessageCatcher;
using kq505::test::RecordingApp;

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void PortsThatCannotOpenAreReportedAndStartUpGoesOn() {
        const QString a_failed = QStringLiteral("MIDI OUT Aの初期化に失敗しました");
        const QString b_failed = QStringLiteral("MIDI OUT Bの初期化に失敗しました");
        struct Case {
            std::set<int> failing_a, failing_b;
            QStringList messages;
        };
        const QList<Case> cases = {
            {{0}, {1}, {a_failed, b_failed}},
            {{}, {1}, {b_failed}},
            {{0}, {}, {a_failed}},
        };
        for (const Case& c : cases) {
            QTemporaryDir folder;
            RecordingApp rec;
            rec.out(Port::A).failing_devices = c.failing_a;
            rec.out(Port::B).failing_devices = c.failing_b;
            MessageCatcher catcher;
            const std::unique_ptr<CMainFrame> frame =
                StartKQ505(rec.app, {folder.filePath("kq505"), folder.filePath("config")});
            QCOMPARE(catcher.texts, c.messages);
            QVERIFY(frame->isVisible());
            QCOMPARE(rec.app.midi_out_a->IsOpen(), c.failing_a.empty());
            QCOMPARE(rec.app.midi_out_b->IsOpen(), c.failing_b.empty());
        }
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
