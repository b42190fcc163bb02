#include "view/kq505_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextLayout>
#include <QTimer>
#include <QVarLengthArray>

#include <algorithm>
#include <limits>
#include <span>
#include <utility>

#include "app/dialog_font.h"
#include "app/kq505_app.h"
#include "app/message_box.h"
#include "app/setup_state.h"
#include "model/note_preview.h"
#include "model/part_transmission.h"
#include "model/play_through_send.h"
#include "view/knob_geometry.h"
#include "view/text_codec.h"
#include "view/track_label.h"
#include "view/track_name_dlg.h"

namespace kq505 {
namespace {

const QColor kGridColour(0, 127, 0);
const QColor kCurveColour(127, 255, 0);
constexpr int kHandleRadius = 3;
// The combo's drop-down list fills the rest of its template height, about eight entries.
constexpr int kComboVisibleItems = 8;

QRect ToQRect(const PixelRect& r) {
    return {r.x, r.y, r.width, r.height};
}
QPoint ToQPoint(Point p) {
    return {p.x, p.y};
}

// IPAPGothic's figures are wider than those the template was laid out with; condensed,
// "-64", "127" or "A64>B" fit their boxes instead of losing a sign or a digit.
constexpr int kFieldStretch = 85;
constexpr int kNarrowFieldStretch = 75;
// Cancels the line edit's own two-pixel inner margin, which the boxes leave no room for.
constexpr int kFieldMarginCorrection = -2;
// How far a label may be condensed to end before its neighbour.
constexpr int kMinLabelStretch = 70;

QFont FieldFont(QFont font) {
    font.setStretch(kFieldStretch);
    return font;
}

// One pixel of the form wide. On a screen of normal density that is one screen pixel, drawn
// exactly as the pixel tests expect; on a denser screen the pen widens with the form, so
// lines and handles keep their weight.
QPen OnePixelPen(const QColor& colour, qreal device_pixel_ratio) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(device_pixel_ratio <= 1.0);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// Every other pixel lit, like the window system's dotted pen; Qt::DotLine leaves two
// pixels off between dots.
QPen GuidePen(qreal device_pixel_ratio) {
    QPen pen = OnePixelPen(kGridColour, device_pixel_ratio);
    pen.setDashPattern({1.0, 1.0});
    return pen;
}

void DrawLine(QPainter& painter, const Line& line) {
    painter.drawLine(ToQPoint(line.from), ToQPoint(line.to));
}

void DrawPolyline(QPainter& painter, std::span<const Point> points) {
    QVarLengthArray<QPoint, 128> polygon;
    for (Point p : points)
        polygon.append(ToQPoint(p));
    painter.drawPolyline(polygon.data(), static_cast<int>(polygon.size()));
}

// The track list drops down below its field with a scroll bar, in every style: styles that
// drop down a menu of all 16 entries would cover the knob panel. The style sheet that asks for
// it is set at the first drop-down, because set earlier it builds the list's window on the way
// to the first paint.
class TrackCombo : public QComboBox {
  public:
    using QComboBox::QComboBox;

