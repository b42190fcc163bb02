#include "app/randomize_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/dialog_font.h"
#include "app/kq505_app.h"
#include "app/message_box.h"

namespace kq505 {
namespace {

constexpr std::array<std::pair<RandomGroup, const char*>, 6> kGroupCaptions{{
    {kRandomSends, "ｾﾝﾄﾞとﾊﾟﾝ"},
    {kRandomFilter, "ﾌｨﾙﾀ"},
    {kRandomEnvelope, "ｴﾝﾍﾞﾛｰﾌﾟ"},
    {kRandomVibrato, "ﾋﾞﾌﾞﾗｰﾄ"},
    {kRandomEq, "EQ"},
    {kRandomVoice, "音色"},
}};

}  // namespace

CRandomizeDlg::CRandomizeDlg(CKQ505App& app, RandomizeOptions& options, QWidget* parent)
    : QDialog(parent), app_(app), options_(options) {
    setWindowTitle(QStringLiteral("ﾗﾝﾀﾞﾏｲｽﾞ"));
    setObjectName(QStringLiteral("randomizeDialog"));
    setFont(DialogFont());
    setAttribute(Qt::WA_DeleteOnClose);

    amount_ = new QSpinBox(this);
    amount_->setObjectName(QStringLiteral("amount"));
    amount_->setRange(1, 100);
    amount_->setSuffix(QStringLiteral(" %"));
    amount_->setValue(options.amount_percent);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("変化の幅(&W):"), amount_);

    auto* group_box = new QGroupBox(QStringLiteral("対象"), this);
    auto* group_layout = new QVBoxLayout(group_box);
    for (std::size_t i = 0; i < kGroupCaptions.size(); ++i) {
        groups_[i] = new QCheckBox(QString::fromUtf8(kGroupCaptions[i].second), group_box);
        groups_[i]->setChecked((options.groups & kGroupCaptions[i].first) != 0);
        group_layout->addWidget(groups_[i]);
    }
    auto* layer_box = new QGroupBox(QStringLiteral("ﾚｲﾔｰ"), this);
    auto* layer_layout = new QHBoxLayout(layer_box);
    layers_ = {new QRadioButton(QStringLiteral("A"), layer_box),
               new QRadioButton(QStringLiteral("B"), layer_box),
               new QRadioButton(QStringLiteral("A+B"), layer_box)};
    for (QRadioButton* button : layers_)
        layer_layout->addWidget(button);
    layers_[options.layer_a && options.layer_b ? 2 : (options.layer_b ? 1 : 0)]->setChecked(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* again =
        buttons->addButton(QStringLiteral("もう一度"), QDialogButtonBox::ActionRole);
    again->setObjectName(QStringLiteral("again"));
    buttons->addButton(CancelCaption(), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRandomizeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CRandomizeDlg::reject);
    connect(again, &QPushButton::clicked, this, [this] { Try(seeds_()); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group_box);
    layout->addWidget(layer_box);
    layout->addWidget(buttons);
}

RandomizeOptions CRandomizeDlg::Options() const {
    RandomizeOptions options;
    options.amount_percent = amount_->value();
    options.groups = 0;
    for (std::size_t i = 0; i < kGroupCaptions.size(); ++i)
        if (groups_[i]->isChecked()) options.groups |= kGroupCaptions[i].first;
    options.layer_a = !layers_[1]->isChecked();
    options.layer_b = !layers_[0]->isChecked();
    return options;
}

void CRandomizeDlg::Try(std::uint32_t seed) {
    options_ = Options();
    const PartColumn now = ColumnOf(app_.part_table, app_.selected_part);
    // Tries vary the sound they started from; another part, or a sound the user changed
    // since, is a new start.
    if (!tried_ || origin_part_ != app_.selected_part || now != last_try_) {
        origin_ = now;
        origin_part_ = app_.selected_part;
    }
    last_try_ = RandomizedValues(origin_, options_, seed);
    ApplyRandomized(app_, last_try_);
    tried_ = true;
    emit Tried();
}

void CRandomizeDlg::accept() {
    if (!tried_) Try(seeds_());
    QDialog::accept();
}

void CRandomizeDlg::reject() {
    options_ = Options();
    const bool unchanged = tried_ && origin_part_ == app_.selected_part &&
                           ColumnOf(app_.part_table, app_.selected_part) == last_try_;
    if (unchanged && last_try_ != origin_) {
        ApplyRandomized(app_, origin_);
        emit Tried();
    }
    QDialog::reject();
}

}  // namespace kq505
