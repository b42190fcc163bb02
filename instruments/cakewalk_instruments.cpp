#include "instruments/cakewalk_instruments.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace kq505 {
namespace {

constexpr int kPrograms = 128;
constexpr int kBanks = 128 * 128;
constexpr int kAnyBank = -1;  // "Patch[*]"
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

enum class Section { kOther, kPatchNames, kDefinitions };

struct PatchList {
    std::string_view name;
    std::string_view based_on;
    std::vector<std::pair<int, std::string_view>> names;  // program, name, in file order
};

struct Definition {
    std::string_view name;
    std::string_view based_on;
    std::vector<std::pair<int, std::string_view>> banks;  // bank or kAnyBank, patch list
};

struct Definitions {
    std::vector<PatchList> lists;
    std::vector<Definition> instruments;
};

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameLetters(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return Lower(x) == Lower(y); });
}

// A plain decimal number below `limit`, or nothing.
std::optional<int> ReadNumber(std::string_view s, int limit) {
    if (s.empty() || s.size() > 5) return std::nullopt;
    int value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value >= limit) return std::nullopt;
    return value;
}

// Calls `handle` with every line that is not blank, trimmed. CR LF, bare LF and bare CR all
// end a line.
template <typename Handle>
void ForEachLine(std::string_view text, Handle handle) {
    if (text.starts_with(kUtf8Mark)) text.remove_prefix(kUtf8Mark.size());
    while (!text.empty()) {
        // A plain scan: find_first_of would search its set once for every byte.
        const auto end = static_cast<std::size_t>(
            std::ranges::find_if(text, [](char c) { return c == '\r' || c == '\n'; }) -
            text.begin());
        const std::string_view line = Trim(text.substr(0, end));
        if (!line.empty() && !handle(line)) return;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

Section SectionOf(std::string_view header) {
    if (SameLetters(header, ".Patch Names")) return Section::kPatchNames;
    if (SameLetters(header, ".Instrument Definitions")) return Section::kDefinitions;
    return Section::kOther;
}

bool IsKnownSection(std::string_view header) {
    constexpr std::array<std::string_view, 4> kOthers{".Note Names", ".Controller Names",
                                                      ".RPN Names", ".NRPN Names"};
    return SectionOf(header) != Section::kOther ||
           std::ranges::any_of(kOthers, [&](std::string_view s) { return SameLetters(header, s); });
}

// The bank of "Patch[n]" or "Patch[*]"; nothing for any other key.
std::optional<int> ReadBankKey(std::string_view key) {
    constexpr std::string_view kPrefix = "Patch[";
    if (key.size() <= kPrefix.size() || !SameLetters(key.substr(0, kPrefix.size()), kPrefix) ||
        key.back() != ']') {
        return std::nullopt;
    }
    const std::string_view bank = Trim(key.substr(kPrefix.size(), key.size() - kPrefix.size() - 1));
    if (bank == "*") return kAnyBank;
    return ReadNumber(bank, kBanks);
}

class Reader {
  public:
    bool Line(std::string_view line) {
        if (line.front() == ';') return true;
        if (line.front() == '.') {
            section_ = SectionOf(line);
            Close();
        } else if (line.front() == '[') {
            Header(line);
        } else {
            Entry(line);
        }
        return true;
    }
    Definitions Take() { return std::move(found_); }

  private:
    void Close() {
        list_ = nullptr;
        instrument_ = nullptr;
    }

    // A header that lacks its "]" opens nothing, so its entries cannot land in the list above.
    void Header(std::string_view line) {
        Close();
        if (line.back() != ']') return;
        const std::string_view name = Trim(line.substr(1, line.size() - 2));
        if (section_ == Section::kPatchNames) {
            list_ = &found_.lists.emplace_back();
            list_->name = name;
        } else if (section_ == Section::kDefinitions) {
            instrument_ = &found_.instruments.emplace_back();
            instrument_->name = name;
        }
    }

    void Entry(std::string_view line) {
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) return;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        const bool based_on = SameLetters(key, "BasedOn");
        if (list_ != nullptr) {
            if (based_on) {
                list_->based_on = value;
            } else if (const auto program = ReadNumber(key, kPrograms)) {
                list_->names.emplace_back(*program, value);
            }
        } else if (instrument_ != nullptr) {
            if (based_on) {
                instrument_->based_on = value;
            } else if (const auto bank = ReadBankKey(key)) {
                instrument_->banks.emplace_back(*bank, value);
            }
        }
    }

    Section section_ = Section::kOther;
    PatchList* list_ = nullptr;
    Definition* instrument_ = nullptr;
    Definitions found_;
};

// The items of a BasedOn chain, the named item first; stops at a name that is missing or
// already met.
template <typename Item>
std::vector<const Item*> Chain(const Item& item,
                               const std::unordered_map<std::string_view, const Item*>& by_name) {
    std::vector<const Item*> chain{&item};
    std::unordered_set<const Item*> met{&item};
    for (const Item* at = &item; !at->based_on.empty();) {
        const auto base = by_name.find(at->based_on);
        if (base == by_name.end() || !met.insert(base->second).second) break;
        at = base->second;
        chain.push_back(at);
    }
    return chain;
}

// Later items of the same name win, as later lines do.
template <typename Item>
std::unordered_map<std::string_view, const Item*> ByName(const std::vector<Item>& items) {
    std::unordered_map<std::string_view, const Item*> by_name;
    for (const Item& item : items)
        by_name.insert_or_assign(item.name, &item);
    return by_name;
}

// Bank -> patch list of an instrument with its bases, bases first so the instrument wins.
std::map<int, std::string_view> ResolveBanks(const Definition& instrument,
                                             const std::vector<Definition>& all) {
    const auto chain = Chain(instrument, ByName(all));
    std::map<int, std::string_view> banks;
    for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
        for (const auto& [bank, list] : (*at)->banks)
            banks.insert_or_assign(bank, list);
    }
    const auto any = banks.find(kAnyBank);
    if (any != banks.end()) {
        banks.try_emplace(0, any->second);
        banks.erase(any);
    }
    return banks;
}

