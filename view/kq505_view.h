#pragma once
// The editor form: every value of the selected part, the knob panel, and the commands
// about the part. Creating it opens both MIDI outputs; destroying it closes them.

#include <QWidget>

#include <array>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "model/midi_send.h"
#include "view/form_layout.h"
#include "view/form_painter.h"
#include "view/form_values.h"

class QAbstractSlider;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kq505 {

class CKQ505App;
class CKnobPanelKeys;
struct EditStep;

class CKQ505View : public QWidget {
    Q_OBJECT

  public:
    // Opens Port A and Port B, showing "MIDI OUT Aの初期化に失敗しました" /
    // "MIDI OUT Bの初期化に失敗しました" for each port that fails.
    explicit CKQ505View(CKQ505App& app, QWidget* parent = nullptr);
    ~CKQ505View() override;

    // Fills every control from the table for the selected part (no MIDI).
    void RefreshPart();
    // The bank, program and instrument fields again, after the name tables were refilled.
    void RefreshInstrumentNames();
    // A preview still sounding is ended now: its ports are about to close or change, and
    // the end its timer would send could no longer reach the notes.
    void EndPreview();

    // The control of template 101 with this identifier, or nullptr. The read-only fields
    // without a border are no widgets: they are drawn with the form, as the captions are.
    QWidget* Control(int id) const;
    // A read-only field as a widget, as those with a border are; the drawn ones look the same.
    static QLineEdit* NewFieldEdit(QWidget* parent, const FormControl& control) {
        return FormPainter::NewFieldEdit(parent, control);
    }
    // The text of a read-only field, drawn or a widget, and where it stands.
    QString FieldText(int id) const;
    QRect FieldRect(int id) const;
    // What stands at this point of the form, for whatever acts on it there: the template
    // identifier of the control or field, drawn or a widget, or 0 for none.
    int ControlAt(const QPoint& point) const;
    // The drag target code of the knob handle at this point for the selected part, or 0.
    int HandleAt(const QPoint& point) const;
    // The union of the ten graph boxes; the panel paints nothing outside it.
    static QRegion KnobPanelRegion();
    using Caption = FormCaption;
    const FormPainter& Painter() const { return painter_; }
    // The knob panel's keys and its place in the Tab order.
    CKnobPanelKeys* KnobKeys() const { return knob_keys_; }
    const std::vector<Caption>& Captions() const { return painter_.Captions(); }

    // Replaces the part selector's entry of this part (Shift_JIS text, as built from a
    // track name) without selecting another part or refreshing the form.
    void SetTrackEntryText(int part, std::string_view shift_jis_text);

  signals:
    // Another part was chosen in the part selector.
    void PartSelected();

  public slots:
    // Takes back or does again the last step of the edit history and shows its part.
    void OnEditUndo();
    void OnEditRedo();
    void OnXgSystemOn();
    void OnGmSystemOn();
    void OnSendAll();
    void OnPreviewPortA();
    void OnPreviewPortB();
    void OnPreviewLayer();
    void EditTrackName();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void CreateControls();
    void CreateLabels();
    void ConnectControls();
    void SetSliderRanges();
    void NameControls();
    void CreateKnobKeys();
    void DescribeSliders();

    // The two exchange directions between the display copies and the controls.
    void ValuesToControls();
    void ControlsToValues();
    void SetEditText(int id, const QString& text);
    void SetEditNumber(int id, int value);
    void PushLayer(const LayerFields& fields, Port layer);

    void OnSliderMoved(std::optional<Row> row);
    void OnSwitchClicked(Row row);
    void OnTrackSelected();
    void StartPreview(std::initializer_list<Port> ports);
    void OnPreviewTimer();
    void EndDrag();
    void OnWindowActivation();
    void OnActivationChanged();
    void ShowResetDisplay();
    void ShowStep(const EditStep* step);
    void RepaintKnobPanel();

    CKQ505App& app_;
    std::array<QWidget*, kLastControlId - kFirstControlId + 1> controls_{};
    QComboBox* m_cTrack = nullptr;
    QAbstractSlider* m_cVol = nullptr;
    QAbstractSlider* m_cExp = nullptr;
    QAbstractSlider* m_cNote = nullptr;
    QAbstractSlider* m_cKeyShift = nullptr;
    QAbstractSlider* m_cPortaTime = nullptr;
    QAbstractSlider* m_cMix = nullptr;
    QCheckBox* m_cPortamento = nullptr;
    QCheckBox* m_cMixSwitch = nullptr;

    FormPainter painter_{*this};
    CKnobPanelKeys* knob_keys_ = nullptr;
    FormValues form_;
    QTimer* m_pPreviewTimer = nullptr;
    bool m_bRefreshOnActivate = false;
    int m_nDragTarget = 0;
    int m_nLastX = 0;
    int m_nLastY = 0;
    int m_bDragging = 0;
};

}  // namespace kq505
