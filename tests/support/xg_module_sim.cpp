#include "tests/support/xg_module_sim.h"

#include <jack/midiport.h>

#include "model/module_image.h"
#include "model/module_values.h"
#include "xgpart/xg_part_image.h"

namespace kq505::test {
namespace {

using Clock = std::chrono::steady_clock;

// Dump requests are answered only at the start of a block, with the block's size.
std::optional<std::size_t> BlockSize(XgAddress start) {
    if (start.high == 0x02 && start.mid == 0x01) {
        switch (start.low) {
            case 0x00:
                return 0x0E;  // reverb
            case 0x10:
                return 0x06;
            case 0x20:
                return 0x0F;  // chorus
            case 0x30:
                return 0x06;
            case 0x40:
                return 0x21;  // variation
            case 0x70:
                return 0x06;
            default:
                return std::nullopt;
        }
    }
    if (start.high == 0x08 && start.mid < 32) {
        if (start.low == 0x00) return 0x29;
        if (start.low == 0x30) return 0x3F;
    }
    // A drum instrument of setups 1..4, notes 13..91.
    if (start.high >= 0x30 && start.high <= 0x33 && start.mid >= 13 && start.mid <= 91 &&
        start.low == 0x00) {
        return 0x10;
    }
    return std::nullopt;
}

}  // namespace

XgModuleMemory XgModuleMemory::Of(const PartTable& table, const EffectBlocks& effects,
                                  const DrumSetups& drums) {
    XgModuleImage image;
    // Beside the table's bytes, what XG System On leaves.
    XgPartsToImage(XgPartValues{}, image);
    for (int part = 0; part < kPartCount; ++part)
        PartToModule(table, part, image.parts);
    EffectsToImage(effects, image);
    XgModuleMemory memory;
    for (std::size_t i = 0; i < memory.effect.size(); ++i)
        memory.effect[i] = image.effect[i].value_or(0);
    // The note shift (08 pp 08) keeps its centre where the set-up does not set it: the
    // program shifts keys on the B layer alone.
    constexpr std::size_t kNoteShift = 0x08;
    for (std::size_t part = 0; part < memory.multi_part.size(); ++part) {
        for (std::size_t i = 0; i < 0x80; ++i) {
            const std::uint8_t reset = i == kNoteShift ? 0x40 : 0x00;
            memory.multi_part[part][i] = image.parts[part].multi_part[i].value_or(reset);
        }
        memory.hpf[part] = image.parts[part].hpf.value_or(0);
        // The part mode (08 pp 07), which the table does not carry.
        memory.multi_part[part][0x07] = static_cast<std::uint8_t>(drums.part_modes[part]);
    }
    for (int setup = 0; setup < kDrumSetupCount; ++setup) {
        for (int note = kFirstDrumNote; note <= kLastDrumNote; ++note) {
            for (int param = 0; param < kDrumParamCount; ++param) {
                memory.drums[setup][note][param] =
                    static_cast<std::uint8_t>(DrumValue(drums, table, setup, note, param));
            }
        }
    }
    return memory;
}

std::optional<FakeXgModule::Reply> FakeXgModule::Answer(std::span<const std::uint8_t> message) {
    // F0 43 2n 4C ah am al F7 or F0 43 3n 4C ah am al F7
    if (message.size() != 8 || message[0] != 0xF0 || message[1] != 0x43 || message[3] != 0x4C ||
        message[7] != 0xF7) {
        return std::nullopt;
    }
    const std::uint8_t kind = message[2] & 0xF0;
    const auto device = static_cast<std::uint8_t>(message[2] & 0x0F);
    if (kind != 0x20 && kind != 0x30) return std::nullopt;
    const XgAddress at{message[4], message[5], message[6]};
    ++requests_;
    ++asked_[Key(at)];
    Rule& rule = rules_[Key(at)];
    if (rule.silent != 0) {
        if (rule.silent > 0) --rule.silent;
        return std::nullopt;
    }
    std::optional<Bytes> reply = kind == 0x20 ? Dump(at, device) : ParameterChange(at, device);
    if (!reply) return std::nullopt;
    if (rule.bad_checksum > 0) {
        --rule.bad_checksum;
        (*reply)[reply->size() - 2] ^= 0x01;
    }
    return Reply{std::move(*reply), rule.delay.value_or(delay_)};
}

int FakeXgModule::RequestsFor(XgAddress start) const {
    const auto found = asked_.find(Key(start));
    return found == asked_.end() ? 0 : found->second;
}

// F0 43 0n 4C bh bl ah am al data… cs F7, the checksum making the sum from bh to cs 0.
std::optional<FakeXgModule::Bytes> FakeXgModule::Dump(XgAddress start, std::uint8_t device) const {
    const std::optional<std::size_t> size = BlockSize(start);
    if (!size) return std::nullopt;
    const std::uint8_t* data = start.high == 0x02 ? memory_.effect.data() + start.low
                               : start.high >= 0x30
                                   ? memory_.drums[start.high - 0x30][start.mid].data()
                                   : memory_.multi_part[start.mid].data() + start.low;
    Bytes dump{0xF0,
               0x43,
               device,
               0x4C,
               static_cast<std::uint8_t>(*size >> 7),
               static_cast<std::uint8_t>(*size & 0x7F),
               start.high,
               start.mid,
               start.low};
    dump.insert(dump.end(), data, data + *size);
    unsigned sum = 0;
    for (std::size_t i = 4; i < dump.size(); ++i)
        sum += dump[i];
    dump.push_back(static_cast<std::uint8_t>((0x80 - sum % 0x80) % 0x80));
    dump.push_back(0xF7);
    return dump;
}

// F0 43 1n 4C ah am al dd F7 for the single bytes a read asks for one by one.
std::optional<FakeXgModule::Bytes> FakeXgModule::ParameterChange(XgAddress at,
                                                                 std::uint8_t device) const {
    std::optional<std::uint8_t> value;
    if (at.high == 0x08 && at.mid < 32 && at.low < 0x80) value = memory_.multi_part[at.mid][at.low];
    if (at.high == 0x0A && at.mid < 32 && at.low == 0x20) value = memory_.hpf[at.mid];
    if (at.high == 0x02 && at.mid == 0x01 && at.low < 0x80) value = memory_.effect[at.low];
    if (!value) return std::nullopt;
    return Bytes{0xF0,   0x43,    static_cast<std::uint8_t>(0x10 | device),
                 0x4C,   at.high, at.mid,
                 at.low, *value,  0xF7};
}

XgModuleSim::XgModuleSim(FakeXgModule module) : module_(std::move(module)) {
    reply_.reserve(SysExAssembler::kMaxMessage);
    client_ = jack_client_open(kClientName, JackNoStartServer, nullptr);
    if (client_ == nullptr) return;
    in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (in_ == nullptr || out_ == nullptr) return;
    jack_set_process_callback(client_, &XgModuleSim::Process, this);
    active_ = jack_activate(client_) == 0;
    if (active_) server_ = std::thread([this] { Serve(); });
}

XgModuleSim::~XgModuleSim() {
    stop_ = true;
    if (server_.joinable()) server_.join();
    if (client_ != nullptr) jack_client_close(client_);  // stops the process callback
}

std::string XgModuleSim::InputName() const {
    return jack_port_name(in_);
}

std::string XgModuleSim::OutputName() const {
    return jack_port_name(out_);
}

int XgModuleSim::RequestsFor(XgAddress start) const {
    std::scoped_lock lock(mutex_);
    return module_.RequestsFor(start);
}

int XgModuleSim::Requests() const {
    std::scoped_lock lock(mutex_);
    return module_.Requests();
}

// What came in goes to the serving thread; one reply that is due goes out per cycle at most
// (a module's MIDI out is slower than that), whole.
int XgModuleSim::Process(jack_nframes_t frames, void* self) {
    auto& sim = *static_cast<XgModuleSim*>(self);
    void* in = jack_port_get_buffer(sim.in_, frames);
    const std::uint32_t count = jack_midi_get_event_count(in);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) == 0)
            sim.requests_in_.Push({event.buffer, event.size});
    }
    void* out = jack_port_get_buffer(sim.out_, frames);
    jack_midi_clear_buffer(out);
    if (sim.reply_.empty()) sim.replies_out_.Pop(sim.reply_);
    if (!sim.reply_.empty() &&
        jack_midi_event_write(out, 0, sim.reply_.data(), sim.reply_.size()) == 0) {
        sim.reply_.clear();
    }
    return 0;
}

// Answers each request after its delay, in the order they fall due.
void XgModuleSim::Serve() {
    std::multimap<Clock::time_point, FakeXgModule::Bytes> due;
    std::vector<std::uint8_t> request;
    while (!stop_) {
        const Clock::time_point now = Clock::now();
        while (requests_in_.Pop(request)) {
            std::scoped_lock lock(mutex_);
            if (std::optional<FakeXgModule::Reply> reply = module_.Answer(request))
                due.emplace(now + reply->delay, std::move(reply->bytes));
        }
        while (!due.empty() && due.begin()->first <= Clock::now()) {
            replies_out_.Push(due.begin()->second);
            due.erase(due.begin());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace kq505::test
