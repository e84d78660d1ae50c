#include "signal_watch.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "x_connection.h"

namespace velmora::x11 {
namespace {

sigset_t endingSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

SignalWatch::SignalWatch() {
    const sigset_t set = endingSignals();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) throw StartupError(std::string("cannot watch for signals: ") + std::strerror(errno));
}

// The signals stay blocked: one that comes while the process ends must not
// cut short giving the windows back.
SignalWatch::~SignalWatch() { close(fd_); }

int SignalWatch::take() {
    signalfd_siginfo info;
    const ssize_t got = read(fd_, &info, sizeof info);
    return got == static_cast<ssize_t>(sizeof info) ? static_cast<int>(info.ssi_signo) : 0;
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
    }
}

}  // namespace velmora::x11