    void showPopup() override {
        if (styleSheet().isEmpty())
            setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        QComboBox::showPopup();
    }
};

// Right-aligned text without a border keeps the inner margin on its right, off the label that
// may follow ("2.0k" before "Hz"), and is condensed a little more to fit the narrower room.
bool KeepsRightMargin(const FormControl& control) {
    return control.right && !control.border;
}

QFont FieldFontOf(const QFont& form_font, const FormControl& control) {
    QFont font = FieldFont(form_font);
    if (KeepsRightMargin(control)) font.setStretch(kNarrowFieldStretch);
    return font;
}

QMargins FieldTextMargins(const FormControl& control) {
    return {kFieldMarginCorrection, 0, KeepsRightMargin(control) ? 0 : kFieldMarginCorrection, 0};
}

Qt::Alignment FieldAlignment(const FormControl& control) {
    return (control.right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
}

QSlider* CreateSlider(QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setTickPosition(QSlider::NoTicks);
    return slider;
}

QCheckBox* CreateCheckBox(QWidget* parent, const FormControl& control) {
    auto* box = new QCheckBox(
        QString::fromUtf8(control.text.data(), static_cast<qsizetype>(control.text.size())),
        parent);
    // The text stands left of the box.
    box->setLayoutDirection(Qt::RightToLeft);
    box->setFont(FieldFont(parent->font()));
    return box;
}

QString Latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QLineEdit* CKQ505View::NewFieldEdit(QWidget* parent, const FormControl& control) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFrame(control.border);
    edit->setFont(FieldFontOf(parent->font(), control));
    edit->setTextMargins(FieldTextMargins(control));
    edit->setAlignment(FieldAlignment(control));
    // Display fields: they take no focus, so Tab walks the controls that edit.
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    return edit;
}

CKQ505View::CKQ505View(CKQ505App& app, QWidget* parent) : QWidget(parent), app_(app) {
    setFont(DialogFont());
    setAutoFillBackground(true);
    // Moves without a button reach the view too, so a drag whose release went to another
    // window ends at the next move.
    setMouseTracking(true);
    const PixelRect size = ToPixels(kFormSize);
    setFixedSize(size.width, size.height);
    CreateControls();
    CreateLabels();
    SetSliderRanges();

    m_pPreviewTimer = new QTimer(this);
    m_pPreviewTimer->setSingleShot(true);
    connect(m_pPreviewTimer, &QTimer::timeout, this, &CKQ505View::OnPreviewTimer);

    // The ports open once the window has painted (program start-up), not here.
    m_bRefreshOnActivate = true;

    // The bank fields would otherwise read PC# 0 until the window is first activated.
    ShowBanks(form_, app_);
    ValuesToControls();
    m_bDragging = 0;
    // Only now: setting the ranges and the first values is no edit.
    ConnectControls();
}

CKQ505View::~CKQ505View() {
    EndPreview();
    CloseMidiPorts(app_);
}

QWidget* CKQ505View::Control(int id) const {
    if (id < kFirstControlId || id > kLastControlId) return nullptr;
    return controls_[id - kFirstControlId];
}

void CKQ505View::CreateControls() {
    for (const FormControl& control : kFormControls) {
        QRect rect = ToQRect(ToPixels(control.rect));
        QWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::kCombo: {
                m_cTrack = new TrackCombo(this);
                m_cTrack->setMaxVisibleItems(kComboVisibleItems);
                for (int part = 0; part < kPartCount; ++part)
                    m_cTrack->addItem(Latin(PartLabel(part)));
                rect.setHeight(DialogUnitsToPixelsY(kComboFieldHeight));
                widget = m_cTrack;
                break;
            }
            case ControlKind::kButton:
                widget = new QPushButton(Latin(control.text), this);
                break;
            case ControlKind::kSlider:
                widget = CreateSlider(this);
                break;
            case ControlKind::kCheckBox:
                widget = CreateCheckBox(this, control);
                break;
            case ControlKind::kEdit:
                if (!control.border) {
                    drawn_fields_.push_back({control.id,
                                             rect,
                                             FieldFontOf(font(), control),
                                             FieldTextMargins(control),
                                             FieldAlignment(control),
                                             {}});
                    continue;
                }
                widget = NewFieldEdit(this, control);
                break;
        }
        widget->setGeometry(rect);
        controls_[control.id - kFirstControlId] = widget;
    }
    m_cVol = static_cast<QSlider*>(Control(kIdVolSlider));
    m_cExp = static_cast<QSlider*>(Control(kIdExpSlider));
    m_cNote = static_cast<QSlider*>(Control(kIdNoteSlider));
    m_cKeyShift = static_cast<QSlider*>(Control(kIdKeyShiftSlider));
    m_cPortaTime = static_cast<QSlider*>(Control(kIdPortaTimeSlider));
    m_cMix = static_cast<QSlider*>(Control(kIdMixSlider));
    m_cPortamento = static_cast<QCheckBox*>(Control(kIdPortamentoCheck));
    m_cMixSwitch = static_cast<QCheckBox*>(Control(kIdMixCheck));
}

void CKQ505View::ConnectControls() {
    connect(m_cTrack, &QComboBox::currentIndexChanged, this, &CKQ505View::OnTrackSelected);
    // Every way a slider can move (drag, click on the groove, keys, wheel) changes its value.
    const std::array<std::pair<QAbstractSlider*, std::optional<Row>>, 6> sliders{
        {{m_cVol, vol},
         {m_cExp, exp},
         {m_cNote, std::nullopt},
         {m_cKeyShift, key_shift},
         {m_cPortaTime, porta_time},
         {m_cMix, mix}}};
    for (const auto& [slider, row] : sliders) {
        connect(slider, &QAbstractSlider::valueChanged, this,
                [this, row = row] { OnSliderMoved(row); });
        // A press on a slider, on its handle or its groove, opens one step until the release.
        slider->installEventFilter(this);
    }
    connect(m_cPortamento, &QCheckBox::clicked, this, [this] { OnSwitchClicked(porta_sw); });
    connect(m_cMixSwitch, &QCheckBox::clicked, this, [this] { OnSwitchClicked(mix_sw); });
    connect(static_cast<QPushButton*>(Control(kIdEditName)), &QPushButton::clicked, this,
            &CKQ505View::EditTrackName);
}

namespace {

// Pixels from x to the nearest control or label that starts right of it on the rows
// y .. y + height − 1.
int RoomRightOf(int x, int y, int height) {
    int room = std::numeric_limits<int>::max();
    const auto consider = [&](const PixelRect& r) {
        if (r.x > x && r.y < y + height && y < r.y + r.height) room = std::min(room, r.x - x);
    };
    for (const FormControl& control : kFormControls) {
        PixelRect rect = ToPixels(control.rect);
        if (control.kind == ControlKind::kCombo)
            rect.height = DialogUnitsToPixelsY(kComboFieldHeight);
        consider(rect);
    }
    for (const FormLabel& label : kFormLabels)
        consider(ToPixels({label.x, label.y, 1, kLabelHeight}));
    return room;
}

// The size of a single line of text, as a label of that text takes it.
QSize TextExtent(const QFont& font, const QString& text, int flags) {
    constexpr int kAmple = 2000;
    return QFontMetrics(font).boundingRect(QRect(0, 0, kAmple, kAmple), flags, text).size();
}

// IPAPGothic is wider than the face the template was laid out for: a caption that would run
// into its neighbour is condensed, never moved, until it ends a pixel before it.
QFont FittingFont(QFont font, const QString& text, int flags, int room) {
    for (int stretch = 95;
         TextExtent(font, text, flags).width() >= room && stretch >= kMinLabelStretch;
         stretch -= 5) {
        font.setStretch(stretch);
    }
    return font;
}

constexpr int kCaptionFlags = Qt::AlignLeft | Qt::AlignTop;

}  // namespace

// The captions that name a control are labels, which give the control its mnemonic and its
// accessible name. The others are drawn with the form: as 45 more widgets they took about
// 3 ms of the start-up, more than any other part of the window.
void CKQ505View::CreateLabels() {
    for (const FormLabel& label : kFormLabels) {
        const QString text = Latin(label.text);
        const PixelRect place = ToPixels({label.x, label.y, 1, kLabelHeight});
        const int room = RoomRightOf(place.x, place.y, place.height);
        if (label.buddy == 0) {
            const QFont fitted = FittingFont(font(), text, kCaptionFlags, room);
            captions_.push_back(
                {text, QRect(QPoint(place.x, place.y), TextExtent(fitted, text, kCaptionFlags)),
                 fitted});
            continue;
        }
        auto* widget = new QLabel(text, this);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget->setBuddy(Control(label.buddy));
        widget->setFont(FittingFont(font(), text, kCaptionFlags | Qt::TextShowMnemonic, room));
        widget->adjustSize();
        widget->move(place.x, place.y);
    }
}

void CKQ505View::DrawCaptions(QPainter& painter, const QRect& exposed) const {
    painter.setPen(palette().color(QPalette::WindowText));
    for (const Caption& caption : captions_) {
        if (!caption.rect.intersects(exposed)) continue;
        painter.setFont(caption.font);
        // A letter reaching out of the rectangle ("T" to the left) is cut, as a label cuts it.
        painter.setClipRect(caption.rect);
        painter.drawText(caption.rect, kCaptionFlags, caption.text);
    }
    painter.setClipping(false);
}

void CKQ505View::SetSliderRanges() {
    for (QAbstractSlider* slider : {m_cVol, m_cExp, m_cNote, m_cPortaTime})
        slider->setRange(kRowInfo[vol].min, kRowInfo[vol].max);
    m_cKeyShift->setRange(kRowInfo[key_shift].min, kRowInfo[key_shift].max);
    m_cMix->setRange(kRowInfo[mix].min, kRowInfo[mix].max);
}

void CKQ505View::SetEditText(int id, const QString& text) {
    if (DrawnField* field = FindDrawnField(id)) {
        if (field->text == text) return;
        field->text = text;
        update(field->rect);
        return;
    }
    auto* edit = static_cast<QLineEdit*>(Control(id));
    edit->setText(text);
    // A text longer than its box shows its beginning, never just its end.
    edit->setCursorPosition(0);
}

void CKQ505View::SetEditNumber(int id, int value) {
    SetEditText(id, QString::number(value));
}

const CKQ505View::DrawnField* CKQ505View::FindDrawnField(int id) const {
    const auto found = std::ranges::find(drawn_fields_, id, &DrawnField::id);
    return found == drawn_fields_.end() ? nullptr : &*found;
}

CKQ505View::DrawnField* CKQ505View::FindDrawnField(int id) {
    return const_cast<DrawnField*>(std::as_const(*this).FindDrawnField(id));
}

QString CKQ505View::FieldText(int id) const {
    if (const DrawnField* field = FindDrawnField(id)) return field->text;
    const auto* edit = qobject_cast<const QLineEdit*>(Control(id));
    return edit ? edit->text() : QString();
}

QRect CKQ505View::FieldRect(int id) const {
    if (const DrawnField* field = FindDrawnField(id)) return field->rect;
    const QWidget* control = Control(id);
    return control ? control->geometry() : QRect();
}

namespace {

// Where a line edit without a frame puts its text: inside the text margins, two pixels in from
// the sides and one from the top; right-aligned text that fits ends a pixel before the right.
constexpr int kEditHorizontalMargin = 2;
constexpr int kEditVerticalMargin = 1;

}  // namespace

void CKQ505View::DrawFields(QPainter& painter, const QRect& exposed) const {
    const QColor background = palette().color(QPalette::Window);
    const QColor ink = palette().color(QPalette::Text);
    for (const DrawnField& field : drawn_fields_) {
        if (!field.rect.intersects(exposed)) continue;
        painter.fillRect(field.rect, background);
        if (field.text.isEmpty()) continue;
        QTextLayout layout(field.text, field.font);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        const QRect inner = field.rect.marginsRemoved(field.margins);
        const QRect text_room =
            inner.adjusted(kEditHorizontalMargin, kEditVerticalMargin, -kEditHorizontalMargin, 0);
        const int width_used = qRound(line.naturalTextWidth()) + 1;
        const bool right = (field.alignment & Qt::AlignRight) && width_used <= text_room.width();
        const int scroll = right ? width_used - text_room.width() + 1 : 0;
        painter.save();
        painter.setClipRect(field.rect.intersected(inner));
        painter.setPen(ink);
        layout.draw(&painter, QPointF(text_room.x() - scroll, text_room.y()));
        painter.restore();
    }
}

void CKQ505View::PushLayer(const LayerFields& f, Port layer) {
    // Identifiers of the layer's fields: MSB, PC#, LSB, instrument, then the knob fields.
    struct Ids {
        int msb, program, lsb, instrument, reverb, chorus, pan, variation, hpf, brightness,
            harmonic, attack, decay, release, delay, rate, depth, bass_freq, treble_freq, bass_gain,
            treble_gain;
    };
    static constexpr Ids kA{1001, 1002, 1003, 1004, 1048, 1049, 1050, 1051, 1052, 1053, 1054,
                            1055, 1056, 1057, 1058, 1059, 1060, 1061, 1062, 1063, 1064};
    static constexpr Ids kB{1005, 1006, 1007, 1010, 1065, 1066, 1067, 1068, 1069, 1070, 1071,
                            1072, 1073, 1074, 1075, 1076, 1077, 1078, 1079, 1080, 1081};
    const Ids& id = layer == Port::B ? kB : kA;
    SetEditNumber(id.msb, f.m_nBankMsb);
    SetEditNumber(id.program, f.m_nProgram);
    SetEditNumber(id.lsb, f.m_nBankLsb);
    const QString instrument = FromShiftJis(f.m_strInstrument);
    SetEditText(id.instrument, instrument);
    // The box is narrower than many names; the whole name shows when the pointer rests on it.
    Control(id.instrument)->setToolTip(instrument);
    SetEditNumber(id.reverb, f.m_nReverb);
    SetEditNumber(id.chorus, f.m_nChorus);
    SetEditText(id.pan, Latin(f.m_strPan));
    SetEditNumber(id.variation, f.m_nVariation);
    SetEditNumber(id.hpf, f.m_nHpf);
    SetEditNumber(id.brightness, f.m_nBrightness);
    SetEditNumber(id.harmonic, f.m_nHarmonic);
    SetEditNumber(id.attack, f.m_nAttack);
    SetEditNumber(id.decay, f.m_nDecay);
    SetEditNumber(id.release, f.m_nRelease);
    SetEditNumber(id.delay, f.m_nVibDelay);
    SetEditNumber(id.rate, f.m_nVibRate);
    SetEditNumber(id.depth, f.m_nVibDepth);
    SetEditText(id.bass_freq, Latin(f.m_strBassFreq));
    SetEditText(id.treble_freq, Latin(f.m_strTrebleFreq));
    SetEditText(id.bass_gain, Latin(f.m_strBassGain));
    SetEditText(id.treble_gain, Latin(f.m_strTrebleGain));
}

void CKQ505View::ValuesToControls() {
    // Pushing values is no edit: the controls' own notifications stay quiet meanwhile.
    const QSignalBlocker blocks[] = {
        QSignalBlocker(m_cTrack), QSignalBlocker(m_cVol),        QSignalBlocker(m_cExp),
        QSignalBlocker(m_cNote),  QSignalBlocker(m_cKeyShift),   QSignalBlocker(m_cPortaTime),
        QSignalBlocker(m_cMix),   QSignalBlocker(m_cPortamento), QSignalBlocker(m_cMixSwitch)};
    m_cTrack->setCurrentIndex(form_.m_nTrack);
    m_cVol->setValue(form_.m_nVolPos);
    SetEditNumber(1011, form_.m_nVol);
    m_cExp->setValue(form_.m_nExpPos);
    SetEditNumber(1012, form_.m_nExp);
    m_cNote->setValue(form_.m_nNotePos);
    SetEditText(1014, Latin(form_.m_strNote));
    m_cKeyShift->setValue(form_.m_nKeyShiftPos);
    SetEditNumber(1017, form_.m_nKeyShift);
    m_cPortamento->setChecked(form_.m_bPortamento != 0);
    m_cPortaTime->setValue(form_.m_nPortaTimePos);
    SetEditNumber(1021, form_.m_nPortaTime);
    m_cMixSwitch->setChecked(form_.m_bMix != 0);
    m_cMix->setValue(form_.m_nMixPos);
    SetEditText(1046, Latin(form_.m_strMix));
    PushLayer(form_.a, Port::A);
    PushLayer(form_.b, Port::B);
}

void CKQ505View::ControlsToValues() {
    // The edit boxes are read-only, so only these controls can hold anything new.
    form_.m_nTrack = m_cTrack->currentIndex();
    form_.m_nVolPos = m_cVol->value();
    form_.m_nExpPos = m_cExp->value();
    form_.m_nNotePos = m_cNote->value();
    form_.m_nKeyShiftPos = m_cKeyShift->value();
    form_.m_bPortamento = m_cPortamento->isChecked() ? 1 : 0;
    form_.m_nPortaTimePos = m_cPortaTime->value();
    form_.m_bMix = m_cMixSwitch->isChecked() ? 1 : 0;
    form_.m_nMixPos = m_cMix->value();
}

void CKQ505View::RefreshPart() {
    form_.m_nTrack = app_.selected_part;
    ShowPart(form_, app_);
    ValuesToControls();
    RepaintKnobPanel();
}

void CKQ505View::OnSliderMoved(std::optional<Row> row) {
    ControlsToValues();
    // Inside a mouse press the move belongs to its step; a key or wheel step is one itself.
    if (app_.edit_history.InGesture()) {
        ApplySliders(app_, form_, row);
    } else {
        app_.edit_history.Record(app_, StepKind::kSlider, [&] { ApplySliders(app_, form_, row); });
    }
    ValuesToControls();
}

bool CKQ505View::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (press || event->type() == QEvent::MouseButtonRelease) {
        // Only now is the event known to be a mouse event.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (press)
                app_.edit_history.BeginGesture(app_, StepKind::kSlider);
            else
                app_.edit_history.EndGesture(app_);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CKQ505View::OnSwitchClicked(Row row) {
    ControlsToValues();
    app_.edit_history.Record(app_, StepKind::kSwitch, [&] { ApplySwitch(app_, form_, row); });
}

void CKQ505View::OnTrackSelected() {
    ControlsToValues();
    if (!SelectPart(app_, form_.m_nTrack)) return;
    ShowPart(form_, app_);
    ValuesToControls();
    RepaintKnobPanel();
    emit PartSelected();
}

void CKQ505View::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) OnWindowActivation();
    QWidget::changeEvent(event);
}

