#pragma once
// Voice names by bank MSB, program and bank LSB (128 x 128 x 128 slots). Few slots carry a
// name, so only those are stored.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace kq505 {

class InstrumentNameTable {
public:
    static constexpr int kSize = 128;

    // The stored name, or an empty string where nothing is named or an index is outside
    // 0..127.
    const std::string& Get(int msb, int program, int lsb) const;
    // Stores a name; an empty name clears the slot. Indexes outside 0..127 are ignored.
    void Set(int msb, int program, int lsb, std::string name);
    void Clear() { names_.clear(); }
    std::size_t NamedCount() const { return names_.size(); }

private:
    static bool InRange(int msb, int program, int lsb);
    static std::uint32_t Key(int msb, int program, int lsb) {
        return static_cast<std::uint32_t>((msb * kSize + program) * kSize + lsb);
    }
    std::unordered_map<std::uint32_t, std::string> names_;
};

}  // namespace kq505