constexpr InstrumentNameTable::NameId kNoName = ~InstrumentNameTable::NameId{0};
using ProgramIds = std::array<InstrumentNameTable::NameId, kPrograms>;

class ListResolver {
  public:
    ListResolver(const std::vector<PatchList>& lists, InstrumentNameTable& table)
        : lists_(lists),
          by_name_(ByName(lists)),
          bases_(lists.size(), kUnknown),
          met_(lists.size(), 0),
          table_(table) {}

    // The kept program names of a list with its bases, kNoName where a program has none;
    // null when no list has that name or when Exhausted.
    const ProgramIds* Names(std::string_view name) {
        const auto list = by_name_.find(name);
        if (list == by_name_.end()) return nullptr;
        const std::size_t index = IndexOf(*list->second);
        if (const auto done = resolved_.find(index); done != resolved_.end()) return &done->second;
        const std::optional<ProgramIds> names = Resolve(index);
        if (!names) return nullptr;
        return &resolved_.try_emplace(index, *names).first->second;
    }

    // Whether the lines read while resolving passed kMaxCakewalkListReads.
    bool Exhausted() const { return reads_ > kMaxCakewalkListReads; }

  private:
    static constexpr std::size_t kUnknown = ~std::size_t{0};
    static constexpr std::size_t kNoBase = kUnknown - 1;

    std::size_t IndexOf(const PatchList& list) const {
        return static_cast<std::size_t>(&list - lists_.data());
    }

    // Looked up once per list, so a chain that many banks walk costs no hashing.
    std::size_t Base(std::size_t index) {
        std::size_t& base = bases_[index];
        if (base == kUnknown) {
            const std::string_view name = lists_[index].based_on;
            const auto found = name.empty() ? by_name_.end() : by_name_.find(name);
            base = found == by_name_.end() ? kNoBase : IndexOf(*found->second);
        }
        return base;
    }

