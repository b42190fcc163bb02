// The program change dialog as the user meets it: its lists, mouse and key choices, the
// Test Note check box and its gate, the ways it closes, and command P of the main window.

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "instruments/instrument_list.h"
#include "instruments/program_change_dlg.h"
#include "tests/support/recording_app.h"
#include "view/kq505_view.h"
#include "view/text_codec.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::OnB;
using kq505::test::RecordingApp;
using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<MidiEvent>;

namespace {

// A record with its fields at their columns (LSB 2, MSB 6, program 10, level 18, name 22).
std::string Record(char type, const char* lsb, const char* msb, const char* program,
                   const std::string& name) {
    std::string line(22, ' ');
    line[0] = type;
    line.replace(2, std::strlen(lsb), lsb);
    line.replace(6, std::strlen(msb), msb);
    line.replace(10, std::strlen(program), program);
    line[18] = '0';
    return line + name;
}

// "ﾋﾟｱﾉ" in Shift_JIS half-width katakana.
const std::string kPiano = "\xCB\xDF\xB1\xC9";

void LoadList(CKQ505App& app) {
    std::string text = "; the test's list";
    for (const std::string& line : {
             Record('P', "", "000", "", "GM"),
             Record('P', "", "048", "", ""),
             Record('M', "000", "000", "001", kPiano),
             Record('M', "008", "000", "001", "Piano 2"),
             Record('M', "008", "000", "003", "Honky"),
             Record('M', "000", "048", "001", "Map48 One"),
             Record('M', "008", "048", "003", "Map48 Three"),
         }) {
        text += "\r\n" + line;
    }
    app.instrument_text = text;
    ParseInstrumentList(app);
}

QStringList Texts(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts << list.item(row)->text();
    return texts;
}

void Click(QListWidget& list, int row) {
    QListWidgetItem* item = list.item(row);
    QVERIFY(item);
    list.scrollToItem(item);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
}

Events Choice(Port port, int channel, int msb, int lsb, int program) {
    const auto status = [&](int high) { return std::uint8_t(high + channel); };
    return {{port, {status(0xB0), 0x00, std::uint8_t(msb)}},
            {port, {status(0xB0), 0x20, std::uint8_t(lsb)}},
            {port, {status(0xC0), std::uint8_t(program)}}};
}

}  // namespace

class ProgramChangeDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    QPointer<CProgramChangeDlg> dlg_;

    CKQ505App& App() { return rec_->app; }
    Events Take() { return rec_->log.TakeEvents(); }
    QListWidget& List(int id) { return *dlg_->List(id); }

    void Open() {
        dlg_ = new CProgramChangeDlg(App(), nullptr);
        dlg_->show();
        dlg_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dlg_));
    }
    void TestNoteOff() {
        QTest::mouseClick(dlg_->TestNoteCheck(), Qt::LeftButton);
        QVERIFY(!dlg_->TestNoteCheck()->isChecked());
    }

  private slots:
    void init() {
        rec_ = std::make_unique<RecordingApp>();
        LoadList(App());
        App().preview_note = 60;
        App().preview_velocity = 100;
        App().preview_gate_ms = 30;
    }
    void cleanup() {
        delete dlg_.data();
        rec_.reset();
    }

    void templateHoldsSixListsAndTestNoteAtTheirPlaces() {
        Open();
        QCOMPARE(dlg_->windowTitle(), QString("ﾌﾟﾛｸﾞﾗﾑ ﾁｪﾝｼﾞ"));
        QVERIFY(dlg_->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(!dlg_->isModal());
        QCOMPARE(dlg_->size(), QSize(581, 363));  // 332 x 242 dialog units
        // x × 7/4, y × 3/2 of the template's dialog units.
        QCOMPARE(List(1042).geometry(), QRect(21, 41, 158, 120));
        QCOMPARE(List(1043).geometry(), QRect(189, 41, 182, 120));
        QCOMPARE(List(1044).geometry(), QRect(382, 41, 179, 120));
        QCOMPARE(List(1048).geometry(), QRect(21, 209, 158, 120));
        QCOMPARE(List(1050).geometry(), QRect(382, 209, 179, 120));
        QVERIFY(!dlg_->List(1045));
        for (const int id : {1042, 1043, 1044, 1048, 1049, 1050}) {
            QCOMPARE(List(id).selectionMode(), QAbstractItemView::SingleSelection);
            QVERIFY(!List(id).isSortingEnabled());
        }
        QStringList groups, labels;
        for (const QGroupBox* box : dlg_->findChildren<QGroupBox*>())
            groups << box->title();
        for (const QLabel* label : dlg_->findChildren<QLabel*>())
            labels << label->text();
        QCOMPARE(groups, (QStringList{"Port A", "Port B"}));
        QCOMPARE(labels, (QStringList{"MAP :", "PC# :", "BANK :", "MAP :", "PC# :", "BANK :"}));
        QCOMPARE(dlg_->TestNoteCheck()->text(), QString("&Test Note"));
        QVERIFY(dlg_->TestNoteCheck()->isChecked());
        QVERIFY(Take().empty());
    }

    void listsShowTheNamesOfTheTableAndTheRememberedPositions() {
        App().selected_part = 2;
        App().part_table[bank_msb_b][2] = 48;
        App().part_table[program_b][2] = 2;
        App().pc_sel_b[2] = 9;
        App().bank_sel_a[2] = 1;
        Open();
        QCOMPARE(Texts(List(1042)), (QStringList{"000 GM", "048"}));
        QCOMPARE(Texts(List(1048)), Texts(List(1042)));
        QCOMPARE(List(1042).item(1)->data(Qt::UserRole).toInt(), 48);
        QCOMPARE(List(1043).count(), 128);
        QCOMPARE(List(1043).item(0)->text(), "001 " + QString("ﾋﾟｱﾉ"));
        QCOMPARE(List(1043).item(2)->text(), QString("003 "));
        QCOMPARE(List(1049).item(2)->text(), QString("003 Map48 Three"));
        QCOMPARE(Texts(List(1044)), (QStringList{"000 " + QString("ﾋﾟｱﾉ"), "008 Piano 2"}));
        QCOMPARE(List(1044).item(1)->data(Qt::UserRole).toInt(), 8);
        QCOMPARE(Texts(List(1050)), (QStringList{"008 Map48 Three"}));
        QCOMPARE(List(1042).currentRow(), 0);
        QCOMPARE(List(1044).currentRow(), 1);
        QCOMPARE(List(1049).currentRow(), 9);
        QVERIFY(List(1049).selectedItems().contains(List(1049).item(9)));
        QVERIFY(Take().empty());
    }

    void mapChoiceSendsLsbZeroAndTheUnchangedProgram() {
        App().selected_part = 5;
        App().part_table[program_a][5] = 2;
        App().part_table[bank_lsb_a][5] = 8;
        App().pc_sel_a[5] = 2;
        Open();
        TestNoteOff();
        Click(List(1042), 1);
        QCOMPARE(Take(), Choice(Port::A, 5, 48, 0, 2));
        QCOMPARE(App().part_table[bank_msb_a][5], 48);
        QCOMPARE(App().map_sel_a[5], 1);
        QCOMPARE(List(1043).item(2)->text(), QString("003 Map48 Three"));
        QCOMPARE(List(1043).currentRow(), 2);
        // Map 48 names program 3 only under LSB 8; LSB 0 went out all the same.
        QCOMPARE(Texts(List(1044)), (QStringList{"008 Map48 Three"}));
        QCOMPARE(List(1044).currentRow(), 0);

        Click(List(1048), 0);
        QCOMPARE(Take(), Choice(Port::B, 5, 0, 0, 0));
    }

    void withTestNoteOffAChoiceSendsOnlyBankAndProgram() {
        App().selected_part = 1;
        Open();
        TestNoteOff();
        Click(List(1049), 2);
        QCOMPARE(Take(), Choice(Port::B, 1, 0, 0, 2));
        QCOMPARE(Texts(List(1050)), (QStringList{"008 Honky"}));
        Click(List(1050), 0);
        QCOMPARE(Take(), Choice(Port::B, 1, 0, 8, 2));
        QCOMPARE(App().part_table[bank_lsb_b][1], 8);
        QTest::qWait(100);  // three gates
        QVERIFY(!dlg_->TestNoteTimer(Port::A)->isActive());
        QVERIFY(!dlg_->TestNoteTimer(Port::B)->isActive());
        QVERIFY(Take().empty());
    }

    void withTestNoteOnTheNoteEndsAfterItsPortsGate() {
        App().selected_part = 4;
        Open();
        Click(List(1044), 1);
        Events expected = Choice(Port::A, 4, 0, 8, 0);
        expected.push_back(OnA({0x94, 60, 100}));
        QCOMPARE(Take(), expected);
        QTimer* gate = dlg_->TestNoteTimer(Port::A);
        QVERIFY(gate->isActive() && !dlg_->TestNoteTimer(Port::B)->isActive());
        QCOMPARE(gate->interval(), 30);
        QTRY_VERIFY_WITH_TIMEOUT(!rec_->log.events.empty(), 2000);
        QCOMPARE(Take(), (Events{OnA({0x84, 60, 0x40})}));
        QVERIFY(!gate->isActive());
    }

    void eachNoteEndsTheOneBeforeOnItsPortAndEachPortHasItsOwnGate() {
        App().preview_gate_ms = 1000;  // far longer than the three clicks take
        Open();
        QTimer* gate_a = dlg_->TestNoteTimer(Port::A);
        QTimer* gate_b = dlg_->TestNoteTimer(Port::B);
        // When Port A's gate ends, Port B's, started later, still runs.
        bool b_ran_when_a_ended = false;
        connect(gate_a, &QTimer::timeout, this, [&] { b_ran_when_a_ended = gate_b->isActive(); });
        Click(List(1043), 3);
        Click(List(1043), 4);
        Click(List(1049), 4);
        QTRY_VERIFY_WITH_TIMEOUT(!gate_a->isActive() && !gate_b->isActive(), 5000);
        QVERIFY(b_ran_when_a_ended);
        Events expected = Choice(Port::A, 0, 0, 0, 3);
        expected.push_back(OnA({0x90, 60, 100}));
        for (const MidiEvent& e : Choice(Port::A, 0, 0, 0, 4))
            expected.push_back(e);
        expected.push_back(OnA({0x80, 60, 0x40}));  // the first note ends before the second
        expected.push_back(OnA({0x90, 60, 100}));
        for (const MidiEvent& e : Choice(Port::B, 0, 0, 0, 4))
            expected.push_back(e);
        expected.push_back(OnB({0x90, 60, 100}));
        expected.push_back(OnA({0x80, 60, 0x40}));
        expected.push_back(OnB({0x80, 60, 0x40}));
        QCOMPARE(Take(), expected);
    }

    void aClickOnTheChosenEntryOrADragChoosesOnce() {
        Open();
        TestNoteOff();
        QListWidget& programs = List(1049);
        QCOMPARE(programs.currentRow(), 0);
        Click(programs, 0);  // heard again, as a list box reports every click
        QCOMPARE(Take(), Choice(Port::B, 0, 0, 0, 0));

        const auto centre = [&](int row) {
            return programs.visualItemRect(programs.item(row)).center();
        };
        QTest::mousePress(programs.viewport(), Qt::LeftButton, {}, centre(1));
        QTest::mouseMove(programs.viewport(), centre(2));
        QTest::mouseMove(programs.viewport(), centre(3));
        QVERIFY(Take().empty());
        QTest::mouseRelease(programs.viewport(), Qt::LeftButton, {}, centre(3));
        QCOMPARE(Take(), Choice(Port::B, 0, 0, 0, 3));

        // Press, release, double click, release: the voice is chosen and heard once.
        programs.scrollToItem(programs.item(5));
        QTest::mouseDClick(programs.viewport(), Qt::LeftButton, {}, centre(5));
        QCOMPARE(Take(), Choice(Port::B, 0, 0, 0, 5));
    }

    void keysChooseButFocusAloneDoesNot() {
        App().pc_sel_a[0] = -1;
        Open();
        TestNoteOff();
        QListWidget& programs = List(1043);
        QVERIFY(programs.selectedItems().isEmpty());
        programs.setFocus();
        QTRY_VERIFY(programs.hasFocus());
        QVERIFY(Take().empty());
        programs.setCurrentRow(6, QItemSelectionModel::NoUpdate);
        QTest::keyClick(&programs, Qt::Key_Down);
        QCOMPARE(Take(), Choice(Port::A, 0, 0, 0, 7));
        QCOMPARE(App().pc_sel_a[0], 7);
    }

    void enterEscAndTheCloseBoxEndTheDialog() {
        for (const int way : {0, 1, 2}) {
            Open();
            QPointer<CProgramChangeDlg> dialog = dlg_;
            if (way == 0) dialog->close();
            if (way == 1) QTest::keyClick(&List(1043), Qt::Key_Return);
            if (way == 2) QTest::keyClick(&List(1043), Qt::Key_Escape);
            QTRY_VERIFY(dialog.isNull());
        }
        QVERIFY(Take().empty());
    }

    void closingDuringATestNoteEndsItAtOnce() {
        App().preview_gate_ms = 5000;
        Open();
        Click(List(1043), 1);
        Click(List(1049), 1);
        QCOMPARE(Take().size(), std::size_t(8));
        dlg_->close();
        QTRY_VERIFY(dlg_.isNull());
        QCOMPARE(Take(), (Events{OnA({0x80, 60, 0x40}), OnB({0x80, 60, 0x40})}));
    }

    void commandPOpensAndClosesAndAClosedDialogIsBuiltAfresh() {
        App().preview_gate_ms = 5000;
        CMainFrame frame(App());
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QAction* command = frame.Action(32772);
        QTest::keyClick(&frame, Qt::Key_P);
        QPointer<QWidget> first = frame.ProgramChangeWindow();
        QVERIFY(qobject_cast<CProgramChangeDlg*>(first.data()));
        QVERIFY(first->isVisible() && command->isChecked());
        QCOMPARE(first->parentWidget(), &frame);
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QTest::keyClick(&frame, Qt::Key_P);
        QVERIFY(!command->isChecked());
        QTRY_VERIFY(first.isNull());

        command->trigger();
        auto* second = qobject_cast<CProgramChangeDlg*>(frame.ProgramChangeWindow());
        QVERIFY(second);
        QTest::mouseClick(second->TestNoteCheck(), Qt::LeftButton);
        QVERIFY(!second->TestNoteCheck()->isChecked());
        QPointer<QWidget> closing = second;
        second->close();  // as its close box does
        QVERIFY(!command->isChecked());
        QTRY_VERIFY(closing.isNull());
        QVERIFY(!frame.ProgramChangeWindow());

        // Changed meanwhile: a fresh dialog shows it, with Test Note on again.
        App().part_table[program_b][0] = 2;
        command->trigger();
        auto* third = qobject_cast<CProgramChangeDlg*>(frame.ProgramChangeWindow());
        QVERIFY(third && third->isVisible() && command->isChecked());
        QCOMPARE(Texts(*third->List(1050)), (QStringList{"008 Honky"}));
        QVERIFY(third->TestNoteCheck()->isChecked());
        Take();
        QVERIFY(QTest::qWaitForWindowActive(third));
        // Each choice shows on the form at once, while the dialog keeps the focus: the bank,
        // program and name of that layer, the other layer as it was.
        const auto fields = [&](std::initializer_list<int> ids) {
            QStringList texts;
            for (const int id : ids)
                texts << frame.View()->FieldText(id);
            return texts;
        };
        struct Step {
            int list;
            int row;
            QStringList port_a;  // MSB, PC#, LSB, name
            QStringList port_b;
        };
        const QStringList grand{"0", "1", "0", "ﾋﾟｱﾉ"};
        const QStringList honky{"0", "3", "8", "Honky"};
        const QStringList piano2{"0", "1", "8", "Piano 2"};
        const QStringList map48{"48", "1", "0", "Map48 One"};
        for (const Step& step : {
                 Step{1050, 0, grand, honky},
                 Step{1044, 1, piano2, honky},
                 Step{1042, 1, map48, honky},
                 Step{1049, 0, map48, grand},
             }) {
            Click(*third->List(step.list), step.row);
            QVERIFY(!Take().empty());
            QVERIFY(third->isActiveWindow() && !frame.isActiveWindow());
            QCOMPARE(fields({1001, 1002, 1003, 1004}), step.port_a);
            QCOMPARE(fields({1005, 1006, 1007, 1010}), step.port_b);
        }
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        // The frame still answers its commands.
        QVERIFY(frame.isVisible());
        frame.Action(32776)->trigger();
        QCOMPARE(Take(), (Events{OnA({0x90, 60, 100})}));
    }

    void theShippedListShowsTheVariationsByNameAndEveryEntryFitsItsList() {
        App().instrument_file_path = KQ505_SOURCE_DIR "/res/xg.ins";
        QVERIFY(LoadInstrumentList(App()));
        Open();  // part 1 stands at Grand Piano: MSB 0, LSB 0, program 1
        QCOMPARE(Texts(List(1042)),
                 (QStringList{"000 GM/XG Normal", "064 Sound FX", "126 SFX Kit", "127 Drum Kit"}));
        QCOMPARE(Texts(List(1044)), (QStringList{"000 Acoustic Grand Piano", "001 GrndPnoK",
                                                 "018 MelloGrP", "040 PianoStr", "041 Dream"}));
        Click(List(1043), 4);
        QCOMPARE(Texts(List(1050)).size(), 5);  // Port B stays as it was
        QCOMPARE(Texts(List(1044)).mid(0, 3),
                 (QStringList{"000 Electric Piano 1", "001 El.Pno1K", "018 MelloEP1"}));
        Take();

        // No name of any map, program or bank reaches under the scroll bar.
        const QFontMetrics metrics(List(1043).font());
        const auto fits = [&](const ProgramList& entries, const QListWidget& list) {
            for (const ProgramListEntry& entry : entries) {
                const QString text = FromShiftJis(entry.text);
                if (metrics.horizontalAdvance(text) > list.viewport()->width() - 4) {
                    qWarning() << "too wide:" << text;
                    return false;
                }
            }
            return true;
        };
        QVERIFY(fits(MapEntries(App().map_names), List(1042)));
        for (const ProgramListEntry& map : MapEntries(App().map_names)) {
            QVERIFY(fits(ProgramEntries(App().instrument_names, map.value), List(1043)));
            for (int program = 0; program < 128; ++program) {
                QVERIFY(fits(BankEntries(App().instrument_names, map.value, program), List(1044)));
            }
        }
    }
};

QTEST_MAIN(ProgramChangeDlgTest)
#include "program_change_dlg_test.moc"
