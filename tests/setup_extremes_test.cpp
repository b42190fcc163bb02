// Set-ups that hold the largest or the smallest whole number a file can carry in every
// value: they open, every part is shown on the main form and painted on the knob panel,
// and the values arrive as the program can hold them. The sanitizer build stops at the
// first overflow, so opening and painting them is the test.

#include <QComboBox>
#include <QImage>
#include <QTest>

#include <memory>
#include <string>

#include "app/main_frame.h"
#include "effects/effect_setup.h"
#include "files/setup_file.h"
#include "tests/support/message_catcher.h"
#include "tests/support/recording_app.h"
#include "tests/support/temp_folder.h"
#include "view/kq505_view.h"

using namespace kq505;

namespace {

// Every part's rows and list positions, and every effect value but the types (a type the
// tables do not list refuses the file), set to `value`.
std::string ExtremeSetup(const std::string& value) {
    std::string text = std::string(kSetupFormatLine) + "\nversion=2\n";
    for (int part = 1; part <= kPartCount; ++part) {
        text += "[Part " + std::to_string(part) + "]\n";
        for (const char* key :
             {"map_sel_a", "pc_sel_a", "bank_sel_a", "map_sel_b", "pc_sel_b", "bank_sel_b"})
            text += std::string(key) + "=" + value + "\n";
        for (int row = 0; row < kRowCount; ++row)
            text += std::string(kRowInfo[row].name) + "=" + value + "\n";
    }
    text += "[Effects]\n";
    for (const EffectItem& item : AllEffectItems()) {
        if (item.kind != EffectItem::type) text += EffectKey(item) + "=" + value + "\n";
    }
    return text;
}

}  // namespace

class SetupExtremesTest : public QObject {
    Q_OBJECT

  private slots:
    void ExtremeValuesOpenClampedAndPaint_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("row_value");
        QTest::newRow("largest") << QStringLiteral("2147483647") << 127;
        QTest::newRow("smallest") << QStringLiteral("-2147483648") << -128;
    }

    void ExtremeValuesOpenClampedAndPaint() {
        QFETCH(QString, value);
        QFETCH(int, row_value);
        test::TempFolder folder;
        test::WriteBytes(folder / "extreme.kqset", ExtremeSetup(value.toStdString()));
        test::MessageCatcher catcher;
        test::RecordingApp rec;
        rec.app.ini_path = (folder / "kq505.ini").string();
        CMainFrame frame(rec.app);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.OpenDocumentFile(QString::fromStdString((folder / "extreme.kqset").string()));
        QCOMPARE(catcher.texts, QStringList());
        QCOMPARE(frame.windowTitle(), QStringLiteral("KQ505 - extreme.kqset"));

        auto* parts = frame.findChild<QComboBox*>();
        QVERIFY(parts);
        for (int part = 0; part < kPartCount; ++part) {
            parts->setCurrentIndex(part);
            QCOMPARE(rec.app.selected_part, part);
            QVERIFY(!frame.View()->grab().toImage().isNull());
            for (int row = 0; row < kRowCount; ++row)
                QCOMPARE(rec.app.part_table[row][part], row_value);
            for (const PartInts* list :
                 {&rec.app.map_sel_a, &rec.app.pc_sel_a, &rec.app.bank_sel_a, &rec.app.map_sel_b,
                  &rec.app.pc_sel_b, &rec.app.bank_sel_b})
                QCOMPARE((*list)[part], -1);  // no list holds such a position
        }
        const EffectBlocks& effects = rec.app.effect_blocks;
        for (const EffectItem& item : AllEffectItems()) {
            const EffectRange range = RangeOf(effects, item);
            const std::int32_t held = EffectValue(effects, item);
            QVERIFY2(held >= range.min && held <= range.max, EffectKey(item).c_str());
        }
    }
};

QTEST_MAIN(SetupExtremesTest)
#include "setup_extremes_test.moc"