bool CKQ505View::event(QEvent* event) {
    // ActivationChange reaches windows only; inside the main frame the form hears of its
    // window's activation as WindowActivate and WindowDeactivate.
    const QEvent::Type type = event->type();
    if ((type == QEvent::WindowActivate || type == QEvent::WindowDeactivate) && !isWindow())
        OnWindowActivation();
    return QWidget::event(event);
}

void CKQ505View::OnWindowActivation() {
    // Another window took over: its clicks must not go on dragging a handle here.
    if (!isActiveWindow()) EndDrag();
    OnActivationChanged();
}

void CKQ505View::OnActivationChanged() {
    // The program change dialog edits banks and programs while the form is inactive.
    if (!m_bRefreshOnActivate) return;
    m_bRefreshOnActivate = false;
    ShowBanks(form_, app_);
    ValuesToControls();
    m_bRefreshOnActivate = true;
}

void CKQ505View::RefreshInstrumentNames() {
    ShowBanks(form_, app_);
    ValuesToControls();
}

void CKQ505View::ShowResetDisplay() {
    // The table has just been reset, so the shown part's fields are its defaults.
    ShowPart(form_, app_);
    ValuesToControls();
    RepaintKnobPanel();
}

void CKQ505View::OnXgSystemOn() {
    app_.edit_history.Record(app_, StepKind::kXgSystemOn, [this] { SendXgSystemOn(app_); });
    ShowResetDisplay();
}

