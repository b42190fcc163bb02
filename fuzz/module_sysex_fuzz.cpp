// Bytes as they arrive on MODULE IN, cut into messages at every F0: each goes to a read of
// the whole module and to the following of the module's own changes. Checks that what is
// accepted is a whole XG message that writes back byte for byte, that the read never runs
// past its requests, that following never sends and keeps every value in its range.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "app/kq505_app.h"
#include "model/module_take.h"
#include "model/recording_midi_output.h"

namespace {

using namespace kq505;

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckAccepted(std::span<const std::uint8_t> message) {
    const std::optional<XgMessage> xg = ReadXgMessage(message);
    if (!xg || xg->kind != XgMessageKind::bulk_dump) return;
    std::vector<std::uint8_t> again = XgBulkDump(xg->address, xg->data, xg->device);
    Check(std::equal(again.begin(), again.end(), message.begin(), message.end()));
}

void CheckRanges(const CKQ505App& app) {
    for (int row = 0; row < kRowCount; ++row) {
        for (const std::int32_t value : app.part_table[row])
            Check(value >= -128 && value <= 127);
    }
    for (const EffectItem& item : AllEffectItems()) {
        const std::int32_t value = EffectValue(app.effect_blocks, item);
        Check(ClampEffectValue(item, value) == value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MidiLog log;
    CKQ505App app(std::make_unique<RecordingMidiOutput>(log, Port::A),
                  std::make_unique<RecordingMidiOutput>(log, Port::B));
    app.midi_out_a->Open(0);
    app.midi_out_b->Open(1);
    ModuleReader reader(true, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    const std::span<const std::uint8_t> bytes(data, size);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = start + 1;
        while (end < bytes.size() && bytes[end] != 0xF0)
            ++end;
        const std::span<const std::uint8_t> message = bytes.subspan(start, end - start);
        CheckAccepted(message);
        const std::size_t before = reader.Position();
        // A byte of the message stands for the time running out before it came.
        if (message.size() > 1 && message[1] == 0x7F) reader.OnTimeout();
        reader.OnMessage(message);
        Check(reader.Position() <= reader.Total() && reader.Position() >= before);
        FollowModuleMessage(app, message);
        start = end;
    }
    Check(reader.Missing().size() <= reader.Position());
    TakeModuleRead(app, reader);
    CheckRanges(app);
    Check(log.events.empty());
    return 0;
}
