#pragma once
// "ﾗﾝﾀﾞﾏｲｽﾞ": how far and what to randomize in the selected part. Each try starts from the
// sound the part had before the first try (or from where the user took it since) and is
// one step of the edit history; "もう一度" tries again, ｷｬﾝｾﾙ puts the sound back.

#include <QDialog>
#include <array>
#include <random>

#include "model/randomize.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace kq505 {

class CKQ505App;

class CRandomizeDlg : public QDialog {
    Q_OBJECT

  public:
    // `options` are shown, and kept as the user leaves them for the next time.
    CRandomizeDlg(CKQ505App& app, RandomizeOptions& options, QWidget* parent = nullptr);

    // One try with the options shown; `seed` starts the generator (tests give their own).
    void Try(std::uint32_t seed);
    void accept() override;
    void reject() override;

  signals:
    // The part's values changed: the form shows them again.
    void Tried();

  private:
    RandomizeOptions Options() const;

    CKQ505App& app_;
    RandomizeOptions& options_;
    std::random_device seeds_;
    QSpinBox* amount_ = nullptr;
    std::array<QCheckBox*, 6> groups_{};
    std::array<QRadioButton*, 3> layers_{};
    bool tried_ = false;
    int origin_part_ = -1;
    PartColumn origin_{};
    PartColumn last_try_{};
};

}  // namespace kq505
