#include "xgpart/xg_part_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

#include "app/dialog_font.h"
#include "app/edit_history.h"
#include "app/kq505_app.h"
#include "model/value_text.h"
#include "xgpart/xg_part_edit.h"

namespace kq505 {
namespace {

constexpr int kKeyLookMs = 20;
constexpr int kBoxWidth = 78;
constexpr std::array<const char*, 2> kLayerNames{"A", "B"};

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int Param(std::uint8_t low) {
    return XgPartParamAt(low);
}

const XgParamInfo& Info(int param) {
    return XgPartParams()[static_cast<std::size_t>(param)];
}

// A spin box that shows its value in the parameter's format and takes a shown text or a
// plain number.
class XgValueBox : public QSpinBox {
  public:
    XgValueBox(const XgParamInfo& info, QWidget* parent) : QSpinBox(parent), info_(info) {
        setRange(info.min, info.max);
        setAlignment(Qt::AlignRight);
        setFixedWidth(kBoxWidth);
        setKeyboardTracking(false);
    }

  protected:
    QString textFromValue(int value) const override { return Text(XgValueText(info_, value)); }
    int valueFromText(const QString& text) const override { return Typed(text).value_or(value()); }
    // A text as shown, or a plain number in range; anything else may still become one.
    QValidator::State validate(QString& input, int& /*position*/) const override {
        return Typed(input) ? QValidator::Acceptable : QValidator::Intermediate;
    }

  private:
    std::optional<int> Typed(const QString& text) const {
        const QString typed = text.trimmed();
        for (int value = info_.min; value <= info_.max; ++value) {
            if (textFromValue(value).compare(typed, Qt::CaseInsensitive) == 0) return value;
        }
        bool number = false;
        const int value = typed.toInt(&number);
        if (number && value >= info_.min && value <= info_.max) return value;
        return std::nullopt;
    }

