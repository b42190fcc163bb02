#pragma once
// The program change dialog's rules: the three linked lists of each port (maps by bank MSB,
// programs, banks by LSB) built from the name tables, and what a choice in one of them
// writes into the table, remembers for the part and sends on the port.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/kq505_app.h"
#include "instruments/instrument_name_table.h"
#include "model/midi_output.h"

namespace kq505 {

// One line of a list: its text in Shift_JIS bytes and the number it stands for (the bank
// MSB of a map, the program index of a program, the bank LSB of a bank).
struct ProgramListEntry {
    std::string text;
    int value;
    bool operator==(const ProgramListEntry&) const = default;
};
using ProgramList = std::vector<ProgramListEntry>;

// "%03d " and the name.
std::string ProgramListText(int number, std::string_view name);

// The maps that carry a name, by ascending MSB. A map name keeps the space the parser
// appends, so an unnamed map still shows: as its bare number once trailing spaces go.
ProgramList MapEntries(const std::array<std::string, 128>& map_names);
// All 128 programs of the map, named or not. Map 48 names its programs 3 to 128 by the
// voices of bank LSB 8, every other program by bank LSB 0.
ProgramList ProgramEntries(const InstrumentNameTable& names, int msb);
// The banks that name a voice for this map and program, by ascending LSB.
ProgramList BankEntries(const InstrumentNameTable& names, int msb, int program);

// The lists of one port as the dialog shows them and their selected positions (-1: none).
struct PortLists {
    ProgramList maps;
    ProgramList programs;
    ProgramList banks;
    int map_sel = -1;
    int pc_sel = -1;
    int bank_sel = -1;
};

// The dialog's content. Built for the part selected when the dialog opens; every choice acts
// on the part selected at the moment of the choice, while the lists it does not refill keep
// what they showed.
class ProgramChangeLists {
  public:
    explicit ProgramChangeLists(CKQ505App& app);

    const PortLists& Lists(Port port) const { return ports_[Index(port)]; }

    // A choice in one of the port's lists: writes the bank and program rows and the
    // remembered positions, refills the lists below the chosen one, sends bank MSB, bank LSB
    // and program change on the port, then, when test_note is set, ends the test note still
    // sounding on that port and plays a new one. True when a test note went out, so that the
    // port's own gate has to be timed. A position outside the list does nothing.
    bool SelectMap(Port port, int position);
    bool SelectProgram(Port port, int position);
    bool SelectBank(Port port, int position);

    // The end of one port's gate: the note-off of the test note sounding there. Each port
    // has a gate of its own, so a choice for one port never holds the other's note on.
    void EndTestNote(Port port);

    bool test_note = true;

  private:
    static int Index(Port port) { return port == Port::A ? 0 : 1; }
    PortLists& Mutable(Port port) { return ports_[Index(port)]; }
    bool SendChoice(Port port);

    CKQ505App& app_;
    std::array<PortLists, 2> ports_;
};

}  // namespace kq505
