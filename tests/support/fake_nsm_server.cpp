#include "tests/support/fake_nsm_server.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kq505::test {

FakeNsmServer::FakeNsmServer() {
    server_ = lo_server_new_with_proto(nullptr, LO_UDP, nullptr);
    if (server_ != nullptr)
        lo_server_add_method(server_, nullptr, nullptr, &FakeNsmServer::Take, this);
}

FakeNsmServer::~FakeNsmServer() {
    if (client_ != nullptr) lo_address_free(client_);
    if (server_ != nullptr) lo_server_free(server_);
}

std::string FakeNsmServer::Url() const {
    return "osc.udp://127.0.0.1:" + std::to_string(lo_server_get_port(server_)) + "/";
}

int FakeNsmServer::Take(const char* path, const char* types, lo_arg** argv, int argc,
                        lo_message msg, void* self) {
    auto& server = *static_cast<FakeNsmServer*>(self);
    OscMessage message{path, types, {}};
    for (int i = 0; i < argc; ++i) {
        // The arguments lie in the packet four-byte aligned, not as the union is.
        if (types[i] == LO_STRING)
            message.args.emplace_back(reinterpret_cast<const char*>(argv[i]));
        if (types[i] == LO_INT32) {
            std::int32_t value = 0;
            std::memcpy(&value, argv[i], sizeof value);
            message.args.push_back(std::to_string(value));
        }
    }
    if (message.path == "/nsm/server/announce") {
        if (server.client_ != nullptr) lo_address_free(server.client_);
        const lo_address source = lo_message_get_source(msg);
        server.client_ =
            lo_address_new(lo_address_get_hostname(source), lo_address_get_port(source));
    }
    server.received_.push_back(std::move(message));
    server.taken_.push_back(false);
    return 0;
}

std::optional<OscMessage> FakeNsmServer::Wait(std::string_view path,
                                              std::chrono::milliseconds timeout,
                                              const std::function<void()>& between) {
    return WaitAny({path}, timeout, between);
}

std::optional<OscMessage> FakeNsmServer::WaitAny(const std::vector<std::string_view>& paths,
                                                 std::chrono::milliseconds timeout,
                                                 const std::function<void()>& between) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        while (lo_server_recv_noblock(server_, 0) > 0) {
        }
        for (std::size_t i = 0; i < received_.size(); ++i) {
            if (!taken_[i] && std::ranges::find(paths, received_[i].path) != paths.end()) {
                taken_[i] = true;
                return received_[i];
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        if (between) between();
        lo_server_recv_noblock(server_, 5);
    }
}

bool FakeNsmServer::AcceptAnnounce() {
    return client_ != nullptr &&
           lo_send_from(client_, server_, LO_TT_IMMEDIATE, "/reply", "ssss", "/nsm/server/announce",
                        "Welcome", "fake-nsm", ":server-control:") >= 0;
}

bool FakeNsmServer::Open(const std::string& path, const std::string& display_name,
                         const std::string& client_id) {
    return client_ != nullptr &&
           lo_send_from(client_, server_, LO_TT_IMMEDIATE, "/nsm/client/open", "sss", path.c_str(),
                        display_name.c_str(), client_id.c_str()) >= 0;
}

bool FakeNsmServer::Send(const std::string& path) {
    return client_ != nullptr &&
           lo_send_from(client_, server_, LO_TT_IMMEDIATE, path.c_str(), "") >= 0;
}

}  // namespace kq505::test
