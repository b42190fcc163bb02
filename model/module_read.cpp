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
constexpr std::uint8_t kFirstDrumHigh = 0x30;

void AddLayer(std::vector<ModuleRequest>& requests, std::uint8_t xg_part) {
    for (const std::uint8_t low : kPartDumps)
        requests.push_back({ModuleRequest::dump, {0x08, xg_part, low}});
    for (const std::uint8_t low : kPartEq)
        requests.push_back({ModuleRequest::parameter, {0x08, xg_part, low}});
    requests.push_back({ModuleRequest::parameter, {0x0A, xg_part, kHpf}});
}

}  // namespace

std::vector<ModuleRequest> ModuleRequests(bool effects, const std::vector<int>& parts,
                                          const std::vector<int>& drum_setups) {
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
    // One instrument a dump: the module has no dump of a whole setup.
    for (const int setup : drum_setups) {
        if (setup < 0 || setup >= kDrumSetupCount) continue;
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
            requests.push_back({ModuleRequest::dump,
                                {static_cast<std::uint8_t>(kFirstDrumHigh + setup),
                                 static_cast<std::uint8_t>(note), 0x00}});
        }
    }
    return requests;
}

bool IsDrumRequest(const ModuleRequest& request) {
    const std::uint8_t high = request.address.high;
    return high >= kFirstDrumHigh && high < kFirstDrumHigh + kDrumSetupCount;
}

bool IsLayerRequest(const ModuleRequest& request) {
    const std::uint8_t high = request.address.high;
    return high == static_cast<std::uint8_t>(XgPartBlock::multi_part) ||
           high == static_cast<std::uint8_t>(XgPartBlock::multi_part_filter);
}

std::string ModuleRequestLabel(const ModuleRequest& request) {
    const XgAddress& at = request.address;
    if (at.high == 0x02) {
        if (at.low < 0x20) return "ﾘﾊﾞｰﾌﾞ";
        return at.low < 0x40 ? "ｺｰﾗｽ" : "ﾊﾞﾘｴｰｼｮﾝ";
    }
    if (IsDrumRequest(request)) return "ﾄﾞﾗﾑｾｯﾄｱｯﾌﾟ" + std::to_string(at.high - kFirstDrumHigh + 1);
    const int part = at.mid % kPartCount + 1;
    return "ﾊﾟｰﾄ " + std::to_string(part) + (at.mid < kPartCount ? " A" : " B");
}

std::array<std::uint8_t, 8> ModuleRequestMessage(const ModuleRequest& request) {
    return request.kind == ModuleRequest::dump ? XgDumpRequest(request.address)
                                               : XgParameterRequest(request.address);
}

ModuleReader::ModuleReader(bool effects, std::vector<int> parts, std::vector<int> drum_setups)
    : effects_(effects),
      parts_(std::move(parts)),
      drum_setups_(std::move(drum_setups)),
      requests_(ModuleRequests(effects_, parts_, drum_setups_)) {}

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
