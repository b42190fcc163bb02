#include "model/midi_send.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <vector>

#include "app/kq505_app.h"
#include "model/midi_messages.h"
#include "model/part_transmission.h"
#include "model/play_through_send.h"

namespace kq505 {
namespace {

// How one row reaches the tone generator.
struct Carrier {
    enum Kind { kNone, kCcBothPorts, kCcLayer, kProgram, kNrpn, kNoteShiftB, kPortamento, kMix };
    Kind kind;
    int number;  // control or NRPN parameter number
};

Carrier CarrierOf(Row row) {
    switch (row) {
        case vol: return {Carrier::kCcBothPorts, kCcVolume};
        case exp: return {Carrier::kCcBothPorts, kCcExpression};
        case key_shift: return {Carrier::kNoteShiftB, 0};
        case porta_sw: return {Carrier::kPortamento, kCcPortamento};
        case porta_time: return {Carrier::kCcBothPorts, kCcPortamentoTime};
        case mix: return {Carrier::kMix, 0};
        case mix_sw: return {Carrier::kNone, 0};
        default: break;
    }
    switch (static_cast<Row>(row - (IsLayerB(row) ? 1 : 0))) {
        case bank_msb_a: return {Carrier::kCcLayer, kCcBankMsb};
        case bank_lsb_a: return {Carrier::kCcLayer, kCcBankLsb};
        case program_a: return {Carrier::kProgram, 0};
        case reverb_a: return {Carrier::kCcLayer, kCcReverb};
        case chorus_a: return {Carrier::kCcLayer, kCcChorus};
        case variation_a: return {Carrier::kCcLayer, kCcVariation};
        case pan_a: return {Carrier::kCcLayer, kCcPan};
        case brightness_a: return {Carrier::kCcLayer, kCcBrightness};
        case harmonic_a: return {Carrier::kCcLayer, kCcHarmonic};
        case hpf_a: return {Carrier::kNrpn, kNrpnHpfCutoff};
        case attack_a: return {Carrier::kCcLayer, kCcAttack};
        case decay_a: return {Carrier::kNrpn, kNrpnDecay};
        case release_a: return {Carrier::kCcLayer, kCcRelease};
        case vib_rate_a: return {Carrier::kNrpn, kNrpnVibratoRate};
        case vib_depth_a: return {Carrier::kNrpn, kNrpnVibratoDepth};
        case vib_delay_a: return {Carrier::kNrpn, kNrpnVibratoDelay};
        case eq_bass_freq_a: return {Carrier::kNrpn, kNrpnEqBassFrequency};
        case eq_bass_gain_a: return {Carrier::kNrpn, kNrpnEqBassGain};
        case eq_treble_freq_a: return {Carrier::kNrpn, kNrpnEqTrebleFrequency};
        case eq_treble_gain_a: return {Carrier::kNrpn, kNrpnEqTrebleGain};
        default: return {Carrier::kNone, 0};
    }
}

void SendToBothPorts(CKQ505App& app, std::uint32_t packed) {
    SendPartMessage(app, Port::A, packed);
    SendPartMessage(app, Port::B, packed);
}

// "name 20:0" -> "name"; a name without such an ending as it is.
std::string_view WithoutAlsaAddress(std::string_view name) {
    const auto is_digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t end = name.size();
    const auto skip_digits = [&] {
        const std::size_t digits_end = end;
        while (end > 0 && is_digit(name[end - 1]))
            --end;
        return end < digits_end;
    };
    if (!skip_digits() || end == 0 || name[end - 1] != ':') return name;
    --end;
    if (!skip_digits() || end == 0 || name[end - 1] != ' ') return name;
    return name.substr(0, end - 1);
}

// The stored number when its device matches, else the first device that does.
std::optional<int> FindDevice(std::span<const std::string> names, int stored_number,
                              const auto& matches) {
    const auto count = static_cast<int>(names.size());
    if (stored_number >= 0 && stored_number < count && matches(names[stored_number])) {
        return stored_number;
    }
    const auto found = std::ranges::find_if(names, matches);
    if (found == names.end()) return std::nullopt;
    return static_cast<int>(found - names.begin());
}

void ResolveOutputDevices(CKQ505App& app) {
    if (app.out_a_name.empty() && app.out_b_name.empty()) return;
    if (!app.output_device_names) return;
    const std::vector<std::string> names = app.output_device_names();
    app.out_a_device = ResolveMidiDevice(names, app.out_a_device, app.out_a_name);
    app.out_b_device = ResolveMidiDevice(names, app.out_b_device, app.out_b_name);
}

PortOpenResult OpenBoth(CKQ505App& app) {
    ResolveOutputDevices(app);
    app.midi_out_a->SetPaced(app.midi_pace == 1);
    app.midi_out_b->SetPaced(app.midi_pace == 1);
    const bool a = app.midi_out_a->Open(app.out_a_device);
    const bool b = app.midi_out_b->Open(app.out_b_device);
    const bool in = OpenMidiInput(app);
    const bool module_in = OpenModuleInput(app);
    return {a, b, in, module_in};
}

}  // namespace

void SendPartMessage(CKQ505App& app, Port port, std::uint32_t packed) {
    app.Output(port).SendShortMessage(packed + static_cast<std::uint32_t>(app.selected_part & 0x0F));
}

void SendNrpn(CKQ505App& app, Port port, int parameter, std::int32_t value) {
    SendPartMessage(app, port, ControlChange(0, kCcNrpnLsb, parameter));
    SendPartMessage(app, port, ControlChange(0, kCcNrpnMsb, kNrpnMsb));
    SendPartMessage(app, port, ControlChange(0, kCcDataEntry, value));
}

void SendSysEx(CKQ505App& app, std::span<const std::uint8_t> message) {
    app.midi_out_a->SendSysEx(message);
}

void SendXgPartParameter(CKQ505App& app, int part_number, int address, std::int32_t value) {
    SendSysEx(app, XgPartParameterMessage(part_number, address, value));
}

void SendRowMessage(CKQ505App& app, Row row) {
    const Carrier carrier = CarrierOf(row);
    const Port port = IsLayerB(row) ? Port::B : Port::A;
    const std::int32_t value = app.Value(row);
    const auto cc = static_cast<std::uint8_t>(carrier.number);
    switch (carrier.kind) {
        case Carrier::kNone: return;
        case Carrier::kCcBothPorts: return SendToBothPorts(app, ControlChange(0, cc, value));
        case Carrier::kPortamento:
            return SendToBothPorts(app, ControlChange(0, cc, value == 1 ? 127 : 0));
        case Carrier::kNoteShiftB:
            return SendXgPartParameter(app, app.selected_part + kPartCount, kXgNoteShift, value);
        case Carrier::kMix: return SendMixOffsets(app);
        case Carrier::kCcLayer: return SendPartMessage(app, port, ControlChange(0, cc, value));
        case Carrier::kProgram:
            return SendPartMessage(app, port, PackShortMessage(kProgramChange, value));
        case Carrier::kNrpn: return SendNrpn(app, port, carrier.number, value);
    }
}

std::bitset<128> TableControllers() {
    // Data entry LSB, increment and decrement also write into the selected NRPN parameter.
    constexpr std::array<int, 6> kNrpnControllers{
        kCcNrpnLsb, kCcNrpnMsb, kCcDataEntry, kCcDataEntryLsb, kCcDataIncrement, kCcDataDecrement};
    std::bitset<128> owned;
    for (int row = 0; row < kRowCount; ++row) {
        const Carrier carrier = CarrierOf(static_cast<Row>(row));
        switch (carrier.kind) {
            case Carrier::kCcBothPorts:
            case Carrier::kCcLayer:
            case Carrier::kPortamento:
                owned.set(static_cast<std::size_t>(carrier.number));
                break;
            case Carrier::kNrpn:
                for (int cc : kNrpnControllers)
                    owned.set(static_cast<std::size_t>(cc));
                break;
            case Carrier::kNone:
            case Carrier::kProgram:
            case Carrier::kNoteShiftB:
            case Carrier::kMix:
                break;
        }
    }
    return owned;
}

int ResolveMidiDevice(std::span<const std::string> names, int stored_number,
                      std::string_view stored_name) {
    if (stored_name.empty()) return stored_number;
    const auto whole = [&](const std::string& name) { return name == stored_name; };
    if (const std::optional<int> found = FindDevice(names, stored_number, whole)) return *found;
    const std::string_view base = WithoutAlsaAddress(stored_name);
    const auto without_address = [&](const std::string& name) {
        return WithoutAlsaAddress(name) == base;
    };
    return FindDevice(names, stored_number, without_address).value_or(stored_number);
}

bool OpenModuleInput(CKQ505App& app) {
    // Listing the devices takes a client of the MIDI system; only a stored name needs it. A
    // name kept while its device was unplugged (-1) finds it again once it is back.
    if (!app.module_in_name.empty() && app.input_device_names) {
        app.module_in_device =
            ResolveMidiDevice(app.input_device_names(), app.module_in_device, app.module_in_name);
    }
    return app.module_in->Open(app.module_in_device);
}

PortOpenResult OpenMidiPorts(CKQ505App& app) { return OpenBoth(app); }

void CloseMidiPorts(CKQ505App& app) {
    app.module_in->Close();
    CloseMidiInput(app);
    app.midi_out_a->Close();
    app.midi_out_b->Close();
}

PortOpenResult ReinitialiseMidiPorts(CKQ505App& app) {
    CloseMidiPorts(app);
    return OpenBoth(app);
}

}  // namespace kq505
