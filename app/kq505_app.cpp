#include "app/kq505_app.h"

#include <utility>

namespace kq505 {

CKQ505App::CKQ505App()
    : CKQ505App(std::make_unique<NullMidiOutput>(), std::make_unique<NullMidiOutput>()) {}

CKQ505App::CKQ505App(std::unique_ptr<MidiOutput> out_a, std::unique_ptr<MidiOutput> out_b)
    : midi_out_a(std::move(out_a)), midi_out_b(std::move(out_b)) {
    ResetPartParameters(part_table);
    ResetDrumSetups(drums);
    ResetEffectBlocks(effect_blocks);
}

CKQ505App::~CKQ505App() {
    if (midi_in) midi_in->Close();
    if (module_in) module_in->Close();
}

}  // namespace kq505
