#include "model/play_through.h"

#include "model/midi_messages.h"
#include "model/midi_send.h"

namespace kq505 {
namespace {

constexpr std::uint8_t kModeControllersFrom = 120;  // all sound off .. poly mode on

// The length of a channel message with this status, 0 for anything else.
std::size_t ChannelMessageLength(std::uint8_t status) {
    if (status < 0x80 || status >= 0xF0) return 0;
    const std::uint8_t kind = status & 0xF0;
    return kind == kProgramChange || kind == 0xD0 ? 2 : 3;
}

bool IsChannelMessage(std::span<const std::uint8_t> message) {
    if (message.empty() || message.size() != ChannelMessageLength(message[0])) return false;
    for (std::size_t i = 1; i < message.size(); ++i) {
        if (message[i] >= 0x80) return false;
    }
    return true;
}

std::uint32_t Pack(std::span<const std::uint8_t> message, int channel) {
    const auto status = static_cast<std::uint8_t>((message[0] & 0xF0) | (channel & 0x0F));
    return PackShortMessage(status, message[1], message.size() > 2 ? message[2] : 0);
}

int PedalIndex(std::uint8_t controller) {
    switch (controller) {
        case kCcSustain:
            return 0;
        case kCcSostenuto:
            return 1;
        case kCcSoftPedal:
            return 2;
        default:
            return -1;
    }
}

std::uint8_t RecordedChannel(std::uint8_t record) {
    return record & 0x0F;
}
std::uint8_t RecordedPorts(std::uint8_t record) {
    return (record >> 4) & kBothPorts;
}

}  // namespace

ThruMessages HeldNotes::Route(std::span<const std::uint8_t> message, ThruTarget target,
                              bool forward_new) {
    ThruMessages out;
    const std::uint8_t kind = message[0] & 0xF0;
    const std::uint8_t in_channel = message[0] & 0x0F;
    const int channel = target.channel < 0 ? in_channel : target.channel;
    const bool forward = forward_new && target.ports != kNoPorts;
    const auto to_target = [&] {
        if (forward) out.Add(Pack(message, channel), target.ports);
    };
    const auto to_record = [&](std::uint8_t record) {
        out.Add(Pack(message, RecordedChannel(record)), RecordedPorts(record));
    };
    const bool note_on = kind == kNoteOn && message[2] != 0;
    const bool note_off = kind == kNoteOff || (kind == kNoteOn && message[2] == 0);

    if (note_on) {
        if (!forward) return out;
        const std::uint8_t record = Record(channel, target.ports);
        const std::uint8_t old = notes_[in_channel][message[1]].exchange(record);
        if (old != 0 && old != record) {
            // Struck again while still sounding elsewhere: that one ends first.
            const auto off = static_cast<std::uint8_t>(kNoteOff | RecordedChannel(old));
            out.Add(PackShortMessage(off, message[1], 0x40), RecordedPorts(old));
        }
        out.Add(Pack(message, channel), target.ports);
    } else if (note_off) {
        const std::uint8_t old = notes_[in_channel][message[1]].exchange(0);
        old != 0 ? to_record(old) : to_target();
    } else if (kind == 0xA0) {
        const std::uint8_t record = notes_[in_channel][message[1]].load();
        record != 0 ? to_record(record) : to_target();
    } else if (kind == kControlChange && PedalIndex(message[1]) >= 0) {
        auto& pedal = pedals_[in_channel][static_cast<std::size_t>(PedalIndex(message[1]))];
        // Switch controllers: 64 and up is down.
        if (message[2] >= 64) {
            const std::uint8_t record = pedal.load();
            if (record != 0) {
                to_record(record);
            } else if (forward) {
                pedal.store(Record(channel, target.ports));
                to_target();
            }
        } else {
            const std::uint8_t old = pedal.exchange(0);
            old != 0 ? to_record(old) : to_target();
        }
    } else {
        to_target();
    }
    return out;
}

bool HeldNotes::IsNoteDown(int note) const {
    if (note < 0 || note > 127) return false;
    for (const auto& channel : notes_) {
        if (channel[static_cast<std::size_t>(note)].load(std::memory_order_relaxed) != 0) {
            return true;
        }
    }
    return false;
}

PlayThrough::PlayThrough() : table_controllers_(TableControllers()) {}

bool PlayThrough::MayForward(std::span<const std::uint8_t> message) const {
    if (!IsChannelMessage(message)) return false;
    const std::uint8_t kind = message[0] & 0xF0;
    if (kind == kProgramChange) return false;
    if (kind == kControlChange) {
        return message[1] < kModeControllersFrom && !table_controllers_.test(message[1]);
    }
    return true;
}

bool PlayThrough::IsInputNoteDown(int note) const {
    if (note < 0 || note > 127) return false;
    for (const auto& channel : input_keys_) {
        if (channel[static_cast<std::size_t>(note)].load(std::memory_order_relaxed)) return true;
    }
    return false;
}

ThruMessages PlayThrough::RouteInput(std::span<const std::uint8_t> message) {
    if (!IsChannelMessage(message)) return {};
    const std::uint8_t kind = message[0] & 0xF0;
    if (kind == kNoteOn || kind == kNoteOff) {
        input_keys_[message[0] & 0x0F][message[1]].store(kind == kNoteOn && message[2] != 0,
                                                         std::memory_order_relaxed);
    }
    const bool learned = learn_.Offer(message);
    const bool keep = keep_channel_.load(std::memory_order_relaxed);
    const ThruTarget target{keep ? -1 : part_.load(std::memory_order_relaxed),
                            static_cast<std::uint8_t>(kBothPorts & ~LoopPorts())};
    return input_.Route(message, target, Thru() && !learned && MayForward(message));
}

ThruMessages PlayThrough::RouteKeyboard(std::span<const std::uint8_t> message, std::uint8_t ports) {
    if (!IsChannelMessage(message)) return {};
    const ThruTarget target{part_.load(std::memory_order_relaxed),
                            static_cast<std::uint8_t>(ports & kBothPorts)};
    return keyboard_.Route(message, target, true);
}

bool ForwardInCycle(PlayThrough& thru, std::span<const std::uint8_t> message, std::uint32_t frame,
                    CycleEvents& port_a, CycleEvents& port_b) {
    bool kept = true;
    for (const ThruMessage& out : thru.RouteInput(message)) {
        if ((out.ports & kPortABit) != 0) kept = port_a.Add(frame, out.packed) && kept;
        if ((out.ports & kPortBBit) != 0) kept = port_b.Add(frame, out.packed) && kept;
    }
    return kept;
}

std::size_t ShortMessageWireBytes(std::uint32_t packed, std::span<std::uint8_t, 3> bytes) {
    const auto status = static_cast<std::uint8_t>(packed & 0xFF);
    const std::size_t length = ChannelMessageLength(status);
    bytes[0] = status;
    bytes[1] = static_cast<std::uint8_t>((packed >> 8) & 0x7F);
    bytes[2] = static_cast<std::uint8_t>((packed >> 16) & 0x7F);
    return length;
}

}  // namespace kq505