void CKQ505View::OnGmSystemOn() {
    app_.edit_history.Record(app_, StepKind::kGmSystemOn, [this] { SendGmSystemOn(app_); });
    ShowResetDisplay();
}

void CKQ505View::OnEditUndo() {
    ShowStep(app_.edit_history.Undo(app_));
}

void CKQ505View::OnEditRedo() {
    ShowStep(app_.edit_history.Redo(app_));
}

void CKQ505View::ShowStep(const EditStep* step) {
    if (!step) return;
    for (const NameChange& change : step->names) {
        const std::string& name = app_.track_names[change.part];
        SetTrackEntryText(
            change.part, name.empty() ? PartLabel(change.part) : TrackEntryText(change.part, name));
    }
    // The step's part is selected now: the form shows it, its knob panel included.
    RefreshPart();
}

void CKQ505View::OnSendAll() {
    SendAllPartParameters(app_);
}

void CKQ505View::OnPreviewPortA() {
    StartPreview({Port::A});
}
void CKQ505View::OnPreviewPortB() {
    StartPreview({Port::B});
}
void CKQ505View::OnPreviewLayer() {
    StartPreview({Port::A, Port::B});
}

void CKQ505View::StartPreview(std::initializer_list<Port> ports) {
    for (Port port : ports)
        SendPreviewNote(app_, port);
    // Restarting a running timer counts the gate from the latest preview.
    m_pPreviewTimer->start(PreviewGateMs(app_));
}

