#include "model/module_read.h"

#include <utility>

namespace kq505 {
namespace {

// The effect blocks' dumps: reverb, chorus and variation, each in two.
constexpr std::array<std::uint8_t, 6> kEffectDumps{0x00, 0x10, 0x20, 0x30, 0x40, 0x70};
// A multi part's two dumps, and the bytes beside them that the table carries.
constexpr std::array<std::uint8_t, 2> kPartDumps{0x00, 0x30};
constexpr std::array<std::uint8_t, 4> kPartEq{0x72, 0x73, 0x76, 0x77};
constexpr std::uint8_t kHpf = 0x20;

void AddLayer(std::vector<ModuleRequest>& requests, std::uint8_t xg_part) {
    for (const std::uint8_t low : kPartDumps)
        requests.push_back({ModuleRequest::dump, {0x08, xg_part, low}});
    for (const std::uint8_t low : kPartEq)
        requests.push_back({ModuleRequest::parameter, {0x08, xg_part, low}});
    requests.push_back({ModuleRequest::parameter, {0x0A, xg_part, kHpf}});
}

}  // namespace

std::vector<ModuleRequest> ModuleRequests(bool effects, const std::vector<int>& parts) {
    std::vector<ModuleRequest> requests;
    if (effects) {
        for (const std::uint8_t low : kEffectDumps)
            requests.push_back({ModuleRequest::dump, {0x02, 0x01, low}});
    }
    for (const int part : parts) {
        if (part < 0 || part >= kPartCount) continue;
        AddLayer(requests, static_cast<std::uint8_t>(part));
        AddLayer(requests, static_cast<std::uint8_t>(part + kPartCount));
    }
    return requests;
}

std::string ModuleRequestLabel(const ModuleRequest& request) {
    const XgAddress& at = request.address;
    if (at.high == 0x02) {
        if (at.low < 0x20) return "ﾘﾊﾞｰﾌﾞ";
        return at.low < 0x40 ? "ｺｰﾗｽ" : "ﾊﾞﾘｴｰｼｮﾝ";
    }
    const int part = at.mid % kPartCount + 1;
    return "ﾊﾟｰﾄ " + std::to_string(part) + (at.mid < kPartCount ? " A" : " B");
}

std::array<std::uint8_t, 8> ModuleRequestMessage(const ModuleRequest& request) {
    return request.kind == ModuleRequest::dump ? XgDumpRequest(request.address)
                                               : XgParameterRequest(request.address);
}

ModuleReader::ModuleReader(bool effects, std::vector<int> parts)
    : effects_(effects), parts_(std::move(parts)), requests_(ModuleRequests(effects_, parts_)) {}

bool ModuleReader::OnMessage(std::span<const std::uint8_t> message) {
    const std::optional<XgMessage> read = ReadXgMessage(message);
    if (!read) {
        ++ignored_;
        return false;
    }
    ApplyToImage(*read, image_);
    if (Done() || !Answers(*read)) return false;
    ++next_;
    tries_ = 0;
    return true;
}

void ModuleReader::Cancel() {
    unread_.insert(unread_.end(), requests_.begin() + static_cast<std::ptrdiff_t>(next_),
                   requests_.end());
    next_ = requests_.size();
}

bool ModuleReader::OnTimeout() {
    if (Done()) return false;
    ++timeouts_;
    if (++tries_ <= kRetries) return true;
    missing_.push_back(Current());
    ++next_;
    tries_ = 0;
    return false;
}

bool ModuleReader::Answers(const XgMessage& message) const {
    const ModuleRequest& request = Current();
    const XgMessageKind kind = request.kind == ModuleRequest::dump
                                   ? XgMessageKind::bulk_dump
                                   : XgMessageKind::parameter_change;
    return message.kind == kind && message.address == request.address;
}

}  // namespace kq505
