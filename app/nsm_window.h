#pragma once
// The main window under a session manager: the session's requests reach the program on the
// window's own thread (the socket is watched by the event loop), and the window's state goes
// back to the session: whether the set-up is modified and whether the window is shown.
// Closing the window hides it, for the session to show it again; the program goes on.

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "app/nsm_client.h"

class QSocketNotifier;

namespace kq505 {

class CKQ505App;
class CMainFrame;

// A client of the session manager at NSM_URL; null when the program was not started by one.
std::unique_ptr<NsmClient> ConnectToSessionIfAsked();

class CNsmSession : public QObject {
    Q_OBJECT

  public:
    // From now on the program quits only when told to (SIGTERM), never by a closed window.
    // Lives within the frame's life.
    CNsmSession(CKQ505App& app, CMainFrame& frame, std::unique_ptr<NsmClient> client);
    ~CNsmSession() override;

    bool Announce(std::string_view argv0, int pid);
    // Acts on every request that has arrived; the socket's notifier calls it.
    void Serve();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Open(const NsmRequest& request);
    void Save();
    void ShowWindow(bool shown);
    // Tells the session what changed since it was last told.
    void FollowDirty();
    void FollowWindow();
    // Refused by the server: the program goes on as if started alone.
    void GoOnAlone();

    CKQ505App& app_;
    CMainFrame& frame_;
    std::unique_ptr<NsmClient> client_;
    QSocketNotifier* notifier_ = nullptr;
    bool opened_ = false;
    std::optional<bool> told_dirty_;
    std::optional<bool> told_shown_;
    std::function<void()> frame_told_;  // the frame's own follower of the set-up's state
};

}  // namespace kq505
