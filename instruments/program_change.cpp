#include "instruments/program_change.h"

#include <cstdio>

#include "app/setup_state.h"
#include "drums/drum_edit.h"
#include "model/midi_send.h"
#include "model/note_preview.h"

namespace kq505 {
namespace {

constexpr int kListSize = InstrumentNameTable::kSize;

// The rows and remembered positions that belong to one port's lists.
struct PortRows {
    Row msb;
    Row lsb;
    Row program;
    PartInts CKQ505App::*map_sel;
    PartInts CKQ505App::*pc_sel;
    PartInts CKQ505App::*bank_sel;
};

constexpr PortRows RowsOf(Port port) {
    if (port == Port::A) {
        return {bank_msb_a,
                bank_lsb_a,
                program_a,
                &CKQ505App::map_sel_a,
                &CKQ505App::pc_sel_a,
                &CKQ505App::bank_sel_a};
    }
    return {bank_msb_b,
            bank_lsb_b,
            program_b,
            &CKQ505App::map_sel_b,
            &CKQ505App::pc_sel_b,
            &CKQ505App::bank_sel_b};
}

// The XG map 48 keeps its voices from program 3 on under bank LSB 8.
constexpr int kMap48 = 48;
constexpr int kMap48FirstProgram = 2;
constexpr int kMap48Lsb = 8;

int ProgramNameLsb(int msb, int program) {
    return msb == kMap48 && program >= kMap48FirstProgram ? kMap48Lsb : 0;
}

bool Holds(const ProgramList& list, int position) {
    return position >= 0 && position < static_cast<int>(list.size());
}

// A list box selects nothing for a position it does not hold.
int Selectable(int position, const ProgramList& list) {
    return Holds(list, position) ? position : -1;
}

}  // namespace

std::string ProgramListText(int number, std::string_view name) {
    std::array<char, 8> digits{};
    std::snprintf(digits.data(), digits.size(), "%03d ", number);
    std::string text(digits.data());
    text.append(name);
    return text;
}

ProgramList MapEntries(const std::array<std::string, 128>& map_names) {
    ProgramList entries;
    for (int msb = 0; msb < kListSize; ++msb) {
        if (map_names[msb].empty()) continue;
        std::string text = ProgramListText(msb, map_names[msb]);
        text.erase(text.find_last_not_of(' ') + 1);
        entries.push_back({std::move(text), msb});
    }
    return entries;
}

ProgramList ProgramEntries(const InstrumentNameTable& names, int msb) {
    ProgramList entries;
    entries.reserve(kListSize);
    for (int program = 0; program < kListSize; ++program) {
        const std::string& name = names.Get(msb, program, ProgramNameLsb(msb, program));
        entries.push_back({ProgramListText(program + 1, name), program});
    }
    return entries;
}

ProgramList BankEntries(const InstrumentNameTable& names, int msb, int program) {
    ProgramList entries;
    for (int lsb = 0; lsb < kListSize; ++lsb) {
        const std::string& name = names.Get(msb, program, lsb);
        if (!name.empty()) entries.push_back({ProgramListText(lsb, name), lsb});
    }
    return entries;
}

ProgramChangeLists::ProgramChangeLists(CKQ505App& app) : app_(app) {
    const int p = app_.selected_part;
    for (const Port port : {Port::A, Port::B}) {
        const PortRows rows = RowsOf(port);
        const int msb = app_.part_table[rows.msb][p];
        PortLists& lists = Mutable(port);
        lists.maps = MapEntries(app_.map_names);
        lists.programs = ProgramEntries(app_.instrument_names, msb);
        lists.banks = BankEntries(app_.instrument_names, msb, app_.part_table[rows.program][p]);
        lists.map_sel = Selectable((app_.*rows.map_sel)[p], lists.maps);
        lists.pc_sel = Selectable((app_.*rows.pc_sel)[p], lists.programs);
        lists.bank_sel = Selectable((app_.*rows.bank_sel)[p], lists.banks);
    }
}

bool ProgramChangeLists::SelectMap(Port port, int position) {
    PortLists& lists = Mutable(port);
    if (!Holds(lists.maps, position)) return false;
    const PortRows rows = RowsOf(port);
    const int p = app_.selected_part;
    const int msb = lists.maps[position].value;
    app_.part_table[rows.msb][p] = msb;
    app_.part_table[rows.lsb][p] = 0;
    (app_.*rows.map_sel)[p] = position;
    (app_.*rows.bank_sel)[p] = 0;
    // The program stays: a new map plays the same program number.
    lists.map_sel = position;
    lists.programs = ProgramEntries(app_.instrument_names, msb);
    lists.banks = BankEntries(app_.instrument_names, msb, app_.part_table[rows.program][p]);
    lists.bank_sel = Selectable(0, lists.banks);
    lists.pc_sel = Selectable((app_.*rows.pc_sel)[p], lists.programs);
    MarkSetupModified(app_);
    return SendChoice(port);
}

bool ProgramChangeLists::SelectProgram(Port port, int position) {
    PortLists& lists = Mutable(port);
    if (!Holds(lists.programs, position)) return false;
    const PortRows rows = RowsOf(port);
    const int p = app_.selected_part;
    app_.part_table[rows.program][p] = position;
    app_.part_table[rows.lsb][p] = 0;
    (app_.*rows.pc_sel)[p] = position;
    (app_.*rows.bank_sel)[p] = 0;
    lists.pc_sel = position;
    lists.banks = BankEntries(app_.instrument_names, app_.part_table[rows.msb][p], position);
    lists.bank_sel = Selectable(0, lists.banks);
    MarkSetupModified(app_);
    return SendChoice(port);
}

bool ProgramChangeLists::SelectBank(Port port, int position) {
    PortLists& lists = Mutable(port);
    if (!Holds(lists.banks, position)) return false;
    const PortRows rows = RowsOf(port);
    const int p = app_.selected_part;
    app_.part_table[rows.lsb][p] = lists.banks[position].value;
    (app_.*rows.bank_sel)[p] = position;
    lists.bank_sel = position;
    MarkSetupModified(app_);
    return SendChoice(port);
}

void ProgramChangeLists::EndTestNote(Port port) {
    SendPreviewEnd(app_, port);
}

bool ProgramChangeLists::SendChoice(Port port) {
    const PortRows rows = RowsOf(port);
    SendRowMessage(app_, rows.msb);
    SendRowMessage(app_, rows.lsb);
    SendRowMessage(app_, rows.program);
    // Before the test note, so that it sounds as edited.
    ResendDrumSetupAfterProgramChange(app_,
                                      app_.selected_part + (port == Port::B ? kPartCount : 0));
    if (!test_note) return false;
    // Stepping through a list must not pile the notes up.
    SendPreviewEnd(app_, port);
    SendPreviewNote(app_, port);
    return true;
}

}  // namespace kq505