void CKQ505View::OnPreviewTimer() {
    SendPreviewEnd(app_);
    m_pPreviewTimer->stop();
}

void CKQ505View::EndPreview() {
    if (m_pPreviewTimer->isActive()) OnPreviewTimer();
}

void CKQ505View::EditTrackName() {
    const int part = app_.selected_part;
    CTrackNameDlg dialog(Latin(PartLabel(part)), FromShiftJis(app_.track_names[part]), window());
    if (dialog.exec() != QDialog::Accepted) return;
    // The dialog's validator lets only names with a Shift_JIS form of at most 64 bytes through.
    const std::optional<std::string> name = ToShiftJis(dialog.m_strName);
    if (!name) return;
    app_.edit_history.Record(app_, StepKind::kTrackName, [&] { SetTrackName(app_, part, *name); });
    SetTrackEntryText(part, TrackEntryText(part, app_.track_names[part]));
}

void CKQ505View::SetTrackEntryText(int part, std::string_view shift_jis_text) {
    if (part < 0 || part >= m_cTrack->count()) return;
    // Swapping the entry is no selection: the form is not refreshed and nothing is sent.
    const QSignalBlocker block(m_cTrack);
    const int selected = m_cTrack->currentIndex();
    m_cTrack->removeItem(part);
    m_cTrack->insertItem(part, FromShiftJis(shift_jis_text));
    m_cTrack->setCurrentIndex(selected);
}

