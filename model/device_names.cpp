#include "model/device_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace kq505 {
namespace {

constexpr std::string_view kClientName = "KQ505";

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The name without the words that tell the direction of a side.
std::string WithoutDirection(std::string_view name) {
    constexpr std::array<std::string_view, 6> kDirectionWords{"capture", "playback", "input",
                                                              "output",  "in",       "out"};
    std::string text = Lower(name);
    for (std::string_view word : kDirectionWords) {
        for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at)) {
            const bool starts = at == 0 || !std::isalpha(static_cast<unsigned char>(text[at - 1]));
            const std::size_t end = at + word.size();
            const bool ends =
                end == text.size() || !std::isalpha(static_cast<unsigned char>(text[end]));
            if (starts && ends) {
                text.erase(at, word.size());
            } else {
                at = end;
            }
        }
    }
    return text;
}

}  // namespace

bool IsOwnPortName(std::string_view name) {
    if (!name.starts_with(kClientName)) return false;
    std::string_view rest = name.substr(kClientName.size());
    if (rest.starts_with('-')) {
        rest.remove_prefix(1);
        const auto digits = rest.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string_view::npos) return false;
        rest.remove_prefix(digits);
    }
    return rest.starts_with(':');
}

bool IsSameMidiDevice(std::string_view input, std::string_view output) {
    if (input.empty() || output.empty()) return false;
    return input == output || WithoutDirection(input) == WithoutDirection(output);
}

}  // namespace kq505
