#pragma once
// Reading the files the user names: only regular files, and never more than a reader can
// hold. Opening a FIFO would wait for a writer and a device such as /dev/zero never ends, so
// both are refused before a byte is read.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace kq505 {

// What a reader does with a file longer than its limit.
enum class Oversize {
    refuse,       // the file cannot be read
    keep_prefix,  // its first bytes are read, the rest is ignored
};

// The bytes of the regular file at `path`, at most `max_bytes` of them. None when the path
// names no regular file, the file cannot be opened or read, or it is longer than `max_bytes`
// and `oversize` refuses it.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t max_bytes,
                                           Oversize oversize);

}  // namespace kq505
