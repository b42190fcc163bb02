#pragma once
// The MIDI learn bindings in the settings dialog: a list beside its other groups, from which
// bindings can be removed; OK keeps what the list then holds, Cancel nothing.

#include <QGroupBox>
#include <vector>

#include "model/midi_learn.h"

class QDialog;
class QListWidget;

namespace kq505 {

class CKQ505App;

class CLearnList : public QGroupBox {
    Q_OBJECT

  public:
    CLearnList(const CKQ505App& app, QWidget* parent);
    const std::vector<LearnBinding>& Bindings() const { return bindings_; }
    // Removes the binding selected in the list.
    void RemoveSelected();

  private:
    void Fill();

    std::vector<LearnBinding> bindings_;
    QListWidget* list_ = nullptr;
};

// Widens the dialog by a column and puts the list there.
CLearnList* AddLearnList(QDialog& dialog, const CKQ505App& app);
// After OK: the bindings the list holds, kept in the INI file too. False when the file
// could not be written.
bool ApplyLearnList(const QDialog& dialog, CKQ505App& app);

}  // namespace kq505