void CKQ505View::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    // Qt keeps the mouse with this widget until the button is released.
    const QPoint p = event->position().toPoint();
    m_bDragging = 1;
    m_nLastX = p.x();
    m_nLastY = p.y();
    m_nDragTarget = HitTest(app_, p.x(), p.y());
    if (m_nDragTarget != kNoDragTarget) app_.edit_history.BeginGesture(app_, StepKind::kKnob);
    event->accept();
}

void CKQ505View::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragging == 0 || m_nDragTarget == kNoDragTarget) return QWidget::mouseMoveEvent(event);
    // The release went elsewhere (another window took the mouse): the drag is over.
    if (!(event->buttons() & Qt::LeftButton)) return EndDrag();
    const QPoint p = event->position().toPoint();
    const int dx = p.x() - m_nLastX;
    const int dy = m_nLastY - p.y();
    m_nLastX = p.x();
    m_nLastY = p.y();
    ShowDrag(form_, app_, DragHandle(app_, m_nDragTarget, dx, dy));
    RepaintKnobPanel();
    ValuesToControls();
}

void CKQ505View::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    EndDrag();
}

void CKQ505View::EndDrag() {
    // The drag, from press to here, is one step.
    if (m_nDragTarget != kNoDragTarget) app_.edit_history.EndGesture(app_);
    m_bDragging = 0;
    m_nLastX = 0;
    m_nLastY = 0;
    m_nDragTarget = kNoDragTarget;
}

