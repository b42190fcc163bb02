#include "app/nsm_window.h"

#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <cstdlib>
#include <string>
#include <utility>

#include "app/kq505_app.h"
#include "app/main_frame.h"
#include "app/nsm_setup.h"
#include "app/program_startup.h"
#include "app/setup_state.h"
#include "files/kq505_doc.h"
#include "model/midi_send.h"
#include "model/play_through_send.h"
#include "view/kq505_view.h"

namespace kq505 {

std::unique_ptr<NsmClient> ConnectToSessionIfAsked() {
    const char* url = std::getenv(kNsmUrlVariable);
    if (url == nullptr || *url == '\0') return nullptr;
    return NsmClient::Connect(url);
}

CNsmSession::CNsmSession(CKQ505App& app, CMainFrame& frame, std::unique_ptr<NsmClient> client)
    : app_(app), frame_(frame), client_(std::move(client)) {
    QApplication::setQuitOnLastWindowClosed(false);
    notifier_ = new QSocketNotifier(client_->SocketFd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CNsmSession::Serve);
    frame_.installEventFilter(this);
    // Told after the frame's own handling, which keeps the title and the recovery file.
    frame_told_ = std::move(app_.setup.on_change);
    app_.setup.on_change = [this] {
        if (frame_told_) frame_told_();
        FollowDirty();
    };
}

CNsmSession::~CNsmSession() {
    frame_.removeEventFilter(this);
    app_.setup.on_change = std::move(frame_told_);
}

bool CNsmSession::Announce(std::string_view argv0, int pid) {
    return client_ && client_->Announce(argv0, pid);
}

void CNsmSession::Serve() {
    if (!client_) return;
    for (const NsmRequest& request : client_->Receive()) {
        switch (request.kind) {
            case NsmRequest::Kind::kOpen:
                Open(request);
                break;
            case NsmRequest::Kind::kSave:
                Save();
                break;
            case NsmRequest::Kind::kShowGui:
            case NsmRequest::Kind::kHideGui:
                ShowWindow(request.kind == NsmRequest::Kind::kShowGui);
                break;
            case NsmRequest::Kind::kAnnounced:
                FollowWindow();
                break;
            case NsmRequest::Kind::kRefused:
                return GoOnAlone();
        }
    }
}

void CNsmSession::Open(const NsmRequest& request) {
    const std::filesystem::path file = SessionSetupFile(request.path);
    const std::string name = file.filename().string();
    SetupData setup = CurrentSetup(app_);
    const SessionSetupRead read = ReadSessionSetup(file, setup);
    if (read.result.error != SetupFileError::none) {
        client_->Error(kNsmOpenPath, kNsmErrBadProject, SetupFileErrorText(read.result, name));
        return;
    }
    const QString path = QString::fromStdU16String(file.u16string());
    if (read.missing && !WriteSetupFile(path, setup)) {
        client_->Error(kNsmOpenPath, kNsmErrCreateFailed, SessionCreateFailedText(name));
        return;
    }
    // A switch to another session ends what the last one left sounding.
    frame_.View()->EndPreview();
    EndNotesAndCloseMidiPorts(app_);
    app_.name_midi_client(request.client_id);
    LeavePortsToSession(app_);
    app_.setup.in_session = true;
    app_.setup.session_name = request.display_name;
    frame_.Document().TakeSessionSetup(std::move(setup), path);
    frame_.ReportPortsOpened(OpenMidiPorts(app_));
    frame_.ShowMidiInputState();
    frame_.RunStartAction(ActionAtStart(app_, !read.missing));
    opened_ = true;
    client_->Reply(kNsmOpenPath, SessionOpenedText(name, read.missing));
    told_dirty_.reset();
    FollowDirty();
    FollowWindow();
}

void CNsmSession::Save() {
    const std::filesystem::path file = FileSystemPath(QString::fromStdString(app_.setup.path));
    const std::string name = file.filename().string();
    if (!opened_) {
        client_->Error(kNsmSavePath, kNsmErrGeneral, "ｾｯｼｮﾝのｾｯﾄｱｯﾌﾟがまだ開かれていません");
        return;
    }
    if (!WriteSetupFile(QString::fromStdString(app_.setup.path), CurrentSetup(app_))) {
        client_->Error(kNsmSavePath, kNsmErrGeneral, SessionSaveFailedText(name));
        return;
    }
    MarkSetupClean(app_, app_.setup.path);
    client_->Reply(kNsmSavePath, SessionSavedText(name));
}

void CNsmSession::ShowWindow(bool shown) {
    frame_.setVisible(shown);
    if (shown) {
        frame_.raise();
        frame_.activateWindow();
    }
    FollowWindow();
}

void CNsmSession::FollowDirty() {
    const bool dirty = IsSetupModified(app_);
    if (!opened_ || told_dirty_ == dirty) return;
    if (client_->SendDirty(dirty)) told_dirty_ = dirty;
}

void CNsmSession::FollowWindow() {
    const bool shown = frame_.isVisible();
    if (!client_ || told_shown_ == shown) return;
    if (client_->SendGuiShown(shown)) told_shown_ = shown;
}

void CNsmSession::GoOnAlone() {
    delete notifier_;
    notifier_ = nullptr;
    client_.reset();
    app_.setup.in_session = false;
    QApplication::setQuitOnLastWindowClosed(true);
    frame_.ReportPortsOpened(OpenMidiPorts(app_));
    frame_.ShowMidiInputState();
}

bool CNsmSession::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &frame_ && client_) {
        if (event->type() == QEvent::Close) {
            // The session ends the program; a closed window only goes out of sight.
            event->ignore();
            frame_.hide();
            FollowWindow();
            return true;
        }
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) FollowWindow();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kq505
