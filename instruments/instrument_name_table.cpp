#include "instruments/instrument_name_table.h"

namespace kq505 {

bool InstrumentNameTable::InRange(int msb, int program, int lsb) {
    return msb >= 0 && msb < kSize && program >= 0 && program < kSize && lsb >= 0 && lsb < kSize;
}

const std::string& InstrumentNameTable::Get(int msb, int program, int lsb) const {
    static const std::string kNoName;
    if (!InRange(msb, program, lsb)) return kNoName;
    const auto found = names_.find(Key(msb, program, lsb));
    return found == names_.end() ? kNoName : found->second;
}

void InstrumentNameTable::Set(int msb, int program, int lsb, std::string name) {
    if (!InRange(msb, program, lsb)) return;
    if (name.empty()) {
        names_.erase(Key(msb, program, lsb));
    } else {
        names_.insert_or_assign(Key(msb, program, lsb), std::move(name));
    }
}

}  // namespace kq505
