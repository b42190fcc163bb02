// The editor form: its controls, what they show, part selection and the reset commands.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QtTest>

#include <map>
#include <utility>
#include <vector>

#include "app/kq505_app.h"
#include "tests/support/recording_app.h"
#include "view/kq505_view.h"

using namespace kq505;
using kq505::test::OnA;
using kq505::test::RecordingApp;

namespace {

// Template 101 in pixels: x × 7/4, y × 3/2, half pixels rounded up. The combo's height is
// its closed field (13 units), not the list.
const std::vector<std::pair<int, QRect>> kControlPixels{
    {1000, {9, 21, 193, 20}},   {1015, {208, 21, 28, 20}},  {1008, {301, 9, 112, 18}},
    {1011, {413, 12, 21, 18}},  {1009, {301, 30, 112, 18}}, {1012, {413, 33, 21, 18}},
    {1013, {497, 9, 116, 18}},  {1014, {614, 12, 28, 18}},  {1016, {529, 30, 84, 18}},
    {1017, {614, 33, 18, 18}},  {1020, {278, 63, 79, 12}},  {1018, {361, 62, 112, 18}},
    {1021, {473, 65, 21, 18}},  {1001, {53, 60, 26, 18}},   {1002, {86, 60, 26, 18}},
    {1003, {117, 60, 26, 18}},  {1004, {149, 60, 88, 18}},  {1048, {44, 177, 18, 18}},
    {1049, {96, 177, 18, 18}},  {1050, {44, 194, 21, 18}},  {1051, {96, 194, 18, 18}},
    {1052, {182, 177, 18, 18}}, {1053, {235, 177, 18, 18}}, {1054, {235, 194, 18, 18}},
    {1055, {338, 177, 18, 18}}, {1056, {401, 177, 18, 18}}, {1057, {347, 194, 18, 18}},
    {1058, {466, 177, 18, 18}}, {1059, {520, 177, 18, 18}}, {1060, {466, 194, 18, 18}},
    {1061, {597, 177, 21, 18}}, {1063, {639, 177, 18, 18}}, {1062, {597, 194, 21, 18}},
    {1064, {639, 194, 18, 18}}, {1065, {44, 287, 18, 18}},  {1066, {95, 287, 18, 18}},
    {1067, {44, 305, 21, 18}},  {1068, {95, 305, 18, 18}},  {1069, {182, 287, 18, 18}},
    {1070, {235, 287, 18, 18}}, {1071, {235, 305, 18, 18}}, {1072, {338, 287, 18, 18}},
    {1073, {401, 287, 18, 18}}, {1074, {347, 305, 18, 18}}, {1075, {466, 287, 18, 18}},
    {1076, {520, 287, 18, 18}}, {1077, {466, 305, 18, 18}}, {1078, {597, 287, 21, 18}},
    {1080, {639, 287, 18, 18}}, {1079, {597, 305, 21, 18}}, {1081, {639, 305, 18, 18}},
    {1005, {53, 330, 26, 18}},  {1006, {86, 330, 26, 18}},  {1007, {117, 330, 26, 18}},
    {1010, {149, 330, 88, 18}}, {1082, {278, 333, 39, 15}}, {1045, {320, 332, 117, 18}},
    {1046, {446, 335, 35, 18}},
};

// Edit boxes aligned right and edit boxes with a border.
const std::vector<int> kRightAligned{1011, 1012, 1001, 1002, 1003, 1061,
                                     1062, 1078, 1079, 1005, 1006, 1007};
const std::vector<int> kBordered{1001, 1002, 1003, 1004, 1005, 1006, 1007, 1010};

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

class ViewFormTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingApp> rec_;
    std::unique_ptr<CKQ505View> view_;

    QString Text(int id) const { return view_->FieldText(id); }
    QSlider* Slider(int id) const { return qobject_cast<QSlider*>(view_->Control(id)); }
    QComboBox* Combo() const { return qobject_cast<QComboBox*>(view_->Control(1000)); }
    CKQ505App& App() { return rec_->app; }

  private slots:
    void init() {
        rec_ = std::make_unique<RecordingApp>();
        view_ = std::make_unique<CKQ505View>(rec_->app);
        rec_->log.TakeEvents();
    }
    void cleanup() {
        view_.reset();
        rec_.reset();
    }