QRegion CKQ505View::KnobPanelRegion() {
    QRegion region;
    for (const PixelRect& box : PanelBoxes())
        region += ToQRect(box);
    return region;
}

void CKQ505View::RepaintKnobPanel() {
    repaint(KnobPanelRegion());
}

void CKQ505View::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    RedrawKnobPanel(painter);
    // Fields and captions over the graphs' frames, which some of them touch, as when they
    // were widgets.
    DrawFields(painter, event->rect());
    DrawCaptions(painter, event->rect());
}

void CKQ505View::RedrawKnobPanel(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    DrawPanelBackground(painter);
    // A pen one form pixel wide is centred on its line; moved half a pixel, it covers the
    // screen pixels of the form pixel the line stands on, as the one-pixel pen does.
    if (devicePixelRatioF() > 1.0) painter.translate(0.5, 0.5);
    DrawPanelGrid(painter);
    DrawPanelCurves(painter);
    painter.resetTransform();
    painter.setClipping(false);
}

void CKQ505View::DrawPanelBackground(QPainter& painter) const {
    for (const PixelRect& box : PanelBoxes())
        painter.fillRect(ToQRect(box), Qt::black);
}

namespace {

constexpr std::array<Graph, kGraphCount> kGraphs{Graph::kSend, Graph::kFilter, Graph::kEnvelope,
                                                 Graph::kVibrato, Graph::kEqualiser};

// Values only a settings file can bring may put curves outside their frames; each graph
// stays in its own box, off its neighbours and the labels and fields around the panel.
void ClipToGraph(QPainter& painter, Port layer, Graph graph) {
    // The box in form pixels, whatever shift the pens are drawn with.
    const QTransform shift = painter.worldTransform();
    painter.resetTransform();
    painter.setClipRect(ToQRect(GraphBox(layer, graph)));
    painter.setWorldTransform(shift);
}

template <std::size_t N>
void DrawLinesOf(QPainter& painter, Graph graph, const std::array<Line, N>& lines,
                 const std::array<Graph, N>& graphs) {
    for (std::size_t i = 0; i < N; ++i)
        if (graphs[i] == graph) DrawLine(painter, lines[i]);
}

}  // namespace

