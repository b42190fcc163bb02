#include "app/nsm_client.h"

#include <lo/lo.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace kq505 {
namespace {

constexpr const char* kAnnouncePath = "/nsm/server/announce";

// liblo's own report would go to the terminal; a failure shows in the caller's result.
void IgnoreLoError(int /*number*/, const char* /*message*/, const char* /*where*/) {}

std::string StringArgument(const char* types, lo_arg** argv, int argc, int index) {
    if (index >= argc || types[index] != LO_STRING) return {};
    // liblo points into the packet, where a string lies only four-byte aligned: read through
    // the union would be misaligned.
    return reinterpret_cast<const char*>(argv[index]);
}

struct LoAddressDeleter {
    void operator()(lo_address address) const { lo_address_free(address); }
};
struct LoServerDeleter {
    void operator()(lo_server server) const { lo_server_free(server); }
};
struct LoMessageDeleter {
    void operator()(lo_message message) const { lo_message_free(message); }
};
using LoMessage = std::unique_ptr<std::remove_pointer_t<lo_message>, LoMessageDeleter>;

}  // namespace

struct NsmClient::State {
    std::unique_ptr<std::remove_pointer_t<lo_address>, LoAddressDeleter> server_address;
    std::unique_ptr<std::remove_pointer_t<lo_server>, LoServerDeleter> own;
    std::vector<NsmRequest> arrived;

    bool Send(std::string_view path, const LoMessage& message) const {
        const std::string whole(path);
        return message && lo_send_message_from(server_address.get(), own.get(), whole.c_str(),
                                               message.get()) >= 0;
    }

    static int OnOpen(const char*, const char* types, lo_arg** argv, int argc, lo_message,
                      void* self) {
        static_cast<State*>(self)->arrived.push_back({NsmRequest::Kind::kOpen,
                                                      StringArgument(types, argv, argc, 0),
                                                      StringArgument(types, argv, argc, 1),
                                                      StringArgument(types, argv, argc, 2),
                                                      {}});
        return 0;
    }
    static int OnPlain(const char* path, const char*, lo_arg**, int, lo_message, void* self) {
        const std::string_view name(path);
        NsmRequest::Kind kind = NsmRequest::Kind::kSave;
        if (name == "/nsm/client/show_optional_gui") kind = NsmRequest::Kind::kShowGui;
        if (name == "/nsm/client/hide_optional_gui") kind = NsmRequest::Kind::kHideGui;
        static_cast<State*>(self)->arrived.push_back({kind, {}, {}, {}, {}});
        return 0;
    }
    // /reply and /error carry the path they answer first; only the announce's matter here.
    static int OnAnswer(const char* path, const char* types, lo_arg** argv, int argc, lo_message,
                        void* self) {
        if (StringArgument(types, argv, argc, 0) != kAnnouncePath) return 0;
        const bool error = std::string_view(path) == "/error";
        static_cast<State*>(self)->arrived.push_back(
            {error ? NsmRequest::Kind::kRefused : NsmRequest::Kind::kAnnounced,
             {},
             {},
             {},
             StringArgument(types, argv, argc, error ? 2 : 1)});
        return 0;
    }
    static int PassOver(const char*, const char*, lo_arg**, int, lo_message, void*) { return 0; }
};

NsmClient::NsmClient(std::unique_ptr<State> state) : state_(std::move(state)) {}

NsmClient::~NsmClient() = default;

std::unique_ptr<NsmClient> NsmClient::Connect(const std::string& url) {
    auto state = std::make_unique<State>();
    state->server_address.reset(lo_address_new_from_url(url.c_str()));
    if (!state->server_address) return nullptr;
    state->own.reset(lo_server_new_with_proto(
        nullptr, lo_address_get_protocol(state->server_address.get()), &IgnoreLoError));
    if (!state->own) return nullptr;
    lo_server server = state->own.get();
    void* self = state.get();
    lo_server_add_method(server, "/nsm/client/open", "sss", &State::OnOpen, self);
    for (const char* path :
         {"/nsm/client/save", "/nsm/client/show_optional_gui", "/nsm/client/hide_optional_gui"}) {
        lo_server_add_method(server, path, "", &State::OnPlain, self);
    }
    lo_server_add_method(server, "/reply", nullptr, &State::OnAnswer, self);
    lo_server_add_method(server, "/error", nullptr, &State::OnAnswer, self);
    lo_server_add_method(server, nullptr, nullptr, &State::PassOver, self);
    return std::unique_ptr<NsmClient>(new NsmClient(std::move(state)));
}

int NsmClient::SocketFd() const {
    return lo_server_get_socket_fd(state_->own.get());
}

std::vector<NsmRequest> NsmClient::Receive() {
    while (lo_server_recv_noblock(state_->own.get(), 0) > 0) {
    }
    return std::exchange(state_->arrived, {});
}

bool NsmClient::Announce(std::string_view argv0, int pid) {
    LoMessage message(lo_message_new());
    lo_message_add_string(message.get(), std::string(kNsmClientName).c_str());
    lo_message_add_string(message.get(), std::string(kNsmCapabilities).c_str());
    lo_message_add_string(message.get(), std::string(argv0).c_str());
    lo_message_add_int32(message.get(), kNsmApiMajor);
    lo_message_add_int32(message.get(), kNsmApiMinor);
    lo_message_add_int32(message.get(), pid);
    return state_->Send(kAnnouncePath, message);
}

bool NsmClient::Reply(std::string_view path, std::string_view text) {
    LoMessage message(lo_message_new());
    lo_message_add_string(message.get(), std::string(path).c_str());
    lo_message_add_string(message.get(), std::string(text).c_str());
    return state_->Send("/reply", message);
}

bool NsmClient::Error(std::string_view path, int code, std::string_view text) {
    LoMessage message(lo_message_new());
    lo_message_add_string(message.get(), std::string(path).c_str());
    lo_message_add_int32(message.get(), code);
    lo_message_add_string(message.get(), std::string(text).c_str());
    return state_->Send("/error", message);
}

bool NsmClient::SendDirty(bool dirty) {
    const LoMessage message(lo_message_new());
    return state_->Send(dirty ? "/nsm/client/is_dirty" : "/nsm/client/is_clean", message);
}

bool NsmClient::SendGuiShown(bool shown) {
    const LoMessage message(lo_message_new());
    return state_->Send(shown ? "/nsm/client/gui_is_shown" : "/nsm/client/gui_is_hidden", message);
}

}  // namespace kq505
