#include "drums/drum_setup_dlg.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <utility>

#include "app/dialog_font.h"
#include "app/edit_history.h"
#include "app/kq505_app.h"
#include "drums/drum_edit.h"
#include "model/note_preview.h"

namespace kq505 {
namespace {

constexpr int kNoteColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kFirstParamColumn = 2;
constexpr int kVisibleRows = 20;
constexpr int kFirstShownNote = 35;

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int NoteOfRow(int row) {
    return kFirstDrumNote + row;
}

int ParamOfColumn(int column) {
    return column - kFirstParamColumn;
}

// A long parameter name on two lines, broken at the space nearest its middle.
QString HeaderText(std::string_view name) {
    QString text = Text(name);
    const qsizetype middle = text.size() / 2;
    qsizetype best = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char(' ') && (best < 0 || qAbs(i - middle) < qAbs(best - middle)))
            best = i;
    }
    if (best >= 0) text[best] = QLatin1Char('\n');
    return text;
}

}  // namespace

// The instruments of one setup as the module holds them; a value the user changed is bold.
class DrumTableModel : public QAbstractTableModel {
  public:
    DrumTableModel(CKQ505App& app, QFont bold, QObject* parent)
        : QAbstractTableModel(parent), app_(app), bold_(std::move(bold)) {}

    void Show(int setup) {
        setup_ = setup;
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : kDrumNoteCount;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : kFirstParamColumn + kDrumParamCount;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        if (section == kNoteColumn) return QStringLiteral("No.");
        if (section == kNameColumn) return QStringLiteral("ﾉｰﾄ名");
        return HeaderText(DrumParam(ParamOfColumn(section)).name);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const int note = NoteOfRow(index.row());
        const int column = index.column();
        if (column == kNoteColumn) return role == Qt::DisplayRole ? QVariant(note) : QVariant();
        if (column == kNameColumn) {
            if (role != Qt::DisplayRole) return {};
            return Text(KitNoteName(KitOfSetup(app_.drums, app_.part_table, setup_), note));
        }
        const int param = ParamOfColumn(column);
        switch (role) {
            case Qt::DisplayRole:
                return Text(DrumValueText(param, Value(note, param)));
            case Qt::EditRole:
                return Value(note, param);
            case Qt::FontRole:
                if (DrumSlot(app_.drums, setup_, note, param) != kFollowKit) return bold_;
                return {};
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            default:
                return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        return index.column() >= kFirstParamColumn ? flags | Qt::ItemIsEditable : flags;
    }

    // One step of the edit history, sent at once; the same value again is no edit.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole || index.column() < kFirstParamColumn) return false;
        const int note = NoteOfRow(index.row());
        const int param = ParamOfColumn(index.column());
        if (value.toInt() == Value(note, param)) return false;
        app_.edit_history.Record(app_, StepKind::kDrum,
                                 [&] { SetDrumValue(app_, setup_, note, param, value.toInt()); });
        emit dataChanged(index, index);
        return true;
    }

  private:
    std::int32_t Value(int note, int param) const {
        return DrumValue(app_.drums, app_.part_table, setup_, note, param);
    }

    CKQ505App& app_;
    QFont bold_;
    int setup_ = 0;
};

namespace {

// A cell's editor: the value as the table shows it, typed in that form or as a number; each
// step of its arrow keys or the wheel is told at once.
class DrumValueSpin : public QSpinBox {
  public:
    DrumValueSpin(int param, QWidget* parent) : QSpinBox(parent), param_(param) {
        setRange(DrumParam(param).min, DrumParam(param).max);
        setFrame(false);
    }

    std::function<void()> on_step;

    void stepBy(int steps) override {
        QSpinBox::stepBy(steps);
        if (on_step) on_step();
    }

  protected:
    QString textFromValue(int value) const override { return Text(DrumValueText(param_, value)); }
    int valueFromText(const QString& text) const override {
        return ParseDrumValueText(param_, text.toStdString()).value_or(value());
    }
    QValidator::State validate(QString& text, int& /*pos*/) const override {
        const std::string typed = text.toStdString();
        if (ParseDrumValueText(param_, typed)) return QValidator::Acceptable;
        return StartsDrumValueText(param_, typed) ? QValidator::Intermediate : QValidator::Invalid;
    }

  private:
    int param_;
};

class DrumValueDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (index.column() < kFirstParamColumn)
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto* spin = new DrumValueSpin(ParamOfColumn(index.column()), parent);
        auto* self = const_cast<DrumValueDelegate*>(this);
        spin->on_step = [self, spin] { emit self->commitData(spin); };
        return spin;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* spin = dynamic_cast<DrumValueSpin*>(editor)) {
            spin->setValue(index.data(Qt::EditRole).toInt());
        } else {
            QStyledItemDelegate::setEditorData(editor, index);
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* spin = dynamic_cast<DrumValueSpin*>(editor)) {
            spin->interpretText();
            model->setData(index, spin->value(), Qt::EditRole);
        }
    }
};

}  // namespace

