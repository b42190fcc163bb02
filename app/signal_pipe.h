#pragma once
// Termination signals as readable bytes: a handler may call almost nothing, so it only writes
// the signal's number into a pipe whose read end the event loop watches; the program's work
// (ending notes, keeping unsaved changes, quitting) then runs on its own thread.

#include <initializer_list>
#include <optional>
#include <vector>

#include <signal.h>

namespace kq505 {

class SignalPipe {
  public:
    // Catches `caught` while this lives; the actions they had come back afterwards. Only one
    // may live at a time: a second catches nothing (IsValid() false).
    explicit SignalPipe(std::initializer_list<int> caught);
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    bool IsValid() const { return read_fd_ >= 0; }
    // Non-blocking; readable while a caught signal waits to be taken.
    int ReadFd() const { return read_fd_; }
    // The next caught signal, or none when none waits.
    std::optional<int> TakeSignal();

  private:
    struct Saved {
        int signal;
        struct sigaction action;
    };

    int read_fd_ = -1;
    int write_fd_ = -1;
    std::vector<Saved> saved_;
};

}  // namespace kq505
