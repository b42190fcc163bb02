#pragma once
// The primitives through which every edit reaches the two ports. Channel messages go out
// on the channel of the selected part; system exclusive goes out on Port A only, so the
// two outputs feed the two inputs of one tone generator.

#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/midi_output.h"
#include "model/part_table.h"

namespace kq505 {

class CKQ505App;

// `packed` is built with channel 0 (B0h, C0h, 90h); the selected part is added to it.
void SendPartMessage(CKQ505App& app, Port port, std::uint32_t packed);
// CC98 = parameter, CC99 = 01h, CC6 = value, in this order.
void SendNrpn(CKQ505App& app, Port port, int parameter, std::int32_t value);
// One complete F0..F7 message on Port A.
void SendSysEx(CKQ505App& app, std::span<const std::uint8_t> message);
// XG part number = part index for the A layer, part index + 16 for the B layer.
void SendXgPartParameter(CKQ505App& app, int part_number, int address, std::int32_t value);

// The message that an edit of this row sends for the selected part, with the row's stored
// value: the carrier of every row of the table (the mix row sends the mix rule, mix_sw
// nothing).
void SendRowMessage(CKQ505App& app, Row row);

// Every controller number that some row of the table is sent with, bank select and the NRPN
// controllers included, with the data entry LSB, increment and decrement that would change the
// NRPN parameter the table last selected. Whatever else sets these would leave the module
// holding other values than the table.
std::bitset<128> TableControllers();

struct PortOpenResult {
    bool port_a_opened;
    bool port_b_opened;
    bool input_opened = false;
    bool module_input_opened = false;
};

// The device number to open for a stored number and name, in a list of the system's device
// names (position = number): where the name stands now, else the stored number. An empty
// name, or one not in the list, leaves the number as it is. The number wins among equal
// names. ALSA ends each name with its client and port address ("UM-ONE:UM-ONE MIDI 1 20:0"),
// which a new plug-in may change, so a name matches without it when it matches nowhere whole.
int ResolveMidiDevice(std::span<const std::string> names, int stored_number,
                      std::string_view stored_name);

// The module's input on module_in_device, first moved to where module_in_name now stands
// (also from -1, where a device unplugged when it was chosen left it). False when it cannot
// be opened.
bool OpenModuleInput(CKQ505App& app);

// Port A on out_a_device, then Port B on out_b_device, each first moved to where its stored
// name now stands (out_a_name, out_b_name), then the input (OpenMidiInput) and the module's
// input (OpenModuleInput); the window layer reports failures.
PortOpenResult OpenMidiPorts(CKQ505App& app);
// The module's input and the input first (CloseMidiInput), then Port A and Port B.
void CloseMidiPorts(CKQ505App& app);
// Close both, then open both again as OpenMidiPorts does.
PortOpenResult ReinitialiseMidiPorts(CKQ505App& app);

}  // namespace kq505
