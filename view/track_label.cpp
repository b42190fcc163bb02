#include "view/track_label.h"

#include "app/kq505_app.h"
#include "app/setup_state.h"
#include "files/name_field.h"

namespace kq505 {

std::string PartLabel(int part) {
    const int number = part + 1;
    return (number < 10 ? "#0" : "#") + std::to_string(number) + " :";
}

std::string TrackEntryText(int part, std::string_view name) {
    std::string text = PartLabel(part);
    text += ' ';
    text += name;
    return text;
}

bool SelectPart(CKQ505App& app, int part) {
    if (part < 0 || part >= kPartCount) return false;
    app.selected_part = part;
    app.play_through->SetPart(part);
    return true;
}

std::string_view SetTrackName(CKQ505App& app, int part, std::string_view name) {
    if (part < 0 || part >= kPartCount) return {};
    std::string& stored = app.track_names[static_cast<std::size_t>(part)];
    stored = NameFieldText(name);
    MarkSetupModified(app);
    return stored;
}

}  // namespace kq505
