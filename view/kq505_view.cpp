#include "view/kq505_view.h"

#include "app/kq505_app.h"
#include "app/message_box.h"
#include "model/part_transmission.h"

namespace kq505 {

CKQ505View::CKQ505View(CKQ505App& app, QWidget* parent) : QWidget(parent), app_(app) {
    setFixedSize(674, 360);
    const PortOpenResult opened = OpenMidiPorts(app_);
    if (!opened.port_a_opened) ShowMessage(this, QStringLiteral("MIDI OUT Aの初期化に失敗しました"));
    if (!opened.port_b_opened) ShowMessage(this, QStringLiteral("MIDI OUT Bの初期化に失敗しました"));
}

CKQ505View::~CKQ505View() { CloseMidiPorts(app_); }

void CKQ505View::RefreshPart() {}

void CKQ505View::OnXgSystemOn() {
    SendXgSystemOn(app_);
    RefreshPart();
}

void CKQ505View::OnGmSystemOn() {
    SendGmSystemOn(app_);
    RefreshPart();
}

void CKQ505View::OnSendAll() { SendAllPartParameters(app_); }

void CKQ505View::OnPreviewPortA() {}
void CKQ505View::OnPreviewPortB() {}
void CKQ505View::OnPreviewLayer() {}

}  // namespace kq505
