#pragma once
// Voice names by bank MSB, program and bank LSB (128 x 128 x 128 slots). Few slots carry a
// name, so only those are stored, and a name that many slots show (a patch list used by many
// banks) is kept once: the slots refer to it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kq505 {

class InstrumentNameTable {
  public:
    static constexpr int kSize = 128;
    using NameId = std::uint32_t;

    // The stored name, or an empty string where nothing is named or an index is outside
    // 0..127.
    const std::string& Get(int msb, int program, int lsb) const;
    // Stores a name; an empty name clears the slot. Indexes outside 0..127 are ignored.
    void Set(int msb, int program, int lsb, std::string_view name);
    // Keeps a name for any number of slots to show through SetKept. Kept names stay until
    // Clear, also when no slot shows them any more.
    NameId Keep(std::string_view name);
    // Shows a kept name in a slot. Indexes outside 0..127 are ignored.
    void SetKept(int msb, int program, int lsb, NameId name);
    void Clear();
    std::size_t NamedCount() const { return slots_.size(); }
    std::size_t KeptCount() const { return names_.size(); }

  private:
    static bool InRange(int msb, int program, int lsb);
    static std::uint32_t Key(int msb, int program, int lsb) {
        return static_cast<std::uint32_t>((msb * kSize + program) * kSize + lsb);
    }
    std::unordered_map<std::uint32_t, NameId> slots_;
    // A deque, as Get hands out references that must outlive later Keeps.
    std::deque<std::string> names_;
};

}  // namespace kq505
