#include "files/regular_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#else
#include <fstream>
#include <system_error>
#endif

namespace kq505 {
namespace {

#if defined(__unix__) || defined(__APPLE__)

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Reads until the end of the file or until `bytes` holds `limit` bytes.
bool ReadUpTo(int fd, std::size_t limit, std::string& bytes) {
    std::array<char, 64 * 1024> chunk;
    while (bytes.size() < limit) {
        const std::size_t wanted = std::min(chunk.size(), limit - bytes.size());
        const ssize_t count = ::read(fd, chunk.data(), wanted);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;  // a directory fails here on some systems
        if (count == 0) break;
        bytes.append(chunk.data(), static_cast<std::size_t>(count));
    }
    return true;
}

std::optional<std::string> Read(const std::filesystem::path& path, std::size_t max_bytes,
                                Oversize oversize) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer; the type is checked on the
    // open descriptor, so the file cannot be swapped between the check and the read.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0) return std::nullopt;
    if (!S_ISREG(status.st_mode)) return std::nullopt;
    const auto size = static_cast<std::uintmax_t>(std::max<off_t>(status.st_size, 0));
    if (oversize == Oversize::refuse && size > max_bytes) return std::nullopt;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, max_bytes)));
    // One byte past the limit tells a file that grew since fstat from one that fits.
    const std::size_t limit = oversize == Oversize::refuse ? max_bytes + 1 : max_bytes;
    if (!ReadUpTo(file.get(), limit, bytes)) return std::nullopt;
    if (bytes.size() > max_bytes) return std::nullopt;
    return bytes;
}

#else

std::optional<std::string> Read(const std::filesystem::path& path, std::size_t max_bytes,
                                Oversize oversize) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::size_t limit = oversize == Oversize::refuse ? max_bytes + 1 : max_bytes;
    std::string bytes;
    std::array<char, 64 * 1024> chunk;
    while (bytes.size() < limit) {
        const auto wanted =
            static_cast<std::streamsize>(std::min(chunk.size(), limit - bytes.size()));
        in.read(chunk.data(), wanted);
        if (in.gcount() == 0) break;
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad() || bytes.size() > max_bytes) return std::nullopt;
    return bytes;
}

#endif

}  // namespace

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t max_bytes,
                                           Oversize oversize) {
    try {
        return Read(path, max_bytes, oversize);
    } catch (const std::bad_alloc&) {
        return std::nullopt;  // too large to hold: as unreadable as a missing file
    }
}

}  // namespace kq505
