#include "app/signal_pipe.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

namespace kq505 {
namespace {

// Puts a handler of the test's own in place, so that a signal the pipe failed to catch
// does not end the test process, and tells whether it ran.
struct Fallback {
    explicit Fallback(int signal) : signal(signal) {
        struct sigaction action {};
        action.sa_handler = [](int) { ran = true; };
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, &saved);
        ran = false;
    }
    ~Fallback() { sigaction(signal, &saved, nullptr); }
    int signal;
    struct sigaction saved {};
    static inline volatile std::sig_atomic_t ran = false;
};

TEST(SignalPipe, EachCaughtSignalIsReadOnceInTheOrderRaised) {
    const Fallback term(SIGTERM), hup(SIGHUP), intr(SIGINT);
    SignalPipe pipe{SIGTERM, SIGHUP, SIGINT};
    ASSERT_TRUE(pipe.IsValid());
    EXPECT_EQ(pipe.TakeSignal(), std::nullopt);
    for (const int signal : {SIGHUP, SIGINT, SIGTERM})
        raise(signal);
    EXPECT_EQ(pipe.TakeSignal(), SIGHUP);
    EXPECT_EQ(pipe.TakeSignal(), SIGINT);
    EXPECT_EQ(pipe.TakeSignal(), SIGTERM);
    EXPECT_EQ(pipe.TakeSignal(), std::nullopt);
    EXPECT_FALSE(Fallback::ran);
}

// With the pipe full the handler's write fails and sets errno, which the interrupted code
// must not see.
TEST(SignalPipe, AFullPipeLosesTheSignalButNotTheInterruptedErrno) {
    const Fallback term(SIGTERM);
    SignalPipe pipe{SIGTERM};
    const int size = fcntl(pipe.ReadFd(), F_GETPIPE_SZ);
    ASSERT_GT(size, 0);
    for (int i = 0; i < size; ++i)
        raise(SIGTERM);
    errno = EDOM;
    raise(SIGTERM);
    EXPECT_EQ(errno, EDOM);
    int taken = 0;
    while (pipe.TakeSignal() == SIGTERM)
        ++taken;
    EXPECT_EQ(taken, size);
    EXPECT_FALSE(Fallback::ran);
}

TEST(SignalPipe, OnlyOneCatchesAndTheOldActionsComeBackAfterwards) {
    const Fallback term(SIGTERM);
    {
        SignalPipe first{SIGTERM};
        SignalPipe second{SIGTERM};
        EXPECT_FALSE(second.IsValid());
        raise(SIGTERM);
        EXPECT_EQ(first.TakeSignal(), SIGTERM);
    }
    raise(SIGTERM);
    EXPECT_TRUE(Fallback::ran);
    SignalPipe again{SIGTERM};  // the slot is free once the first has gone
    EXPECT_TRUE(again.IsValid());
}

}  // namespace
}  // namespace kq505
