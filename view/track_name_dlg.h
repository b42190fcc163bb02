#pragma once
// The track name dialog: the part's label, read-only, and its name to edit.

#include <QDialog>
#include <QString>
#include <QValidator>

#include "files/name_field.h"

class QLineEdit;

namespace kq505 {

// Keeps a name within what the settings file and the song export store: at most
// kMaxBytes bytes in Shift_JIS, cut only between characters. Text being composed by an
// input method is not checked until it is committed.
class ShiftJisNameValidator : public QValidator {
  public:
    static constexpr int kMaxBytes = static_cast<int>(kNameFieldSize);
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

class CTrackNameDlg : public QDialog {
    Q_OBJECT

  public:
    CTrackNameDlg(const QString& label, const QString& name, QWidget* parent = nullptr);

    void accept() override;

    QString m_strLabel;
    QString m_strName;

  private:
    QLineEdit* label_edit_ = nullptr;
    QLineEdit* name_edit_ = nullptr;
};

}  // namespace kq505