CDrumSetupDlg::CDrumSetupDlg(CKQ505App& app, QWidget* owner) : QDialog(owner), app_(app) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFont(DialogFont());
    setWindowTitle(QStringLiteral("ﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟ"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* controls = new QHBoxLayout;
    part_ = new QLabel(this);
    part_->setObjectName(QStringLiteral("part"));
    controls->addWidget(part_);
    controls->addSpacing(12);
    const std::array<QString, 2> mode_captions{QStringLiteral("ﾊﾟｰﾄﾓｰﾄﾞ A"),
                                               QStringLiteral("ﾊﾟｰﾄﾓｰﾄﾞ B")};
    for (int layer = 0; layer < 2; ++layer) {
        controls->addWidget(new QLabel(mode_captions[layer], this));
        QComboBox* combo = new QComboBox(this);
        combo->setObjectName(layer == 0 ? QStringLiteral("modeA") : QStringLiteral("modeB"));
        for (int mode = 0; mode < kPartModeCount; ++mode)
            combo->addItem(Text(PartModeText(PartMode{static_cast<std::uint8_t>(mode)})));
        connect(combo, &QComboBox::activated, this,
                [this, layer](int index) { OnModeChosen(layer, index); });
        controls->addWidget(combo);
        modes_[layer] = combo;
    }
    controls->addSpacing(12);
    controls->addWidget(new QLabel(QStringLiteral("ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ"), this));
    setup_ = new QComboBox(this);
    setup_->setObjectName(QStringLiteral("setup"));
    for (int setup = 1; setup <= kDrumSetupCount; ++setup)
        setup_->addItem(QString::number(setup));
    connect(setup_, &QComboBox::activated, this, &CDrumSetupDlg::OnSetupChosen);
    controls->addWidget(setup_);
    controls->addSpacing(12);
    reset_ = new QPushButton(QStringLiteral("ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ ﾘｾｯﾄ"), this);
    reset_->setAutoDefault(false);
    connect(reset_, &QPushButton::clicked, this, &CDrumSetupDlg::OnReset);
    controls->addWidget(reset_);
    controls->addStretch();

    QFont bold = font();
    bold.setBold(true);
    model_ = new DrumTableModel(app_, bold, this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("drumTable"));
    table_->setModel(model_);
    table_->setItemDelegate(new DrumValueDelegate(table_));
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->resizeColumnsToContents();
    connect(table_, &QTableView::clicked, this, &CDrumSetupDlg::OnCellClicked);

    note_timer_ = new QTimer(this);
    note_timer_->setObjectName(QStringLiteral("drumNoteTimer"));
    note_timer_->setSingleShot(true);
    connect(note_timer_, &QTimer::timeout, this, &CDrumSetupDlg::EndNote);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(table_);
    ShowValues();

    // Wide enough for every column, high enough for a screenful of instruments.
    int width = 2 * table_->frameWidth() + 24;
    for (int column = 0; column < model_->columnCount(); ++column)
        width += table_->columnWidth(column);
    const int height = table_->horizontalHeader()->sizeHint().height() +
                       kVisibleRows * table_->verticalHeader()->defaultSectionSize();
    resize(qMax(width + 24, sizeHint().width()), height + controls->sizeHint().height() + 40);
    // The kit's heart, from the kick on, is in sight first.
    table_->scrollTo(model_->index(kFirstShownNote - kFirstDrumNote, 0),
                     QAbstractItemView::PositionAtTop);
}

CDrumSetupDlg::~CDrumSetupDlg() {
    if (note_timer_->isActive()) EndNote();
}

void CDrumSetupDlg::ShowValues() {
    const int part = app_.selected_part;
    const std::array<PartMode, 2> modes{
        app_.drums.part_modes[static_cast<std::size_t>(part)],
        app_.drums.part_modes[static_cast<std::size_t>(part) + kPartCount]};
    if (part != followed_part_ || modes != followed_modes_) {
        followed_part_ = part;
        followed_modes_ = modes;
        if (const int followed = FollowedDrumSetup(app_.drums, part); followed >= 0)
            shown_setup_ = followed;
    }
    part_->setText(QStringLiteral("ﾊﾟｰﾄ %1").arg(part + 1));
    for (int layer = 0; layer < 2; ++layer) {
        const QSignalBlocker quiet(modes_[layer]);
        modes_[layer]->setCurrentIndex(static_cast<int>(modes[layer]));
    }
    const QSignalBlocker quiet(setup_);
    setup_->setCurrentIndex(shown_setup_);
    model_->Show(shown_setup_);
}

void CDrumSetupDlg::OnModeChosen(int layer, int index) {
    const int xg_part = app_.selected_part + layer * kPartCount;
    const auto mode = PartMode{static_cast<std::uint8_t>(index)};
    if (index < 0 || index >= kPartModeCount ||
        app_.drums.part_modes[static_cast<std::size_t>(xg_part)] == mode)
        return;
    app_.edit_history.Record(app_, StepKind::kDrum, [&] { SetPartMode(app_, xg_part, mode); });
    ShowValues();
}

void CDrumSetupDlg::OnSetupChosen(int index) {
    if (index < 0 || index >= kDrumSetupCount) return;
    shown_setup_ = index;
    model_->Show(shown_setup_);
}

void CDrumSetupDlg::OnReset() {
    app_.edit_history.Record(app_, StepKind::kDrumReset,
                             [&] { ResetDrumSetupCommand(app_, shown_setup_); });
    ShowValues();
}

// The instrument is heard on the layer that plays the setup, until the gate ends it.
void CDrumSetupDlg::OnCellClicked(const QModelIndex& index) {
    if (index.column() != kNameColumn) return;
    const Port port = DrumSetupPort(app_.drums, app_.selected_part, shown_setup_);
    SendPreviewNote(app_, port, NoteOfRow(index.row()));
    note_timer_->start(PreviewGateMs(app_));
}

void CDrumSetupDlg::EndNote() {
    note_timer_->stop();
    SendPreviewEnd(app_);
}

}  // namespace kq505