    void everyControlStandsAtItsTemplatePosition() {
        QCOMPARE(view_->size(), QSize(674, 360));
        for (const auto& [id, rect] : kControlPixels) {
            const auto& control = *std::find_if(kFormControls.begin(), kFormControls.end(),
                                                [id](const FormControl& c) { return c.id == id; });
            const bool drawn = control.kind == ControlKind::kEdit && !Contains(kBordered, id);
            QCOMPARE(view_->Control(id) == nullptr, drawn);
            QCOMPARE(drawn ? view_->FieldRect(id) : view_->Control(id)->geometry(), rect);
        }
    }

    void editBoxesAreReadOnlyWithTheirAlignmentAndBorder() {
        for (const auto& [id, rect] : kControlPixels) {
            auto* edit = qobject_cast<QLineEdit*>(view_->Control(id));
            if (edit == nullptr) continue;
            QVERIFY(edit->isReadOnly());
            QCOMPARE(edit->hasFrame(), Contains(kBordered, id));
            QCOMPARE(bool(edit->alignment() & Qt::AlignRight), Contains(kRightAligned, id));
        }
        view_->show();
        auto* program = qobject_cast<QLineEdit*>(view_->Control(1002));
        const QString shown = program->text();
        QTest::mouseClick(program, Qt::LeftButton);
        QTest::keyClicks(program, "55");
        QTest::keyClick(program, Qt::Key_Backspace);
        QCOMPARE(program->text(), shown);
    }

    void slidersHaveNoTicksAndTheirRanges() {
        const std::map<int, std::pair<int, int>> ranges{{1008, {0, 127}}, {1009, {0, 127}},
                                                        {1013, {0, 127}}, {1016, {40, 88}},
                                                        {1018, {0, 127}}, {1045, {-64, 64}}};
        for (const auto& [id, range] : ranges) {
            QCOMPARE(Slider(id)->tickPosition(), QSlider::NoTicks);
            QCOMPARE(std::pair(Slider(id)->minimum(), Slider(id)->maximum()), range);
        }
        QCOMPARE(Slider(1009)->value(), 127);
        QCOMPARE(Slider(1016)->value(), 64);
        QCOMPARE(Slider(1045)->value(), 0);
        QCOMPARE(Slider(1013)->value(), 69);
        for (int id : {1020, 1082})
            QCOMPARE(view_->Control(id)->layoutDirection(), Qt::RightToLeft);
    }

    void startUpTexts() {
        QCOMPARE(Combo()->count(), 16);
        QCOMPARE(Combo()->itemText(0), QString("#01 :"));
        QCOMPARE(Combo()->itemText(8), QString("#09 :"));
        QCOMPARE(Combo()->itemText(9), QString("#10 :"));
        QCOMPARE(Combo()->itemText(15), QString("#16 :"));
        const std::map<int, QString> texts{
            {1014, "A3"}, {1046, "A=B"}, {1050, "C"},   {1067, "C"},   {1061, "80"},
            {1078, "80"}, {1062, "10k"}, {1079, "10k"}, {1063, "+0"},  {1064, "+0"},
            {1080, "+0"}, {1081, "+0"},  {1011, "100"}, {1012, "127"}, {1017, "0"},
            {1021, "0"},  {1048, "40"},  {1065, "40"},  {1052, "0"},   {1002, "1"}};
        for (const auto& [id, text] : texts)
            QCOMPARE(Text(id), text);
    }

