#pragma once
// The program's side of the New Session Manager's protocol (OSC over liblo): the announce,
// the session's requests, and the program's answers. Nothing here runs on a thread of its
// own: the caller watches SocketFd() and calls Receive() on its own thread, so every request
// is acted on where the program's state lives, and every answer leaves from there too.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kq505 {

// The environment variable through which a session manager gives its address.
inline constexpr const char* kNsmUrlVariable = "NSM_URL";
inline constexpr std::string_view kNsmClientName = "KQ505";
inline constexpr std::string_view kNsmCapabilities = ":dirty:switch:optional-gui:";
// The protocol version the program speaks (1.2).
inline constexpr int kNsmApiMajor = 1;
inline constexpr int kNsmApiMinor = 2;

inline constexpr std::string_view kNsmOpenPath = "/nsm/client/open";
inline constexpr std::string_view kNsmSavePath = "/nsm/client/save";

// The protocol's error codes that the program answers with.
enum NsmErrorCode : int {
    kNsmErrGeneral = -1,
    kNsmErrBadProject = -9,
    kNsmErrCreateFailed = -10,
};

struct NsmRequest {
    enum class Kind {
        kOpen,  // path, display_name, client_id
        kSave,
        kShowGui,
        kHideGui,
        kAnnounced,  // the server took the announce; text: its greeting
        kRefused,    // the server refused the announce; text: its reason
    };
    Kind kind;
    std::string path;
    std::string display_name;
    std::string client_id;
    std::string text;
    bool operator==(const NsmRequest&) const = default;
};

class NsmClient {
  public:
    // A client that talks to the server at `url` ("osc.udp://host:port/"); null when the
    // address is not one, or no socket of our own can be made.
    static std::unique_ptr<NsmClient> Connect(const std::string& url);
    ~NsmClient();
    NsmClient(const NsmClient&) = delete;
    NsmClient& operator=(const NsmClient&) = delete;

    // Readable while a message of the server waits.
    int SocketFd() const;
    // What has arrived, in order, without waiting; messages the program does not serve are
    // passed over.
    std::vector<NsmRequest> Receive();

    // /nsm/server/announce s:"KQ505" s:capabilities s:argv0 i:1 i:2 i:pid
    bool Announce(std::string_view argv0, int pid);
    // /reply s:path s:message
    bool Reply(std::string_view path, std::string_view message);
    // /error s:path i:code s:message
    bool Error(std::string_view path, int code, std::string_view message);
    // /nsm/client/is_dirty or /nsm/client/is_clean
    bool SendDirty(bool dirty);
    // /nsm/client/gui_is_shown or /nsm/client/gui_is_hidden
    bool SendGuiShown(bool shown);

  private:
    struct State;
    explicit NsmClient(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

}  // namespace kq505
