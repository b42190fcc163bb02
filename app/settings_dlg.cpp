#include "app/settings_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <array>
#include <string_view>

#include "app/dialog_font.h"
#include "app/kq505_app.h"
#include "app/learn_list.h"
#include "app/message_box.h"
#include "app/settings.h"
#include "view/form_layout.h"
#include "view/text_codec.h"

namespace kq505 {
namespace {

// Template 139, in dialog units.
constexpr DialogRect kDialogSize{0, 0, 236, 424};

struct GroupFrame {
    std::string_view title;
    DialogRect rect;
};
constexpr std::array<GroupFrame, 4> kGroups{{
    {"MIDI", {7, 4, 222, 80}},
    {"Preview", {7, 88, 222, 44}},
    {"Vardel出力", {7, 136, 222, 44}},
    {"その他", {7, 184, 222, 68}},
}};

// In tab order. Combo heights are those of the dropped-down list.
constexpr std::array<FormControl, 13> kControls{{
    {kIdSettingsOutA, CK::kCombo, {56, 16, 166, 100}},
    {kIdSettingsOutB, CK::kCombo, {56, 31, 166, 100}},
    {kIdSettingsIn, CK::kCombo, {56, 46, 166, 100}},
    {kIdSettingsModule, CK::kCombo, {56, 61, 166, 100}},
    {kIdSettingsVelocity, CK::kSlider, {56, 100, 132, 14}},
    {kIdSettingsVelocityDisplay, CK::kEdit, {192, 101, 24, 12}, {}, true, true},
    {kIdSettingsGate, CK::kEdit, {56, 115, 40, 12}},
    {kIdSettingsStep, CK::kEdit, {56, 148, 40, 12}},
    {kIdSettingsSysExComments, CK::kCheckBox, {14, 164, 120, 10}, "S&ysExにコメントを付加"},
    {kIdSettingsLogo, CK::kCheckBox, {14, 197, 120, 10}, "起動時にロゴを表示する(&L)"},
    {kIdSettingsPath, CK::kEdit, {14, 221, 208, 12}},
    {kIdSettingsZoom, CK::kCombo, {62, 236, 44, 60}},
    // Beside the buttons, so that the groups above keep their places.
    {kIdSettingsPace, CK::kCheckBox, {7, 408, 112, 10}, "MIDIケーブルの速度で送信(&D)"},
}};

constexpr std::array<FormLabel, 13> kLabels{{
    {"Out &A", 14, 18, kIdSettingsOutA},
    {"Out &B", 14, 33, kIdSettingsOutB},
    {"&IN", 14, 48, kIdSettingsIn},
    {"&Module", 14, 63, kIdSettingsModule},
    {"&Velocity", 14, 102, kIdSettingsVelocity},
    {"&Gate Time", 14, 117, kIdSettingsGate},
    {"(0～10000msec)", 100, 117},
    {"&Step", 14, 150, kIdSettingsStep},
    {"(0～1920tic)", 100, 150},
    {"音色リストファイルのパス(&P)", 14, 211, kIdSettingsPath},
    {"★次回起動時より有効", 130, 211},
    {"表示ｻｲｽﾞ(&Z)", 14, 238, kIdSettingsZoom},
    {"★次回起動時より有効", 112, 238},
}};

// The play-through, below the template's groups.
constexpr GroupFrame kThruGroup{"MIDI Thru", {7, 256, 222, 54}};
constexpr FormControl kThruControl{
    kIdSettingsThru, CK::kCheckBox, {14, 268, 200, 10}, "MIDI INをA/B両ﾎﾟｰﾄへ送る(&T)"};
constexpr FormControl kThruChannelControl{kIdSettingsThruChannel, CK::kCombo, {56, 280, 166, 40}};
constexpr FormLabel kThruChannelLabel{"&Channel", 14, 282, kIdSettingsThruChannel};
constexpr DialogRect kInputStateRect{14, 296, 208, 10};
constexpr std::array<std::string_view, 2> kThruChannelEntries{"選択中のﾊﾟｰﾄのch", "入力のchのまま"};

// The module's input, below the play-through: where its replies come from, and whether its
// own changes are taken.
constexpr GroupFrame kModuleGroup{"MODULE IN", {7, 314, 222, 42}};
constexpr FormControl kModuleInControl{kIdSettingsModuleIn, CK::kCombo, {56, 326, 166, 100}};
constexpr FormLabel kModuleInLabel{"Module I&N", 14, 328, kIdSettingsModuleIn};
constexpr FormControl kFollowControl{
    kIdSettingsFollow, CK::kCheckBox, {14, 341, 200, 10}, "ﾓｼﾞｭｰﾙの変更に追従"};

// What opening a set-up and the start send, below the module's input.
constexpr GroupFrame kStartGroup{"起動", {7, 360, 222, 42}};
constexpr FormControl kSendOnOpenControl{
    kIdSettingsSendOnOpen, CK::kCheckBox, {14, 372, 200, 10}, "ｾｯﾄｱｯﾌﾟを開いたら全ﾊﾟｰﾄ送信"};
constexpr FormControl kOnStartControl{kIdSettingsOnStart, CK::kCombo, {56, 385, 166, 60}};
constexpr FormLabel kOnStartLabel{"起動時", 14, 387, kIdSettingsOnStart};
// In the order of the values of OnStart.
constexpr std::array<std::string_view, kOnStartChoices> kOnStartEntries{"何もしない", "全ﾊﾟｰﾄ送信",
                                                                        "ﾓｼﾞｭｰﾙから読込"};

constexpr DialogRect kOkRect{124, 406, 50, 14};
constexpr DialogRect kCancelRect{179, 406, 50, 14};

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect Pixels(DialogRect r) {
    const PixelRect p = ToPixels(r);
    return {p.x, p.y, p.width, p.height};
}

QWidget* MakeControl(const FormControl& control, QWidget* parent) {
    QRect rect = Pixels(control.rect);
    QWidget* widget = nullptr;
    switch (control.kind) {
        case ControlKind::kCombo:
            widget = new QComboBox(parent);
            rect.setHeight(DialogUnitsToPixelsY(kComboFieldHeight));
            break;
        case ControlKind::kSlider:
            widget = new QSlider(Qt::Horizontal, parent);
            break;
        case ControlKind::kCheckBox:
            widget = new QCheckBox(Text(control.text), parent);
            break;
        case ControlKind::kEdit: {
            auto* edit = new QLineEdit(parent);
            if (control.right) edit->setAlignment(Qt::AlignRight);
            widget = edit;
            break;
        }
        case ControlKind::kButton:
            widget = new QPushButton(Text(control.text), parent);
            break;
    }
    widget->setObjectName(QString::number(control.id));
    widget->setGeometry(rect);
    return widget;
}

void SetPosition(QComboBox* list, int position) {
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

// The device lists begin with the entry for device -1, so entry = device + 1; a device that
// is not listed shows that entry, which is what OK then stores.
void SetDevice(QComboBox* list, int device) {
    SetPosition(list, std::max(device, -1) + 1);
}

int Device(const QComboBox* list) {
    return std::max(list->currentIndex(), 0) - 1;
}

void SetNumberText(QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
    edit->setCursorPosition(0);
}

}  // namespace

CSettingsDlg::CSettingsDlg(const CKQ505App& app, QWidget* parent)
    : QDialog(parent), lists_(MakeSettingsLists(app)) {
    setWindowTitle(QStringLiteral("環境設定"));
    setFont(DialogFont());
    setFixedSize(Pixels(kDialogSize).size());
    CreateControls();
    CreateLabels();
    CreateThruControls();
    CreateModuleControls();
    CreateStartControls();
    FillLists();
    ValuesToControls(LoadSettingsForm(app, lists_));
    AddLearnList(*this, app);
    out_a_->setFocus();
}

QWidget* CSettingsDlg::Control(int id) const {
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void CSettingsDlg::CreateControls() {
    // The frames first, so that the controls lie above them.
    for (const GroupFrame& group : kGroups) {
        auto* frame = new QGroupBox(Text(group.title), this);
        frame->setGeometry(Pixels(group.rect));
    }
    for (const FormControl& control : kControls)
        MakeControl(control, this);
    out_a_ = static_cast<QComboBox*>(Control(kIdSettingsOutA));
    out_b_ = static_cast<QComboBox*>(Control(kIdSettingsOutB));
    in_ = static_cast<QComboBox*>(Control(kIdSettingsIn));
    module_ = static_cast<QComboBox*>(Control(kIdSettingsModule));
    velocity_ = static_cast<QSlider*>(Control(kIdSettingsVelocity));
    velocity_display_ = static_cast<QLineEdit*>(Control(kIdSettingsVelocityDisplay));
    gate_ = static_cast<QLineEdit*>(Control(kIdSettingsGate));
    step_ = static_cast<QLineEdit*>(Control(kIdSettingsStep));
    sysex_comments_ = static_cast<QCheckBox*>(Control(kIdSettingsSysExComments));
    logo_ = static_cast<QCheckBox*>(Control(kIdSettingsLogo));
    path_ = static_cast<QLineEdit*>(Control(kIdSettingsPath));
    zoom_ = static_cast<QComboBox*>(Control(kIdSettingsZoom));
    pace_ = static_cast<QCheckBox*>(Control(kIdSettingsPace));

    velocity_->setRange(0, kMaxVelocity);
    velocity_display_->setReadOnly(true);
    velocity_display_->setFocusPolicy(Qt::NoFocus);
    connect(velocity_, &QSlider::valueChanged, velocity_display_,
            [this](int value) { velocity_display_->setText(QString::number(value)); });

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(Pixels(kOkRect));
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(Pixels(kCancelRect));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CSettingsDlg::CreateLabels() {
    for (const FormLabel& label : kLabels) {
        auto* widget = new QLabel(Text(label.text), this);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (label.buddy != 0) widget->setBuddy(Control(label.buddy));
        widget->adjustSize();
        widget->move(DialogUnitsToPixelsX(label.x), DialogUnitsToPixelsY(label.y));
    }
}

void CSettingsDlg::CreateThruControls() {
    auto* frame = new QGroupBox(Text(kThruGroup.title), this);
    frame->setGeometry(Pixels(kThruGroup.rect));
    frame->lower();
    thru_ = static_cast<QCheckBox*>(MakeControl(kThruControl, this));
    thru_channel_ = static_cast<QComboBox*>(MakeControl(kThruChannelControl, this));
    for (std::string_view entry : kThruChannelEntries)
        thru_channel_->addItem(Text(entry));
    auto* label = new QLabel(Text(kThruChannelLabel.text), this);
    label->setBuddy(thru_channel_);
    label->adjustSize();
    label->move(DialogUnitsToPixelsX(kThruChannelLabel.x),
                DialogUnitsToPixelsY(kThruChannelLabel.y));
    // An input that cannot be opened is said here and in the status bar, never in a box.
    auto* state = new QLabel(
        lists_.input_failed ? QStringLiteral("※MIDI INを開けませんでした") : QString(), this);
    state->setObjectName(QString::number(kIdSettingsInputState));
    state->setGeometry(Pixels(kInputStateRect));
    setTabOrder(zoom_, thru_);
    setTabOrder(thru_, thru_channel_);
}

void CSettingsDlg::CreateModuleControls() {
    auto* frame = new QGroupBox(Text(kModuleGroup.title), this);
    frame->setGeometry(Pixels(kModuleGroup.rect));
    frame->lower();
    module_in_ = static_cast<QComboBox*>(MakeControl(kModuleInControl, this));
    follow_ = static_cast<QCheckBox*>(MakeControl(kFollowControl, this));
    auto* label = new QLabel(Text(kModuleInLabel.text), this);
    label->setBuddy(module_in_);
    label->adjustSize();
    label->move(DialogUnitsToPixelsX(kModuleInLabel.x), DialogUnitsToPixelsY(kModuleInLabel.y));
    setTabOrder(thru_channel_, module_in_);
    setTabOrder(module_in_, follow_);
}

void CSettingsDlg::CreateStartControls() {
    auto* frame = new QGroupBox(Text(kStartGroup.title), this);
    frame->setGeometry(Pixels(kStartGroup.rect));
    frame->lower();
    send_on_open_ = static_cast<QCheckBox*>(MakeControl(kSendOnOpenControl, this));
    on_start_ = static_cast<QComboBox*>(MakeControl(kOnStartControl, this));
    for (std::string_view entry : kOnStartEntries)
        on_start_->addItem(Text(entry));
    auto* label = new QLabel(Text(kOnStartLabel.text), this);
    label->setBuddy(on_start_);
    label->adjustSize();
    label->move(DialogUnitsToPixelsX(kOnStartLabel.x), DialogUnitsToPixelsY(kOnStartLabel.y));
    setTabOrder(follow_, send_on_open_);
    setTabOrder(send_on_open_, on_start_);
}

void CSettingsDlg::FillLists() {
    for (QComboBox* list : {out_a_, out_b_, in_, module_in_})
        list->addItem(Text(kNoConnectionEntry));
    for (const std::string& name : lists_.outputs) {
        out_a_->addItem(QString::fromStdString(name));
        out_b_->addItem(QString::fromStdString(name));
    }
    for (const std::string& name : lists_.inputs) {
        in_->addItem(QString::fromStdString(name));
        module_in_->addItem(QString::fromStdString(name));
    }
    for (const std::string& name : lists_.module_names)
        module_->addItem(FromShiftJis(name));
    for (const std::int32_t percent : kZoomChoices)
        zoom_->addItem(QStringLiteral("%1 %").arg(percent));
}

void CSettingsDlg::ValuesToControls(const SettingsForm& form) {
    SetDevice(out_a_, form.out_a);
    SetDevice(out_b_, form.out_b);
    SetDevice(in_, form.in);
    SetPosition(module_, form.module);
    velocity_->setValue(form.velocity);
    velocity_display_->setText(QString::number(velocity_->value()));
    SetNumberText(gate_, form.gate);
    SetNumberText(step_, form.step);
    sysex_comments_->setChecked(form.sysex_comments);
    logo_->setChecked(form.logo);
    path_->setText(QString::fromStdString(form.path));
    path_->setCursorPosition(0);
    SetPosition(zoom_, form.zoom);
    pace_->setChecked(form.pace);
    thru_->setChecked(form.thru);
    thru_channel_->setCurrentIndex(form.thru_channel);
    SetDevice(module_in_, form.module_in);
    follow_->setChecked(form.follow);
    send_on_open_->setChecked(form.send_on_open);
    on_start_->setCurrentIndex(form.on_start);
}

SettingsForm CSettingsDlg::Values() const {
    SettingsForm form;
    form.out_a = Device(out_a_);
    form.out_b = Device(out_b_);
    form.in = Device(in_);
    form.module = module_->currentIndex();
    form.velocity = velocity_->value();
    form.gate = gate_->text().toStdString();
    form.step = step_->text().toStdString();
    form.sysex_comments = sysex_comments_->isChecked();
    form.logo = logo_->isChecked();
    form.path = path_->text().toStdString();
    form.zoom = zoom_->currentIndex();
    form.pace = pace_->isChecked();
    form.thru = thru_->isChecked();
    form.thru_channel = std::max(thru_channel_->currentIndex(), 0);
    form.module_in = Device(module_in_);
    form.follow = follow_->isChecked();
    form.send_on_open = send_on_open_->isChecked();
    form.on_start = std::max(on_start_->currentIndex(), 0);
    return form;
}

void CSettingsDlg::SelectField(SettingsField field) {
    QLineEdit* edit = field == SettingsField::kGate   ? gate_
                      : field == SettingsField::kStep ? step_
                                                      : path_;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void CSettingsDlg::accept() {
    if (const std::optional<SettingsError> error = CheckSettingsForm(Values())) {
        ShowMessage(this, Text(error->message));
        SelectField(error->field);
        return;
    }
    QDialog::accept();
}

std::optional<PortOpenResult> RunSettingsDialog(CKQ505App& app, QWidget* parent) {
    CSettingsDlg dialog(app, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const SettingsApplyResult result = ApplySettingsForm(app, dialog.Values(), dialog.Lists());
    ApplyLearnList(dialog, app);
    if (result.applied == SettingsApplied::kWriteFailed) {
        ShowMessage(parent, QStringLiteral("設定ファイル %1 に書き込めませんでした。\n"
                                           "設定はこの起動中だけ有効です。")
                                .arg(QString::fromStdString(app.ini_path)));
    }
    return result.ports;
}

}  // namespace kq505