    void selectingAPartShowsEveryRowOfIt() {
        App().selected_part = 0;
        const int part = 5;
        const std::vector<std::pair<Row, int>> values{{vol, 90},
                                                      {Row::exp, 80},
                                                      {key_shift, 52},
                                                      {porta_sw, 1},
                                                      {porta_time, 33},
                                                      {mix, -5},
                                                      {mix_sw, 1},
                                                      {bank_msb_a, 1},
                                                      {bank_msb_b, 2},
                                                      {bank_lsb_a, 3},
                                                      {bank_lsb_b, 4},
                                                      {program_a, 5},
                                                      {program_b, 6},
                                                      {reverb_a, 10},
                                                      {reverb_b, 11},
                                                      {chorus_a, 12},
                                                      {chorus_b, 13},
                                                      {variation_a, 14},
                                                      {variation_b, 15},
                                                      {pan_a, 0},
                                                      {pan_b, 100},
                                                      {brightness_a, 70},
                                                      {brightness_b, 71},
                                                      {harmonic_a, 72},
                                                      {harmonic_b, 73},
                                                      {hpf_a, 60},
                                                      {hpf_b, 61},
                                                      {attack_a, 1},
                                                      {attack_b, 2},
                                                      {decay_a, 3},
                                                      {decay_b, 4},
                                                      {release_a, 120},
                                                      {release_b, 121},
                                                      {vib_rate_a, 100},
                                                      {vib_rate_b, 101},
                                                      {vib_depth_a, 0},
                                                      {vib_depth_b, 127},
                                                      {vib_delay_a, 65},
                                                      {vib_delay_b, 66},
                                                      {eq_bass_freq_a, 4},
                                                      {eq_bass_freq_b, 40},
                                                      {eq_bass_gain_a, 58},
                                                      {eq_bass_gain_b, 127},
                                                      {eq_treble_freq_a, 28},
                                                      {eq_treble_freq_b, 58},
                                                      {eq_treble_gain_a, 0},
                                                      {eq_treble_gain_b, 70}};
        QCOMPARE(int(values.size()), kRowCount);
        for (const auto& [row, value] : values)
            App().part_table[row][part] = value;
        // "ﾋﾟｱﾉ" and "ストリングス" as the instrument list holds them.
        App().instrument_names.Set(1, 5, 3, "\xcb\xdf\xb1\xc9");
        App().instrument_names.Set(2, 6, 4, "\x83\x58\x83\x67\x83\x8a\x83\x93\x83\x4f\x83\x58");

        Combo()->setCurrentIndex(part);

        QCOMPARE(App().selected_part, part);
        QCOMPARE(Slider(1008)->value(), 90);
        QCOMPARE(Slider(1009)->value(), 80);
        QCOMPARE(Slider(1016)->value(), 52);
        QCOMPARE(Slider(1018)->value(), 33);
        QCOMPARE(Slider(1045)->value(), -5);
        QCOMPARE(Slider(1013)->value(), 69);  // the preview note is shared by all parts
        QVERIFY(qobject_cast<QCheckBox*>(view_->Control(1020))->isChecked());
        QVERIFY(qobject_cast<QCheckBox*>(view_->Control(1082))->isChecked());
        const std::map<int, QString> texts{
            {1011, "90"}, {1012, "80"},   {1017, "-12"},         {1021, "33"},  {1046, "A5>B"},
            {1014, "A3"}, {1001, "1"},    {1002, "6"},           {1003, "3"},   {1005, "2"},
            {1006, "7"},  {1007, "4"},    {1048, "10"},          {1065, "11"},  {1049, "12"},
            {1066, "13"}, {1051, "14"},   {1068, "15"},          {1050, "L64"}, {1067, "R36"},
            {1053, "6"},  {1070, "7"},    {1054, "8"},           {1071, "9"},   {1052, "-4"},
            {1069, "-3"}, {1055, "-63"},  {1072, "-62"},         {1056, "-61"}, {1073, "-60"},
            {1057, "56"}, {1074, "57"},   {1059, "36"},          {1076, "37"},  {1060, "-64"},
            {1077, "63"}, {1058, "1"},    {1075, "2"},           {1061, "32"},  {1078, "2.0k"},
            {1063, "-6"}, {1080, "+63"},  {1062, "500"},         {1079, "16k"}, {1064, "-64"},
            {1081, "+6"}, {1004, "ﾋﾟｱﾉ"}, {1010, "ストリングス"}};
        for (const auto& [id, text] : texts)
            QCOMPARE(Text(id), text);
        QVERIFY(rec_->log.events.empty());
    }

