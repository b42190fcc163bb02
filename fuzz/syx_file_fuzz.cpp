// Reads any bytes as a .syx file into an image of known bytes: a refused file changes
// nothing; an accepted one is whole messages that make up the file exactly, each either
// taken or skipped.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "model/module_syx.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    kq505::XgModuleImage image;
    image.parts[7].hpf = 0x33;
    const kq505::XgModuleImage known = image;
    const kq505::SyxReadResult result = kq505::ReadSysExFile(bytes, image);
    std::vector<std::span<const std::uint8_t>> messages;
    Check(kq505::SplitSyxMessages(bytes, messages) == result.error);
    if (result.error != kq505::SyxFileError::none) {
        Check(messages.empty());
        for (std::size_t i = 0; i < image.parts.size(); ++i)
            Check(image.parts[i].multi_part == known.parts[i].multi_part &&
                  image.parts[i].hpf == known.parts[i].hpf);
        Check(image.effect == known.effect);
        return 0;
    }
    Check(result.taken + result.skipped == messages.size());
    std::vector<std::vector<std::uint8_t>> copies;
    for (const auto message : messages) {
        Check(message.front() == 0xF0 && message.back() == 0xF7);
        copies.emplace_back(message.begin(), message.end());
    }
    const std::vector<std::uint8_t> again = kq505::SyxFileBytes(copies);
    Check(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
    return 0;
}