    const XgParamInfo& info_;
};

// The controllers' rows: the controller number where it has one, then what it does to
// pitch, filter and amplitude, and to the LFO's pitch, filter and amplitude.
struct ControllerRow {
    const char* name;
    int controller_low;  // -1 where the source is fixed
    std::uint8_t first_low;
};
constexpr std::array<ControllerRow, 6> kControllerRows{{
    {"Wheel", -1, 0x1D},
    {"Bend", -1, 0x23},
    {"CAT", -1, 0x4D},
    {"PAT", -1, 0x53},
    {"AC1", 0x59, 0x5A},
    {"AC2", 0x60, 0x61},
}};
constexpr std::array<const char*, 7> kControllerColumns{
    "Ctrl#", "Pitch", "Filter", "Amplitude", "LFO Pitch", "LFO Filter", "LFO Amp"};

}  // namespace

CXgPartDlg::CXgPartDlg(CKQ505App& app, QWidget* owner) : QDialog(owner), app_(app) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFont(DialogFont());
    setWindowTitle(QStringLiteral("ﾊﾟｰﾄ 詳細"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* top = new QHBoxLayout;
    part_ = new QLabel(this);
    part_->setObjectName(QStringLiteral("part"));
    top->addWidget(part_);
    top->addSpacing(12);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    top->addWidget(status_, 1);

    auto* first = new QVBoxLayout;
    for (QGroupBox* group : {VoiceGroup(), LimitGroup(), VelocityGroup(), PitchEgGroup()})
        first->addWidget(group);
    first->addStretch();
    auto* second = new QVBoxLayout;
    for (QGroupBox* group : {TuningGroup(), SystemGroup()})
        second->addWidget(group);
    second->addStretch();
    auto* third = new QVBoxLayout;
    for (QGroupBox* group : {ControllerGroup(), ReceiveGroup()})
        third->addWidget(group);
    third->addStretch();
    auto* columns = new QHBoxLayout;
    for (QVBoxLayout* column : {first, second, third})
        columns->addLayout(column);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(columns);

    key_timer_ = new QTimer(this);
    connect(key_timer_, &QTimer::timeout, this, &CXgPartDlg::LookForKey);
    ShowValues();
}

QGroupBox* CXgPartDlg::Group(const char* title, QGridLayout*& grid) {
    auto* group = new QGroupBox(QString::fromUtf8(title), this);
    grid = new QGridLayout(group);
    grid->setVerticalSpacing(2);
    return group;
}

QWidget* CXgPartDlg::MakeControl(int layer, int param) {
    const XgParamInfo& info = Info(param);
    const QString name = QStringLiteral("%1_%2").arg(Text(info.key), kLayerNames[layer]);
    QWidget* control = nullptr;
    if (info.format == ValueFormat::off_on) {
        auto* box = new QCheckBox(QString::fromLatin1(kLayerNames[layer]), this);
        connect(box, &QCheckBox::toggled, this,
                [this, layer, param](bool on) { OnValue(layer, param, on ? 1 : 0); });
        control = box;
    } else {
        auto* box = new XgValueBox(info, this);
        connect(box, &QSpinBox::valueChanged, this,
                [this, layer, param](int value) { OnValue(layer, param, value); });
        control = box;
    }
    control->setObjectName(name);
    control->setAccessibleName(Text(info.name) + QLatin1Char(' ') + kLayerNames[layer]);
    controls_[static_cast<std::size_t>(layer)][static_cast<std::size_t>(param)] = control;
    return control;
}

// One row a parameter: its name, the A layer's control and the B layer's.
void CXgPartDlg::AddRows(QGridLayout* grid, std::initializer_list<std::uint8_t> lows) {
    int row = grid->rowCount();
    if (row == 1 && !grid->itemAtPosition(0, 0)) row = 0;
    if (row == 0) {
        for (int layer = 0; layer < 2; ++layer)
            grid->addWidget(new QLabel(QString::fromLatin1(kLayerNames[layer]), this), row,
                            layer + 1, Qt::AlignCenter);
        ++row;
    }
    for (const std::uint8_t low : lows) {
        const int param = Param(low);
        grid->addWidget(new QLabel(Text(Info(param).name), this), row, 0);
        for (int layer = 0; layer < 2; ++layer)
            grid->addWidget(MakeControl(layer, param), row, layer + 1);
        ++row;
    }
}

QGroupBox* CXgPartDlg::VoiceGroup() {
    QGridLayout* grid = nullptr;
    QGroupBox* group = Group("ﾎﾞｲｽ", grid);
    AddRows(grid, {0x05, 0x06, 0x00, 0x11});
    return group;
}

QGroupBox* CXgPartDlg::LimitGroup() {
    QGridLayout* grid = nullptr;
    QGroupBox* group = Group("ﾘﾐｯﾄ", grid);
    AddRows(grid, {0x0F, 0x10, 0x6D, 0x6E});
    auto* buttons = new QHBoxLayout;
    split_ = new QPushButton(QStringLiteral("ｽﾌﾟﾘｯﾄ..."), this);
    split_->setObjectName(QStringLiteral("split"));
    split_->setCheckable(true);
    connect(split_, &QPushButton::clicked, this, &CXgPartDlg::OnSplit);
    velocity_switch_ = new QPushButton(QStringLiteral("ﾍﾞﾛｼﾃｨ ｽｲｯﾁ..."), this);
    velocity_switch_->setObjectName(QStringLiteral("velocitySwitch"));
    connect(velocity_switch_, &QPushButton::clicked, this, &CXgPartDlg::OnVelocitySwitch);
    buttons->addWidget(split_);
    buttons->addWidget(velocity_switch_);
    grid->addLayout(buttons, grid->rowCount(), 0, 1, 3);
    return group;
}

QGroupBox* CXgPartDlg::VelocityGroup() {
    QGridLayout* grid = nullptr;
    QGroupBox* group = Group("ﾍﾞﾛｼﾃｨ", grid);
    AddRows(grid, {0x0C});
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(QStringLiteral("Velocity Sense Offset"), this), row, 0);
    for (std::size_t layer = 0; layer < offsets_.size(); ++layer) {
        // The table's mix sets it: shown here, edited with the mix.
        auto* offset = new QLineEdit(this);
        offset->setReadOnly(true);
        offset->setFixedWidth(kBoxWidth);
        offset->setAlignment(Qt::AlignRight);
        offset->setObjectName(QStringLiteral("velocity_sense_offset_%1").arg(kLayerNames[layer]));
        grid->addWidget(offset, row, static_cast<int>(layer) + 1);
        offsets_[layer] = offset;
    }
    return group;
}

QGroupBox* CXgPartDlg::TuningGroup() {
    QGridLayout* grid = nullptr;
    QGroupBox* group = Group("ﾁｭｰﾆﾝｸﾞ", grid);
    AddRows(grid, {0x09});
    for (std::uint8_t low = 0x41; low <= 0x4C; ++low)
        AddRows(grid, {low});
    return group;
}

QGroupBox* CXgPartDlg::PitchEgGroup() {
    QGridLayout* grid = nullptr;
    QGroupBox* group = Group("ﾋﾟｯﾁ EG", grid);
    AddRows(grid, {0x69, 0x6A, 0x6B, 0x6C});
    return group;
}

// A row a controller and layer, a column what it does.
QGroupBox* CXgPartDlg::ControllerGroup() {
    QGridLayout* grid = nullptr;
    QGroupBox* group = Group("ｺﾝﾄﾛｰﾗ", grid);
    for (std::size_t column = 0; column < kControllerColumns.size(); ++column)
        grid->addWidget(new QLabel(QString::fromLatin1(kControllerColumns[column]), this), 0,
                        static_cast<int>(column) + 1, Qt::AlignCenter);
    int row = 1;
    for (const ControllerRow& source : kControllerRows) {
        for (int layer = 0; layer < 2; ++layer) {
            grid->addWidget(
                new QLabel(QStringLiteral("%1 %2").arg(source.name, kLayerNames[layer]), this), row,
                0);
            if (source.controller_low >= 0)
                grid->addWidget(
                    MakeControl(layer, Param(static_cast<std::uint8_t>(source.controller_low))),
                    row, 1);
            for (int k = 0; k < 6; ++k)
                grid->addWidget(
                    MakeControl(layer, Param(static_cast<std::uint8_t>(source.first_low + k))), row,
                    k + 2);
            ++row;
        }
    }
    return group;
}

// Two switches a row, each with its A and B check box.
QGroupBox* CXgPartDlg::ReceiveGroup() {
    QGridLayout* grid = nullptr;
    QGroupBox* group = Group("受信", grid);
    constexpr std::uint8_t kFirst = 0x30;
    constexpr std::uint8_t kLast = 0x40;
    constexpr int kPerColumn = (kLast - kFirst + 2) / 2;
    for (std::uint8_t low = kFirst; low <= kLast; ++low) {
        const int index = low - kFirst;
        const int row = index % kPerColumn;
        const int column = index / kPerColumn * 3;
        const int param = Param(low);
        const QString name = Text(Info(param).name).remove(QStringLiteral("Rcv "));
        grid->addWidget(new QLabel(name, this), row, column);
        for (int layer = 0; layer < 2; ++layer)
            grid->addWidget(MakeControl(layer, param), row, column + layer + 1);
    }
    return group;
}

QGroupBox* CXgPartDlg::SystemGroup() {
    QGridLayout* grid = nullptr;
    QGroupBox* group = Group("ｼｽﾃﾑ", grid);
    for (int param = 0; param < kXgSystemParamCount; ++param) {
        const XgParamInfo& info = XgSystemParams()[static_cast<std::size_t>(param)];
        grid->addWidget(new QLabel(Text(info.name), this), param, 0);
        auto* box = new XgValueBox(info, this);
        box->setObjectName(Text(info.key));
        box->setAccessibleName(Text(info.name));
        connect(box, &QSpinBox::valueChanged, this,
                [this, param](int value) { OnSystemValue(param, value); });
        grid->addWidget(box, param, 1);
        system_[static_cast<std::size_t>(param)] = box;
    }
    return group;
}

QWidget* CXgPartDlg::ValueControl(int layer, int param) const {
    return controls_[static_cast<std::size_t>(layer)][static_cast<std::size_t>(param)];
}

void CXgPartDlg::ShowValues() {
    showing_ = true;
    const int part = app_.selected_part;
    part_->setText(QStringLiteral("ﾊﾟｰﾄ %1").arg(part + 1));
    for (int layer = 0; layer < 2; ++layer) {
        const int xg_part = part + layer * kPartCount;
        const auto& values = app_.xg_parts.parts[static_cast<std::size_t>(xg_part)];
        for (int param = 0; param < kXgPartParamCount; ++param) {
            QWidget* control = ValueControl(layer, param);
            if (!control) continue;
            const int value = values[static_cast<std::size_t>(param)];
            if (auto* box = qobject_cast<QSpinBox*>(control)) box->setValue(value);
            if (auto* check = qobject_cast<QCheckBox*>(control)) check->setChecked(value != 0);
        }
        offsets_[static_cast<std::size_t>(layer)]->setText(
            QString::number(LayerVelocityOffset(app_, xg_part)));
    }
    for (int param = 0; param < kXgSystemParamCount; ++param)
        system_[static_cast<std::size_t>(param)]->setValue(
            app_.xg_parts.system[static_cast<std::size_t>(param)]);
    showing_ = false;
}

void CXgPartDlg::OnValue(int layer, int param, int value) {
    if (showing_) return;
    const int xg_part = app_.selected_part + layer * kPartCount;
    if (app_.xg_parts.parts[static_cast<std::size_t>(xg_part)][static_cast<std::size_t>(param)] ==
        value)
        return;
    app_.edit_history.Record(app_, StepKind::kXgPart,
                             [&] { SetXgPartValue(app_, xg_part, param, value); });
}

void CXgPartDlg::OnSystemValue(int param, int value) {
    if (showing_ || app_.xg_parts.system[static_cast<std::size_t>(param)] == value) return;
    app_.edit_history.Record(app_, StepKind::kXgPart,
                             [&] { SetXgSystemValue(app_, param, value); });
}

// The key comes from the next note on the MIDI input or the soft keyboard; a second click
// gives up waiting.
void CXgPartDlg::OnSplit() {
    if (WaitingForKey()) return StopWaiting({});
    notes_before_ = NotesDown(app_);
    split_->setChecked(true);
    status_->setText(QStringLiteral("Bﾚｲﾔｰの最低音を弾いてください (MIDI IN / ｿﾌﾄ ｷｰﾎﾞｰﾄﾞ)"));
    key_timer_->start(kKeyLookMs);
}

bool CXgPartDlg::WaitingForKey() const {
    return key_timer_->isActive();
}

void CXgPartDlg::LookForKey() {
    const std::bitset<128> now = NotesDown(app_);
    const std::optional<int> key = NewNote(notes_before_, now);
    notes_before_ = now;  // a key let go and pressed again counts
    if (!key) return;
    const int part = app_.selected_part;
    app_.edit_history.Record(app_, StepKind::kXgPart, [&] { MakeSplit(app_, part, *key); });
    StopWaiting(QStringLiteral("ｽﾌﾟﾘｯﾄ: A ～%1, B %2～")
                    .arg(Text(NoteName(*key - 1)), Text(NoteName(*key))));
}

void CXgPartDlg::StopWaiting(const QString& message) {
    key_timer_->stop();
    split_->setChecked(false);
    status_->setText(message);
}

void CXgPartDlg::OnVelocitySwitch() {
    bool ok = false;
    const auto& b = app_.xg_parts.parts[static_cast<std::size_t>(app_.selected_part + kPartCount)];
    const int velocity = QInputDialog::getInt(
        this, QStringLiteral("ﾍﾞﾛｼﾃｨ ｽｲｯﾁ"), QStringLiteral("Bﾚｲﾔｰが鳴り始めるﾍﾞﾛｼﾃｨ:"),
        b[xg_velocity_low] > 1 ? b[xg_velocity_low] : 64, 2, 127, 1, &ok);
    if (!ok) return;
    const int part = app_.selected_part;
    app_.edit_history.Record(app_, StepKind::kXgPart,
                             [&] { MakeVelocitySwitch(app_, part, velocity); });
    status_->setText(
        QStringLiteral("ﾍﾞﾛｼﾃｨ ｽｲｯﾁ: A 1～%1, B %2～127").arg(velocity - 1).arg(velocity));
}

}  // namespace kq505