    void valuesOnlyAFileCanBringAreShownWithoutLookupsOutsideTables() {
        App().part_table[eq_bass_freq_a][2] = 200;
        App().part_table[eq_treble_freq_b][2] = -1;
        App().part_table[program_a][2] = 255;
        App().part_table[bank_msb_a][2] = 255;
        App().part_table[vib_rate_a][2] = 255;
        Combo()->setCurrentIndex(2);
        QCOMPARE(Text(1061), QString("?"));
        QCOMPARE(Text(1079), QString("?"));
        QCOMPARE(Text(1002), QString("256"));
        QCOMPARE(Text(1004), QString());
    }

    void xgSystemOnResetsTheTableButKeepsThePartAndTheNote() {
        Combo()->setCurrentIndex(7);
        Slider(1013)->setValue(60);
        App().part_table[vol][7] = 5;
        App().part_table[pan_b][7] = 3;
        App().part_table[eq_treble_gain_a][12] = 1;
        rec_->log.TakeEvents();

        view_->OnXgSystemOn();

        QCOMPARE(
            rec_->log.TakeEvents(),
            (std::vector<MidiEvent>{OnA({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7})}));
        PartTable defaults;
        ResetPartParameters(defaults);
        QVERIFY(App().part_table == defaults);
        QCOMPARE(App().selected_part, 7);
        QCOMPARE(Combo()->currentIndex(), 7);
        QCOMPARE(Slider(1013)->value(), 60);
        QCOMPARE(Text(1011), QString("100"));
        QCOMPARE(Text(1067), QString("C"));
        QCOMPARE(Slider(1008)->value(), 100);
    }

    void gmSystomOnSendsItsOwnMessage() {
        view_->OnGmSystemOn();
        QCOMPARE(rec_->log.TakeEvents(),
                 (std::vector<MidiEvent>{OnA({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})}));
    }

    void activationShowsBanksChangedElsewhere() {
        App().Value(program_a) = 40;
        App().Value(bank_lsb_b) = 9;
        App().Value(reverb_a) = 99;  // not a bank field: stays as shown
        QEvent activation(QEvent::ActivationChange);
        QApplication::sendEvent(view_.get(), &activation);
        QCOMPARE(Text(1002), QString("41"));
        QCOMPARE(Text(1007), QString("9"));
        QCOMPARE(Text(1048), QString("40"));
        QVERIFY(rec_->log.events.empty());
    }

    void sendAllSendsTheSelectedPart() {
        Combo()->setCurrentIndex(3);
        view_->OnSendAll();
        const std::vector<MidiEvent> events = rec_->log.TakeEvents();
        QVERIFY(events.size() > 40);
        QCOMPARE(events.front(), OnA({0xB3, 0x07, 100}));
    }