void CKQ505View::DrawPanelGrid(QPainter& painter) const {
    const std::array<LayerValues, 2> values{ReadLayerValues(app_, Port::A),
                                            ReadLayerValues(app_, Port::B)};
    painter.setPen(OnePixelPen(kGridColour, devicePixelRatioF()));
    for (Port layer : {Port::A, Port::B}) {
        const std::array<FrameEdges, kFrameCount> frames = GraphFrames(layer);
        const auto grid = GridLines(values[layer == Port::B], layer);
        for (Graph graph : kGraphs) {
            ClipToGraph(painter, layer, graph);
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const FrameEdges& f = frames[i];
                if (kFrameGraphs[i] == graph)
                    painter.drawRect(f.left, f.top, f.right - f.left, f.bottom - f.top);
            }
            DrawLinesOf(painter, graph, grid, kGridLineGraphs);
        }
    }
    painter.setPen(GuidePen(devicePixelRatioF()));
    for (Port layer : {Port::A, Port::B}) {
        const auto guides = GuideLines(values[layer == Port::B], layer);
        for (Graph graph : kGraphs) {
            ClipToGraph(painter, layer, graph);
            DrawLinesOf(painter, graph, guides, kGuideLineGraphs);
        }
    }
}

void CKQ505View::DrawPanelCurves(QPainter& painter) const {
    painter.setPen(OnePixelPen(kCurveColour, devicePixelRatioF()));
    for (Port layer : {Port::A, Port::B}) {
        const LayerValues values = ReadLayerValues(app_, layer);
        const LayerCurves c = CurvesOf(values, layer);
        ClipToGraph(painter, layer, Graph::kSend);
        for (const Line& line : c.send_cross)
            DrawLine(painter, line);
        ClipToGraph(painter, layer, Graph::kFilter);
        DrawPolyline(painter, c.filter);
        ClipToGraph(painter, layer, Graph::kEnvelope);
        DrawPolyline(painter, c.envelope);
        ClipToGraph(painter, layer, Graph::kVibrato);
        DrawLine(painter, c.vibrato_lead);
        DrawVibratoWave(painter, c.wave_start, c.wave_end, values, layer);
        DrawLine(painter, c.vibrato_tail);
        ClipToGraph(painter, layer, Graph::kEqualiser);
        DrawPolyline(painter, c.eq_bass);
        DrawPolyline(painter, c.eq_treble);
        for (int kind = 0; kind < kHandleKindCount; ++kind) {
            ClipToGraph(painter, layer, GraphOf(static_cast<HandleKind>(kind)));
            DrawHandle(painter, c.handles[static_cast<std::size_t>(kind)]);
        }
    }
}

void CKQ505View::DrawHandle(QPainter& painter, Point centre) {
    painter.drawEllipse(ToQPoint(centre), kHandleRadius, kHandleRadius);
}

void CKQ505View::DrawVibratoWave(QPainter& painter, int start, int end, const LayerValues& values,
                                 Port layer) {
    const int middle = LayerLinesOf(layer).middle;
    std::vector<Point> wave = VibratoWave(start, end, middle, values.depth, values.rate);
    // The wave ends back on the middle line, at the rate handle.
    wave.push_back({end, middle});
    DrawPolyline(painter, wave);
}

}  // namespace kq505
