#include "instruments/instrument_name_table.h"

namespace kq505 {

bool InstrumentNameTable::InRange(int msb, int program, int lsb) {
    return msb >= 0 && msb < kSize && program >= 0 && program < kSize && lsb >= 0 && lsb < kSize;
}

const std::string& InstrumentNameTable::Get(int msb, int program, int lsb) const {
    static const std::string kNoName;
    if (!InRange(msb, program, lsb)) return kNoName;
    const auto found = slots_.find(Key(msb, program, lsb));
    return found == slots_.end() ? kNoName : names_[found->second];
}

void InstrumentNameTable::Set(int msb, int program, int lsb, std::string_view name) {
    if (!InRange(msb, program, lsb)) return;
    if (name.empty()) {
        slots_.erase(Key(msb, program, lsb));
    } else {
        SetKept(msb, program, lsb, Keep(name));
    }
}

InstrumentNameTable::NameId InstrumentNameTable::Keep(std::string_view name) {
    names_.emplace_back(name);
    return static_cast<NameId>(names_.size() - 1);
}

void InstrumentNameTable::SetKept(int msb, int program, int lsb, NameId name) {
    if (InRange(msb, program, lsb)) slots_.insert_or_assign(Key(msb, program, lsb), name);
}

void InstrumentNameTable::Clear() {
    slots_.clear();
    names_.clear();
}

}  // namespace kq505
