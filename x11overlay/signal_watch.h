// SIGINT, SIGTERM and SIGHUP as something to wait for beside the X
// connection: the signals are blocked and read from a file descriptor, so
// that ending on one runs the same orderly path as ending on the key.
#pragma once

namespace velmora::x11 {

class SignalWatch {
public:
    // Blocks the signals in this thread (before any other thread exists);
    // throws StartupError when the descriptor cannot be made.
    SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;
    ~SignalWatch();

    int fd() const { return fd_; }
    // The signal that arrived, or 0 when none is waiting.
    int take();

private:
    int fd_;
};

const char* signalName(int signal);

}  // namespace velmora::x11
