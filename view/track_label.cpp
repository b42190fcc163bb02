#include "view/track_label.h"

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

}  // namespace kq505
