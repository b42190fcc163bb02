#pragma once
// The effect edit window: a modeless tool window with one section per effect block
// (reverb, chorus, variation). Every change is stored and sent at once; OK keeps the
// values, ｷｬﾝｾﾙ, Esc and the close box bring back those of the moment it was opened and
// send them.

#include <QDialog>

#include <array>
#include <vector>

#include "effects/effect_blocks.h"

class QAbstractSlider;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QScrollArea;

namespace kq505 {

class CKQ505App;

class CEffectEditDlg : public QDialog {
    Q_OBJECT

  public:
    // Deletes itself when closed.
    CEffectEditDlg(CKQ505App& app, QWidget* owner);

    // The state was replaced from outside (XG/GM System On, a set-up load): show it, and
    // take it as the values a cancel brings back.
    void FollowReset();
    // The state changed from outside without a new start (an undo): show it.
    void ShowValues();

    // ｷｬﾝｾﾙ, Esc and the close box.
    void reject() override;

  private:
    // The controls of one value: a caption, a slider and the value's text.
    struct SliderRow {
        EffectItem item;
        QLabel* caption = nullptr;
        QAbstractSlider* slider = nullptr;
        QLabel* text = nullptr;
    };
    struct BlockControls {
        QComboBox* type = nullptr;
        std::array<SliderRow, kEffectParamCount> params;
    };

    void CreateBlock(EffectBlock block, QGridLayout& grid);
    SliderRow AddSliderRow(QGridLayout& grid, int row, EffectItem item, const QString& caption,
                           const QString& name);
    void CreateVariationRouting(QGridLayout& grid, int row);
    // Makes the block's box as large as the largest of its types needs.
    void ReserveLargestType(EffectBlock block, QGroupBox& box);
    // The sections at their full size, or scrolled within what the screen has room for.
    void FitScreen(QScrollArea& scroll);
    void ShowBlock(EffectBlock block);
    // Shows the parameter rows the type names, with their names, and hides the others.
    void ShowParamNames(EffectBlock block, const EffectTypeInfo* type);
    void ShowRow(const SliderRow& row);
    void OnTypeChosen(EffectBlock block, int index);
    void OnSliderMoved(const SliderRow& row, int value);
    void OnRoutingChosen(EffectItem item, const QComboBox& combo);
    // One step of the edit history around the edit.
    template <class Edit>
    void Record(Edit&& edit);

    CKQ505App& app_;
    EffectBlocks opened_;
    std::array<BlockControls, kEffectBlockCount> blocks_;
    std::vector<SliderRow> levels_;  // return levels, pans and sends
    QComboBox* connection_ = nullptr;
    QComboBox* part_ = nullptr;
    bool showing_ = false;  // controls are being filled from the state: nothing to send
};

}  // namespace kq505
