#pragma once
// What the help, author and multimedia commands hand to the desktop: addresses, the help
// page and the sound-routing tool to start. No toolkit; the window layer does the opening.

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq505 {

inline constexpr std::string_view kHomepageUrl = "https://kq505.example.org/";
inline constexpr std::string_view kAuthorMailUrl = "mailto:kq505@example.org";

// Where the help page is looked for, relative to each candidate folder.
inline constexpr std::string_view kHelpPageName = "help/index.htm";
// Opened when no help page is installed anywhere, as the program has always done.
inline constexpr std::string_view kFallbackHelpPage = "/help/index.htm";

// The first folder, in order, that holds help/index.htm gives the page; else the fallback.
std::string ChooseHelpPage(std::span<const std::filesystem::path> folders);

// Programs that show and route the machine's sound and MIDI connections, the most useful
// first.
std::span<const std::string_view> MultimediaTools();

// Finds a program by name, as the platform's lookup on PATH does; empty when absent.
using ExecutableLookup = std::function<std::string(std::string_view name)>;

// Full paths of the tools of MultimediaTools() that the lookup finds, in the same order.
std::vector<std::string> FindMultimediaTools(const ExecutableLookup& lookup);

}  // namespace kq505