    // Walks from the list to its bases, the nearer list and the later line winning, until
    // every program is decided. Only lists that banks name are kept resolved: keeping every
    // list of a long chain would hold 128 names for each of them.
    std::optional<ProgramIds> Resolve(std::size_t index) {
        ProgramIds names;
        names.fill(kNoName);
        std::array<bool, kPrograms> decided{};
        int undecided = kPrograms;
        ++walk_;
        for (std::size_t at = index; at != kNoBase && met_[at] != walk_ && undecided > 0;
             at = Base(at)) {
            met_[at] = walk_;
            const auto& lines = lists_[at].names;
            reads_ += 1 + lines.size();
            if (Exhausted()) return std::nullopt;
            for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
                const auto program = static_cast<std::size_t>(line->first);
                if (decided[program]) continue;
                decided[program] = true;
                --undecided;
                if (!line->second.empty()) names[program] = Kept(line->second);
            }
        }
        return names;
    }

    // A line's name is kept once, however many banks and lists show it; the line is known by
    // where its name lies in the text.
    InstrumentNameTable::NameId Kept(std::string_view name) {
        const auto [kept, added] = kept_.try_emplace(name.data(), kNoName);
        if (added) kept->second = table_.Keep(name);
        return kept->second;
    }

    const std::vector<PatchList>& lists_;
    std::unordered_map<std::string_view, const PatchList*> by_name_;
    std::vector<std::size_t> bases_;
    std::vector<std::size_t> met_;  // the walk that last met each list
    std::size_t walk_ = 0;
    std::unordered_map<std::size_t, ProgramIds> resolved_;
    std::unordered_map<const char*, InstrumentNameTable::NameId> kept_;
    InstrumentNameTable& table_;
    std::size_t reads_ = 0;
};

// False when the instrument names more than kMaxCakewalkVoices voices or its lists take more
// than kMaxCakewalkListReads lines to resolve.
bool ApplyInstrument(const Definition& instrument, const Definitions& found,
                     std::array<std::string, 128>& map_names,
                     InstrumentNameTable& instrument_names) {
    ListResolver lists(found.lists, instrument_names);
    std::array<bool, 128> map_named{};
    std::size_t voices = 0;
    for (const auto& [bank, list_name] : ResolveBanks(instrument, found.instruments)) {
        const int msb = bank / 128;
        const int lsb = bank % 128;
        // Banks come in ascending order, so an MSB's first bank is LSB 0 when it has one.
        if (!map_named[static_cast<std::size_t>(msb)]) {
            map_named[static_cast<std::size_t>(msb)] = true;
            map_names[static_cast<std::size_t>(msb)] = std::string(list_name) + ' ';
        }
        const ProgramIds* names = lists.Names(list_name);
        if (lists.Exhausted()) return false;
        if (names == nullptr) continue;
        for (int program = 0; program < kPrograms; ++program) {
            const auto name = (*names)[static_cast<std::size_t>(program)];
            if (name == kNoName) continue;
            if (++voices > kMaxCakewalkVoices) return false;
            instrument_names.SetKept(msb, program, lsb, name);
        }
    }
    return true;
}

}  // namespace

bool IsCakewalkInstrumentFile(std::string_view text) {
    bool found = false;
    ForEachLine(text, [&](std::string_view line) {
        if (line.front() == ';') return true;
        found = line.front() == '.' && IsKnownSection(line);
        return false;
    });
    return found;
}

bool ParseCakewalkInstruments(std::string_view text, int module_level,
                              std::array<std::string, 8>& module_names,
                              std::array<std::string, 128>& map_names,
                              InstrumentNameTable& instrument_names) {
    Reader reader;
    ForEachLine(text, [&](std::string_view line) { return reader.Line(line); });
    const Definitions found = reader.Take();

    const std::size_t levels = std::min(found.instruments.size(), module_names.size());
    for (std::size_t level = 0; level < levels; ++level)
        module_names[level] = found.instruments[level].name;
    if (levels == 0 || module_level < 0) return true;
    const std::size_t chosen = std::min(static_cast<std::size_t>(module_level), levels - 1);
    return ApplyInstrument(found.instruments[chosen], found, map_names, instrument_names);
}

}  // namespace kq505