    void everyCaptionEndsBeforeTheControlOrCaptionRightOfIt() {
        // Where each caption stands: the labels that name a control, then the drawn ones.
        QList<std::pair<QString, QRect>> captions;
        for (const QLabel* label : view_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            captions.append({label->text(), label->geometry()});
        for (const CKQ505View::Caption& caption : view_->Captions())
            captions.append({caption.text, caption.rect});
        QCOMPARE(captions.size(), qsizetype(50));
        QList<QRect> others;
        for (const QWidget* child : view_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            others.append(child->geometry());
        for (const auto& [text, rect] : captions)
            others.append(rect);
        int checked = 0;
        for (const auto& [text, own] : captions) {
            for (const QRect& next : others) {
                const bool same_rows = next.top() <= own.bottom() && own.top() <= next.bottom();
                if (next.x() <= own.x() || !same_rows) continue;
                QVERIFY2(own.right() < next.x(), qPrintable(text + QString(" ends at %1, the next "
                                                                           "begins at %2")
                                                                       .arg(own.right())
                                                                       .arg(next.x())));
                ++checked;
            }
        }
        QVERIFY(checked > 30);
    }

    void drawnCaptionsLookAsLabelsWould() {
        const QImage form = view_->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (const CKQ505View::Caption& caption : view_->Captions()) {
            QLabel label(caption.text);
            label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label.setFont(caption.font);
            label.setPalette(view_->palette());
            label.adjustSize();
            QCOMPARE(label.size(), caption.rect.size());
            // The letters only, off the graphs: a caption's last row may lie on a field or a
            // graph's frame.
            const QImage alone = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRgb background = alone.pixel(0, 0);
            int letter_pixels = 0;
            for (int y = 0; y < alone.height(); ++y) {
                for (int x = 0; x < alone.width(); ++x) {
                    const QPoint on_form = caption.rect.topLeft() + QPoint(x, y);
                    if (alone.pixel(x, y) == background) continue;
                    if (CKQ505View::KnobPanelRegion().contains(on_form)) continue;
                    QCOMPARE(form.pixel(on_form), alone.pixel(x, y));
                    ++letter_pixels;
                }
            }
            QVERIFY2(letter_pixels > 10, qPrintable(caption.text));
        }
    }

    void drawnFieldsLookAsFramelessEditsWould() {
        App().Value(eq_bass_freq_a) = 40;  // "2.0k", the widest value
        App().Value(mix) = -64;
        view_->RefreshPart();
        const QImage form = view_->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QWidget parent;
        parent.setFont(view_->font());
        parent.setPalette(view_->palette());
        int drawn = 0;
        for (const FormControl& control : kFormControls) {
            if (control.kind != ControlKind::kEdit || view_->Control(control.id) != nullptr)
                continue;
            ++drawn;
            QLineEdit* edit = CKQ505View::NewFieldEdit(&parent, control);
            edit->setText(view_->FieldText(control.id));
            edit->setCursorPosition(0);
            const QRect rect = view_->FieldRect(control.id);
            edit->resize(rect.size());
            const QImage alone = edit->grab().toImage().convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < alone.height(); ++y) {
                for (int x = 0; x < alone.width(); ++x) {
                    const QPoint on_form = rect.topLeft() + QPoint(x, y);
                    // A caption drawn over the field's edge is no part of the field.
                    if (std::ranges::any_of(view_->Captions(), [&](const auto& caption) {
                            return caption.rect.contains(on_form);
                        }))
                        continue;
                    QVERIFY2(
                        form.pixel(on_form) == alone.pixel(x, y),
                        qPrintable(QString("field %1 at %2,%3").arg(control.id).arg(x).arg(y)));
                }
            }
        }
        QCOMPARE(drawn, 40);
    }

    void rightAlignedFrequenciesKeepOffTheirHzLabel() {
        App().Value(eq_bass_freq_a) = 40;  // "2.0k", the widest label
        view_->RefreshPart();
        QCOMPARE(Text(1061), QString("2.0k"));
        const QRect field = view_->FieldRect(1061);
        const QImage image = view_->grab().toImage();
        const QRgb background = view_->palette().color(QPalette::Window).rgb();
        // The "H" of "Hz" begins right of the field; the two columns before it are background,
        // so the letters do not touch.
        const auto blank = [&](int x) {
            for (int y = field.top(); y <= field.bottom(); ++y)
                if (image.pixel(x, y) != background) return false;
            return true;
        };
        int h = field.right() + 1;
        while (h < field.right() + 6 && blank(h))
            ++h;
        QVERIFY(!blank(h));
        QVERIFY2(blank(h - 1) && blank(h - 2), qPrintable(QString::number(h)));
        bool text = false;
        for (int x = field.left(); x < h - 2; ++x)
            text = text || !blank(x);
        QVERIFY(text);
    }

    void instrumentFieldsShowTheWholeNameAsATip() {
        const std::string name = "Very Long Voice Name That Does Not Fit";
        App().instrument_names.Set(0, 0, 0, name);
        view_->RefreshPart();
        for (int id : {1004, 1010}) {
            QCOMPARE(Text(id), QString::fromStdString(name));
            QCOMPARE(view_->Control(id)->toolTip(), QString::fromStdString(name));
        }
    }

    void theTrackListDropsDownShortWithAScrollBar() {
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        Combo()->showPopup();
        QAbstractItemView* list = Combo()->view();
        QTRY_VERIFY(list->isVisible());
        const int rows = list->viewport()->height() / list->sizeHintForRow(0);
        QVERIFY2(rows <= 8, qPrintable(QString::number(rows)));
        QVERIFY(list->verticalScrollBar()->isVisible());
        Combo()->hidePopup();
    }
};

QTEST_MAIN(ViewFormTest)
#include "kq505_view_test.moc"
