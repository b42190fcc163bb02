#pragma once
// Taking what a read of the module (or a .syx file) brought in into the table and the effect
// blocks, as one step of the edit history, and saying what came and what did not.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "app/edit_history.h"
#include "model/module_read.h"

namespace kq505 {

class CKQ505App;

struct ModuleReadSummary {
    int layers_read = 0;
    int layers_total = 0;
    int effects_read = 0;
    int effects_total = 0;
    std::size_t timeouts = 0;
    std::vector<ModuleRequest> missing;
    std::vector<ModuleRequest> unread;  // left when the read was cancelled
    std::vector<ModuleDifference> differences;
};

// One step of `kind`: every row of `parts` whose bytes the image holds, the effect items
// when `effects`, and every part mode and drum setup value the image holds (a value equal to
// the kit's default follows the kit). Sends nothing, and marks the set-up modified when
// anything changed.
std::vector<ModuleDifference> TakeModuleImage(CKQ505App& app, const XgModuleImage& image,
                                              std::span<const int> parts, bool effects,
                                              StepKind kind);
// The same for a finished (or cancelled) read, with its summary.
ModuleReadSummary TakeModuleRead(CKQ505App& app, const ModuleReader& reader);

// A parameter change or dump the module sent of its own accord (its front panel): taken as
// one step, as the module holds it; an effect type brings that type's defaults, as the module
// does. False when the message carries nothing the table, the effect blocks or the drum side
// keep.
bool FollowModuleMessage(CKQ505App& app, std::span<const std::uint8_t> message);

// "32/32 ﾊﾟｰﾄ, 6/6 ｴﾌｪｸﾄ, 0 ﾀｲﾑｱｳﾄ"
std::string ModuleReadSummaryText(const ModuleReadSummary& summary);
// A line for every block that did not come, one for what a cancel left unread, and one for
// every value the table could not take as the module holds it; empty when there is none.
std::string ModuleReadDetails(const ModuleReadSummary& summary);

}  // namespace kq505
