#include "view/kq505_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "app/dialog_font.h"
#include "app/kq505_app.h"
#include "app/message_box.h"
#include "app/setup_state.h"
#include "model/note_preview.h"
#include "model/part_transmission.h"
#include "model/play_through_send.h"
#include "view/form_accessible.h"
#include "view/knob_geometry.h"
#include "view/knob_keys.h"
#include "view/knob_painter.h"
#include "view/knob_panel_keys.h"
#include "view/text_codec.h"
#include "view/track_label.h"
#include "view/track_name_dlg.h"

namespace kq505 {
namespace {

// The combo's drop-down list fills the rest of its template height, about eight entries.
constexpr int kComboVisibleItems = 8;

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

CKQ505View::CKQ505View(CKQ505App& app, QWidget* parent) : QWidget(parent), app_(app) {
    setFont(DialogFont());
    setAutoFillBackground(true);
    // Moves without a button reach the view too, so a drag whose release went to another
    // window ends at the next move.
    setMouseTracking(true);
    const PixelRect size = ToPixels(kFormSize);
    setFixedSize(size.width, size.height);
    InstallFormAccessibility();
    CreateControls();
    CreateLabels();
    // After every control, so that Tab reaches the panel after the last slider.
    CreateKnobKeys();
    NameControls();
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
                    painter_.AddField(control, rect);
                    continue;
                }
                widget = FormPainter::NewFieldEdit(this, control);
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

// The captions that name a control are labels, which give the control its mnemonic and its
// accessible name. The others are drawn with the form.
void CKQ505View::CreateLabels() {
    painter_.CreateLabels(this, [this](int id) { return Control(id); });
}

void CKQ505View::CreateKnobKeys() {
    knob_keys_ = new CKnobPanelKeys(app_, this);
    connect(knob_keys_, &CKnobPanelKeys::HandleMoved, this, [this](const DragResult& drag) {
        ShowDrag(form_, app_, drag);
        RepaintKnobPanel();
        ValuesToControls();
    });
    connect(knob_keys_, &CKnobPanelKeys::CurrentHandleChanged, this,
            [this](int code) { NotifyHandleFocus(*knob_keys_, code); });
}

// The names a screen reader gives the controls whose captions are drawn or stand apart.
void CKQ505View::NameControls() {
    static constexpr std::array<std::pair<int, const char*>, 15> kNames{{
        {kIdTrackCombo, "Track Name"},
        {kIdVolSlider, "Vol"},
        {kIdExpSlider, "Exp"},
        {kIdNoteSlider, "Note"},
        {kIdKeyShiftSlider, "Key Shift"},
        {kIdPortaTimeSlider, "Portamento Time"},
        {kIdMixSlider, "A/B Mix"},
        {1001, "A Bank MSB"},
        {1002, "A Program"},
        {1003, "A Bank LSB"},
        {1004, "A Instrument"},
        {1005, "B Bank MSB"},
        {1006, "B Program"},
        {1007, "B Bank LSB"},
        {1010, "B Instrument"},
    }};
    for (const auto& [id, name] : kNames)
        Control(id)->setAccessibleName(QString::fromLatin1(name));
}

// A slider's number means little read out ("Key Shift" 64); its field's text says it.
void CKQ505View::DescribeSliders() {
    const std::array<std::pair<QWidget*, QString>, 6> texts{{
        {m_cVol, QString::number(form_.m_nVol)},
        {m_cExp, QString::number(form_.m_nExp)},
        {m_cNote, Latin(form_.m_strNote)},
        {m_cKeyShift, QString::asprintf("%+d", form_.m_nKeyShift)},
        {m_cPortaTime, QString::number(form_.m_nPortaTime)},
        {m_cMix, Latin(form_.m_strMix)},
    }};
    for (const auto& [slider, text] : texts)
        if (slider->accessibleDescription() != text) slider->setAccessibleDescription(text);
}

void CKQ505View::SetSliderRanges() {
    for (QAbstractSlider* slider : {m_cVol, m_cExp, m_cNote, m_cPortaTime})
        slider->setRange(kRowInfo[vol].min, kRowInfo[vol].max);
    m_cKeyShift->setRange(kRowInfo[key_shift].min, kRowInfo[key_shift].max);
    m_cMix->setRange(kRowInfo[mix].min, kRowInfo[mix].max);
}

void CKQ505View::SetEditText(int id, const QString& text) {
    if (const DrawnField* field = painter_.Field(id)) {
        const QString before = field->text;
        if (!painter_.SetText(id, text)) return;
        update(field->rect);
        NotifyFieldText(*this, id, before, text);
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

QString CKQ505View::FieldText(int id) const {
    if (const DrawnField* field = painter_.Field(id)) return field->text;
    const auto* edit = qobject_cast<const QLineEdit*>(Control(id));
    return edit ? edit->text() : QString();
}

QRect CKQ505View::FieldRect(int id) const {
    if (const DrawnField* field = painter_.Field(id)) return field->rect;
    const QWidget* control = Control(id);
    return control ? control->geometry() : QRect();
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
    DescribeSliders();
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
    if (m_nDragTarget != kNoDragTarget) {
        app_.edit_history.BeginGesture(app_, StepKind::kKnob);
        // The keys go on from the handle last taken with the mouse.
        knob_keys_->SetCurrentHandle(m_nDragTarget);
    }
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

int CKQ505View::ControlAt(const QPoint& point) const {
    for (const DrawnField& field : painter_.Fields())
        if (field.rect.contains(point)) return field.id;
    for (const FormControl& control : kFormControls) {
        const QWidget* widget = Control(control.id);
        if (widget && widget->geometry().contains(point)) return control.id;
    }
    return 0;
}

int CKQ505View::HandleAt(const QPoint& point) const {
    return HitTest(app_, point.x(), point.y());
}

QRegion CKQ505View::KnobPanelRegion() {
    return kq505::KnobPanelRegion();
}

void CKQ505View::RepaintKnobPanel() {
    repaint(KnobPanelRegion());
    for (int index = 0; index < kWalkedHandleCount; ++index)
        NotifyHandleValues(*knob_keys_, HandleCodeAt(index));
}

void CKQ505View::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    PaintKnobPanel(painter, app_, devicePixelRatioF());
    // Fields and captions over the graphs' frames, which some of them touch, as when they
    // were widgets.
    painter_.Draw(painter, event->rect());
}

}  // namespace kq505
