#pragma once
// The editor form: every value of the selected part, the knob panel, and the commands
// about the part. Creating it opens both MIDI outputs; destroying it closes them.

#include <QWidget>

#include "model/midi_send.h"

namespace kq505 {

class CKQ505App;

class CKQ505View : public QWidget {
    Q_OBJECT

public:
    // Opens Port A and Port B, showing "MIDI OUT Aの初期化に失敗しました" /
    // "MIDI OUT Bの初期化に失敗しました" for each port that fails.
    explicit CKQ505View(CKQ505App& app, QWidget* parent = nullptr);
    ~CKQ505View() override;

    // Fills every control from the table for the selected part (no MIDI).
    void RefreshPart();

public slots:
    void OnXgSystemOn();
    void OnGmSystemOn();
    void OnSendAll();
    void OnPreviewPortA();
    void OnPreviewPortB();
    void OnPreviewLayer();

private:
    CKQ505App& app_;
};

}  // namespace kq505
