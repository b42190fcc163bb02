#include "effects/effect_edit.h"

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "model/midi_send.h"

namespace kq505 {
namespace {

void SendItem(CKQ505App& app, EffectItem item) {
    SendSysEx(app, XgEffectMessage(item, EffectValue(app.effect_blocks, item)));
}

void SendBlock(CKQ505App& app, EffectBlock block) {
    SendItem(app, {EffectItem::type, block});
    for (int number = 1; number <= kEffectParamCount; ++number)
        SendItem(app, {EffectItem::param, block, number});
    SendItem(app, {EffectItem::return_level, block});
    SendItem(app, {EffectItem::pan, block});
}

}  // namespace

void SetEffectValue(CKQ505App& app, EffectItem item, std::int32_t value) {
    value = ClampEffectValue(item, value);
    if (item.kind == EffectItem::type) {
        SetEffectType(app.effect_blocks, item.block, value);
    } else {
        EffectValue(app.effect_blocks, item) = value;
    }
    MarkSetupModified(app);
    SendItem(app, item);
}

void SendEffectBlocks(CKQ505App& app) {
    for (const EffectItem& item : AllEffectItems())
        SendItem(app, item);
}

void RestoreEffectBlocks(CKQ505App& app, const EffectBlocks& old) {
    const EffectBlocks replaced = app.effect_blocks;
    if (replaced == old) return;
    app.effect_blocks = old;
    MarkSetupModified(app);
    for (const EffectBlock block : kEffectBlocks) {
        if (replaced[block].type != old[block].type) SendBlock(app, block);
    }
    for (const EffectItem& item : AllEffectItems()) {
        // The kinds up to pan (type, parameters, return, pan) belong to a block.
        const bool sent_whole =
            item.kind <= EffectItem::pan && replaced[item.block].type != old[item.block].type;
        if (!sent_whole && EffectValue(replaced, item) != EffectValue(old, item))
            SendItem(app, item);
    }
}

}  // namespace kq505
