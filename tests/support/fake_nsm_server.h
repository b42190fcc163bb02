#pragma once
// A session manager for tests: liblo's server on the loopback interface, answering the
// program's announce and sending it the session's requests. Nothing runs on a thread: Wait
// reads what arrived, running the caller's own work (an event loop) in between.

#include <lo/lo.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq505::test {

struct OscMessage {
    std::string path;
    std::string types;
    std::vector<std::string> args;  // every argument as text, numbers in decimal
};

class FakeNsmServer {
  public:
    FakeNsmServer();
    ~FakeNsmServer();
    FakeNsmServer(const FakeNsmServer&) = delete;
    FakeNsmServer& operator=(const FakeNsmServer&) = delete;

    bool IsValid() const { return server_ != nullptr; }
    // What NSM_URL holds for the program: "osc.udp://127.0.0.1:<port>/".
    std::string Url() const;

    // The next message to `path` not yet taken, waiting for it up to `timeout`; `between`
    // runs between reads (the program's event loop when it lives in the same process).
    std::optional<OscMessage> Wait(std::string_view path, std::chrono::milliseconds timeout,
                                   const std::function<void()>& between = {});
    // The same for the first message to any of `paths`.
    std::optional<OscMessage> WaitAny(const std::vector<std::string_view>& paths,
                                      std::chrono::milliseconds timeout,
                                      const std::function<void()>& between = {});
    // Everything taken and not, in order of arrival.
    const std::vector<OscMessage>& Received() const { return received_; }

    // To the client that announced itself (false before an announce came).
    bool AcceptAnnounce();
    bool Open(const std::string& path, const std::string& display_name,
              const std::string& client_id);
    bool Send(const std::string& path);  // save, show_optional_gui, hide_optional_gui

  private:
    static int Take(const char* path, const char* types, lo_arg** argv, int argc, lo_message msg,
                    void* self);

    lo_server server_ = nullptr;
    lo_address client_ = nullptr;
    std::vector<OscMessage> received_;
    std::vector<bool> taken_;
};

}  // namespace kq505::test
