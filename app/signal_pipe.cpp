#include "app/signal_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace kq505 {
namespace {

// The one thing a handler can find without arguments: where to write. -1 while no pipe lives.
std::atomic<int> g_write_fd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read inside a signal handler");

extern "C" void WriteSignalNumber(int signal) {
    const int saved_errno = errno;  // the interrupted code may be about to read it
    const int fd = g_write_fd.load();
    if (fd >= 0) {
        const auto byte = static_cast<std::uint8_t>(signal);
        // A full pipe already holds a signal to act on; losing this one loses nothing.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved_errno;
}

}  // namespace

SignalPipe::SignalPipe(std::initializer_list<int> caught) {
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
    int expected = -1;
    if (!g_write_fd.compare_exchange_strong(expected, fds[1])) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    read_fd_ = fds[0];
    write_fd_ = fds[1];
    for (const int signal : caught) {
        struct sigaction action {};
        action.sa_handler = &WriteSignalNumber;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;  // a read of the event loop goes on undisturbed
        Saved saved{signal, {}};
        if (sigaction(signal, &action, &saved.action) == 0) saved_.push_back(saved);
    }
}

SignalPipe::~SignalPipe() {
    for (const Saved& saved : saved_)
        sigaction(saved.signal, &saved.action, nullptr);
    if (write_fd_ < 0) return;
    g_write_fd.store(-1);
    close(write_fd_);
    close(read_fd_);
}

std::optional<int> SignalPipe::TakeSignal() {
    if (read_fd_ < 0) return std::nullopt;
    std::uint8_t byte = 0;
    if (read(read_fd_, &byte, 1) != 1) return std::nullopt;
    return static_cast<int>(byte);
}

}  // namespace kq505
