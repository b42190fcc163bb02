#include "app/learn_list.h"

#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ini_store.h"
#include "app/kq505_app.h"
#include "view/form_layout.h"

namespace kq505 {
namespace {

// The column the list takes right of the dialog's other groups, in dialog units.
constexpr int kColumnWidth = 130;
constexpr int kMargin = 7;

}  // namespace

CLearnList::CLearnList(const CKQ505App& app, QWidget* parent)
    : QGroupBox(QStringLiteral("MIDIﾗｰﾝ"), parent), bindings_(app.midi_learn.Bindings()) {
    setObjectName(QStringLiteral("learnList"));
    list_ = new QListWidget(this);
    auto* remove = new QPushButton(QStringLiteral("MIDIﾗｰﾝ解除"), this);
    remove->setObjectName(QStringLiteral("unlearn"));
    connect(remove, &QPushButton::clicked, this, &CLearnList::RemoveSelected);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(remove);
    Fill();
}

void CLearnList::Fill() {
    list_->clear();
    for (const LearnBinding& binding : bindings_) {
        list_->addItem(QString::fromStdString(ControllerText(binding.controller) + " → " +
                                              RowLabel(binding.row)));
    }
    if (!bindings_.empty()) list_->setCurrentRow(0);
}

void CLearnList::RemoveSelected() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(bindings_.size())) return;
    bindings_.erase(bindings_.begin() + row);
    Fill();
    list_->setCurrentRow(std::min(row, static_cast<int>(bindings_.size()) - 1));
}

CLearnList* AddLearnList(QDialog& dialog, const CKQ505App& app) {
    const int left = dialog.width();
    const int width = DialogUnitsToPixelsX(kColumnWidth);
    auto* list = new CLearnList(app, &dialog);
    list->setGeometry(left, DialogUnitsToPixelsY(4), width - DialogUnitsToPixelsX(kMargin),
                      dialog.height() - DialogUnitsToPixelsY(4 + 28));
    dialog.setFixedSize(left + width, dialog.height());
    return list;
}

bool ApplyLearnList(const QDialog& dialog, CKQ505App& app) {
    const auto* list = dialog.findChild<CLearnList*>();
    if (!list) return true;
    if (list->Bindings() == app.midi_learn.Bindings()) return true;
    SetLearnBindings(app, list->Bindings());
    if (app.ini_path.empty()) return true;
    std::optional<IniDocument> ini = LoadIniFile(app.ini_path);
    return ini && WriteLearnSection(*ini, app.midi_learn.Bindings()) &&
           SaveIniFile(app.ini_path, *ini);
}

}  // namespace kq505
