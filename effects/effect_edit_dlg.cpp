#include "effects/effect_edit_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "app/dialog_font.h"
#include "app/edit_history.h"
#include "app/kq505_app.h"
#include "app/message_box.h"
#include "effects/effect_edit.h"
#include "effects/effect_value_text.h"

namespace kq505 {
namespace {

constexpr std::array<const char*, kEffectBlockCount> kBlockKeys{"reverb", "chorus", "variation"};
constexpr std::array<const char*, kEffectBlockCount> kBlockTitles{"ﾘﾊﾞｰﾌﾞ", "ｺｰﾗｽ", "ﾊﾞﾘｴｰｼｮﾝ"};
constexpr int kValueTextWidth = 70;  // "D<W63", "333.3 ms", "16.0 kHz" fit
constexpr int kSliderWidth = 120;
// The title bar and borders the window manager adds around the window.
constexpr QSize kWindowFrame{16, 48};

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Key(EffectBlock block) {
    return QString::fromLatin1(kBlockKeys[static_cast<int>(block)]);
}

// The format a row shows its value in: a parameter's own, else that of the row's kind.
ValueFormat FormatOf(const EffectBlocks& blocks, EffectItem item) {
    switch (item.kind) {
        case EffectItem::param:
            if (const EffectTypeInfo* type = FindEffectType(item.block, blocks[item.block].type)) {
                if (const EffectParamInfo* param = FindEffectParam(*type, item.number))
                    return param->format;
            }
            return ValueFormat::plain;
        case EffectItem::pan:
            return ValueFormat::pan;
        default:
            return ValueFormat::level_db_curve;
    }
}

void SelectData(QComboBox& combo, int value) {
    const QSignalBlocker quiet(combo);
    combo.setCurrentIndex(combo.findData(value));
}

}  // namespace

CEffectEditDlg::CEffectEditDlg(CKQ505App& app, QWidget* owner)
    : QDialog(owner), app_(app), opened_(app.effect_blocks) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFont(DialogFont());
    setWindowTitle(QStringLiteral("ｴﾌｪｸﾀ ｴﾃﾞｨｯﾄ"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* content = new QWidget;
    auto* sections = new QHBoxLayout(content);
    sections->setContentsMargins({});
    for (const EffectBlock block : kEffectBlocks) {
        auto* box = new QGroupBox(QString::fromUtf8(kBlockTitles[static_cast<int>(block)]), this);
        box->setObjectName(Key(block));
        auto* grid = new QGridLayout(box);
        CreateBlock(block, *grid);
        // Spare height stays below the rows, so that they keep their places.
        grid->setRowStretch(grid->rowCount(), 1);
        ReserveLargestType(block, *box);
        sections->addWidget(box, 0, Qt::AlignTop);
    }
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("sections"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(CancelCaption(), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
    // One size whatever the types, so that OK and ｷｬﾝｾﾙ stay under the pointer.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitScreen(*scroll);
    ShowValues();
}

void CEffectEditDlg::ReserveLargestType(EffectBlock block, QGroupBox& box) {
    QSize largest;
    for (const EffectTypeInfo& type : EffectTypes(block)) {
        ShowParamNames(block, &type);
        box.layout()->invalidate();
        largest = largest.expandedTo(box.sizeHint());
    }
    box.setMinimumSize(largest);
}

void CEffectEditDlg::FitScreen(QScrollArea& scroll) {
    QSize fitted = scroll.widget()->sizeHint();
    scroll.setFixedSize(fitted);
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    const QSize around = layout()->sizeHint() - fitted;  // margins and buttons
    const QSize room = screen->availableGeometry().size() - around - kWindowFrame;
    // A scroll bar that one direction needs takes its breadth from the other.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &scroll);
    if (fitted.height() > room.height()) {
        fitted.setHeight(room.height());
        fitted.rwidth() += bar;
    }
    if (fitted.width() > room.width()) {
        fitted.setWidth(room.width());
        fitted.setHeight(std::min(fitted.height() + bar, room.height()));
    }
    scroll.setFixedSize(fitted.expandedTo(QSize(bar * 4, bar * 4)));
}

void CEffectEditDlg::CreateBlock(EffectBlock block, QGridLayout& grid) {
    BlockControls& controls = blocks_[static_cast<int>(block)];
    grid.addWidget(new QLabel(QStringLiteral("ﾀｲﾌﾟ"), this), 0, 0);
    controls.type = new QComboBox(this);
    controls.type->setObjectName(Key(block) + QStringLiteral("Type"));
    for (const EffectTypeInfo& type : EffectTypes(block))
        controls.type->addItem(Text(type.name), type.Value());
    grid.addWidget(controls.type, 0, 1, 1, 2);
    connect(controls.type, &QComboBox::activated, this,
            [this, block](int index) { OnTypeChosen(block, index); });

    int row = 1;
    for (int number = 1; number <= kEffectParamCount; ++number) {
        controls.params[number - 1] =
            AddSliderRow(grid, row++, {EffectItem::param, block, number}, {},
                         Key(block) + QStringLiteral("Param") + QString::number(number));
    }
    levels_.push_back(AddSliderRow(grid, row++, {EffectItem::return_level, block},
                                   QStringLiteral("ﾘﾀｰﾝ"), Key(block) + QStringLiteral("Return")));
    levels_.push_back(AddSliderRow(grid, row++, {EffectItem::pan, block}, QStringLiteral("ﾊﾟﾝ"),
                                   Key(block) + QStringLiteral("Pan")));
    if (block == EffectBlock::chorus) {
        levels_.push_back(AddSliderRow(grid, row++, {EffectItem::chorus_to_reverb},
                                       QStringLiteral("ﾘﾊﾞｰﾌﾞ ｾﾝﾄﾞ"),
                                       QStringLiteral("chorusToReverb")));
    }
    if (block == EffectBlock::variation) {
        levels_.push_back(AddSliderRow(grid, row++, {EffectItem::variation_to_reverb},
                                       QStringLiteral("ﾘﾊﾞｰﾌﾞ ｾﾝﾄﾞ"),
                                       QStringLiteral("variationToReverb")));
        levels_.push_back(AddSliderRow(grid, row++, {EffectItem::variation_to_chorus},
                                       QStringLiteral("ｺｰﾗｽ ｾﾝﾄﾞ"),
                                       QStringLiteral("variationToChorus")));
        CreateVariationRouting(grid, row);
    }
}

CEffectEditDlg::SliderRow CEffectEditDlg::AddSliderRow(QGridLayout& grid, int row, EffectItem item,
                                                       const QString& caption,
                                                       const QString& name) {
    SliderRow controls{item};
    controls.caption = new QLabel(caption, this);
    controls.caption->setObjectName(name + QStringLiteral("Name"));
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(name);
    slider->setMinimumWidth(kSliderWidth);
    controls.slider = slider;
    controls.text = new QLabel(this);
    controls.text->setObjectName(name + QStringLiteral("Value"));
    controls.text->setMinimumWidth(kValueTextWidth);
    grid.addWidget(controls.caption, row, 0);
    grid.addWidget(slider, row, 1);
    grid.addWidget(controls.text, row, 2);
    connect(slider, &QAbstractSlider::valueChanged, this,
            [this, controls](int value) { OnSliderMoved(controls, value); });
    // A drag is one step of the edit history, from the press to the release.
    connect(slider, &QAbstractSlider::sliderPressed, this,
            [this] { app_.edit_history.BeginGesture(app_, StepKind::kEffect); });
    connect(slider, &QAbstractSlider::sliderReleased, this,
            [this] { app_.edit_history.EndGesture(app_); });
    return controls;
}

void CEffectEditDlg::CreateVariationRouting(QGridLayout& grid, int row) {
    grid.addWidget(new QLabel(QStringLiteral("接続"), this), row, 0);
    connection_ = new QComboBox(this);
    connection_->setObjectName(QStringLiteral("variationConnection"));
    connection_->addItem(QStringLiteral("ｲﾝｻｰｼｮﾝ"), 0);
    connection_->addItem(QStringLiteral("ｼｽﾃﾑ"), 1);
    grid.addWidget(connection_, row++, 1, 1, 2);
    connect(connection_, &QComboBox::activated, this,
            [this] { OnRoutingChosen({EffectItem::variation_connection}, *connection_); });

    // The A layers of parts 1..16 are XG parts 0..15, their B layers 16..31.
    grid.addWidget(new QLabel(QStringLiteral("ﾊﾟｰﾄ"), this), row, 0);
    part_ = new QComboBox(this);
    part_->setObjectName(QStringLiteral("variationPart"));
    part_->addItem(Text(VariationPartText(kVariationPartOff)), kVariationPartOff);
    for (int part = 0; part < 2 * kPartCount; ++part)
        part_->addItem(Text(VariationPartText(part)), part);
    grid.addWidget(part_, row, 1, 1, 2);
    connect(part_, &QComboBox::activated, this,
            [this] { OnRoutingChosen({EffectItem::variation_part}, *part_); });
}

void CEffectEditDlg::FollowReset() {
    opened_ = app_.effect_blocks;
    ShowValues();
}

void CEffectEditDlg::ShowValues() {
    for (const EffectBlock block : kEffectBlocks)
        ShowBlock(block);
    for (const SliderRow& row : levels_)
        ShowRow(row);
    SelectData(*connection_, app_.effect_blocks.variation_connection);
    SelectData(*part_, app_.effect_blocks.variation_part);
}

void CEffectEditDlg::ShowBlock(EffectBlock block) {
    const BlockControls& controls = blocks_[static_cast<int>(block)];
    SelectData(*controls.type, app_.effect_blocks[block].type);
    ShowParamNames(block, FindEffectType(block, app_.effect_blocks[block].type));
    for (const SliderRow& row : controls.params) {
        if (!row.slider->isHidden()) ShowRow(row);
    }
}

void CEffectEditDlg::ShowParamNames(EffectBlock block, const EffectTypeInfo* type) {
    for (const SliderRow& row : blocks_[static_cast<int>(block)].params) {
        // A parameter the type does not name is not shown.
        const EffectParamInfo* param = type ? FindEffectParam(*type, row.item.number) : nullptr;
        for (QWidget* widget : {static_cast<QWidget*>(row.caption),
                                static_cast<QWidget*>(row.slider), static_cast<QWidget*>(row.text)})
            widget->setVisible(param != nullptr);
        if (param) row.caption->setText(Text(param->name));
    }
}

void CEffectEditDlg::ShowRow(const SliderRow& row) {
    const EffectRange range = RangeOf(app_.effect_blocks, row.item);
    const std::int32_t value = EffectValue(app_.effect_blocks, row.item);
    const bool was_showing = std::exchange(showing_, true);
    row.slider->setRange(range.min, range.max);
    row.slider->setPageStep(std::max(1, (range.max - range.min) / 16));
    row.slider->setValue(value);
    showing_ = was_showing;
    row.text->setText(Text(EffectValueText(FormatOf(app_.effect_blocks, row.item), value)));
}

void CEffectEditDlg::OnTypeChosen(EffectBlock block, int index) {
    const QVariant type = blocks_[static_cast<int>(block)].type->itemData(index);
    if (!type.isValid()) return;
    Record([&] { SetEffectValue(app_, {EffectItem::type, block}, type.toInt()); });
    ShowBlock(block);
}

void CEffectEditDlg::OnSliderMoved(const SliderRow& row, int value) {
    if (showing_) return;
    if (row.slider->isSliderDown()) {
        SetEffectValue(app_, row.item, value);  // inside the drag's gesture
    } else {
        Record([&] { SetEffectValue(app_, row.item, value); });  // a key or wheel step
    }
    row.text->setText(Text(EffectValueText(FormatOf(app_.effect_blocks, row.item),
                                           EffectValue(app_.effect_blocks, row.item))));
}

void CEffectEditDlg::OnRoutingChosen(EffectItem item, const QComboBox& combo) {
    Record([&] { SetEffectValue(app_, item, combo.currentData().toInt()); });
}

template <class Edit>
void CEffectEditDlg::Record(Edit&& edit) {
    app_.edit_history.Record(app_, StepKind::kEffect, std::forward<Edit>(edit));
}

void CEffectEditDlg::reject() {
    Record([&] { RestoreEffectBlocks(app_, opened_); });
    QDialog::reject();
}

}  // namespace kq505
