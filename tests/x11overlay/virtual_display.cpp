#include "virtual_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace velmora::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

void redirectToDevNull(int fd) {
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, fd);
        close(null);
    }
}

// Waits for `pid` without blocking longer than `timeout`; the wait status,
// or nullopt.
std::optional<int> reap(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void stopAndReap(pid_t pid) {
    kill(pid, SIGTERM);
    if (!reap(pid, std::chrono::seconds(5))) {
        kill(pid, SIGKILL);
        reap(pid, std::chrono::seconds(5));
    }
}

std::optional<std::pair<int, int>> displayRange() {
    const char* range = std::getenv("VELMORA_TEST_DISPLAYS");
    int first = 0, last = 0;
    if (range == nullptr || std::sscanf(range, "%d-%d", &first, &last) != 2 || first > last) return std::nullopt;
    return std::make_pair(first, last);
}

}  // namespace

VirtualDisplay::VirtualDisplay(const Options& options) {
    if (const auto range = displayRange()) {
        for (int number = range->first; number <= range->second; ++number) {
            const std::string lock = std::string("/tmp/.X").append(std::to_string(number)).append("-lock");
            if (access(lock.c_str(), F_OK) == 0) continue;
            if (tryToStart(options, number)) return;
        }
        throw std::runtime_error("no free display in VELMORA_TEST_DISPLAYS");
    }
    if (!tryToStart(options, std::nullopt)) throw std::runtime_error("Xvfb did not start");
}

bool VirtualDisplay::tryToStart(const Options& options, std::optional<int> number) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return false;
    std::vector<std::string> arguments = {"Xvfb"};
    if (number) arguments.push_back(std::string(":").append(std::to_string(*number)));
    for (const std::string& argument :
         {std::string("-displayfd"), std::to_string(ready[1]), std::string("-screen"), std::string("0"),
          std::to_string(options.width) + "x" + std::to_string(options.height) + "x24",
          std::string("-nolisten"), std::string("tcp"), std::string("-noreset")}) {
        arguments.push_back(argument);
    }
    arguments.insert(arguments.end(), options.extraArguments.begin(), options.extraArguments.end());

    const pid_t pid = fork();
    if (pid == 0) {
        fcntl(ready[1], F_SETFD, 0);  // the one descriptor Xvfb inherits
        redirectToDevNull(STDIN_FILENO);
        redirectToDevNull(STDOUT_FILENO);
        redirectToDevNull(STDERR_FILENO);
        std::vector<char*> argv = pointersTo(arguments);
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(ready[1]);
    if (pid < 0) {
        close(ready[0]);
        return false;
    }
    // Xvfb writes its display number once it accepts connections.
    std::string written;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (written.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd wait{ready[0], POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0) continue;
        char buffer[32];
        const ssize_t got = read(ready[0], buffer, sizeof buffer);
        if (got <= 0) break;  // Xvfb ended (the display is taken)
        written.append(buffer, static_cast<std::size_t>(got));
    }
    close(ready[0]);
    if (written.find('\n') == std::string::npos) {
        stopAndReap(pid);
        return false;
    }
    pid_ = pid;
    name_ = std::string(":").append(written.substr(0, written.find('\n')));
    return true;
}

VirtualDisplay::~VirtualDisplay() {
    if (pid_ > 0) stopAndReap(pid_);
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::optional<std::string>& display) {
    int output[2], errors[2];
    if (pipe2(output, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make pipes");
    }
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::strncmp(*variable, "DISPLAY=", 8) != 0) environment.emplace_back(*variable);
    }
    if (display) environment.push_back("DISPLAY=" + *display);
    std::vector<std::string> argumentCopy = arguments;

    pid_ = fork();
    if (pid_ == 0) {
        dup2(output[1], STDOUT_FILENO);
        dup2(errors[1], STDERR_FILENO);
        redirectToDevNull(STDIN_FILENO);
        std::vector<char*> argv = pointersTo(argumentCopy);
        std::vector<char*> envp = pointersTo(environment);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(output[1]);
    close(errors[1]);
    outputFd_ = output[0];
    errorFd_ = errors[0];
    if (pid_ < 0) throw std::runtime_error(std::string("cannot start ").append(arguments.front()));
}

ChildProcess::~ChildProcess() {
    if (!exitStatus_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        reap(pid_, std::chrono::seconds(5));
    }
    close(outputFd_);
    close(errorFd_);
}

void ChildProcess::readAvailable(int waitMs) {
    pollfd fds[] = {{outputFd_, POLLIN, 0}, {errorFd_, POLLIN, 0}};
    if (poll(fds, 2, waitMs) <= 0) return;
    char buffer[4096];
    if (fds[0].revents & (POLLIN | POLLHUP)) {
        const ssize_t got = read(outputFd_, buffer, sizeof buffer);
        if (got > 0) output_.append(buffer, static_cast<std::size_t>(got));
    }
    if (fds[1].revents & (POLLIN | POLLHUP)) {
        const ssize_t got = read(errorFd_, buffer, sizeof buffer);
        if (got > 0) errors_.append(buffer, static_cast<std::size_t>(got));
    }
}

bool ChildProcess::waitForOutput(std::string_view text, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (output_.find(text) == std::string::npos) {
        if (Clock::now() >= deadline) return false;
        if (exitStatus_ || (waitForExit(std::chrono::milliseconds(0)))) {
            readAvailable(0);
            return output_.find(text) != std::string::npos;
        }
        readAvailable(20);
    }
    return true;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (!exitStatus_) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (Clock::now() >= deadline) return std::nullopt;
            readAvailable(5);
        }
    }
    return exitStatus_;
}

void ChildProcess::sendSignal(int signal) const {
    if (!exitStatus_) kill(pid_, signal);
}

void ChildProcess::readEverythingWritten() {
    if (!exitStatus_) {
        readAvailable(0);
        return;
    }
    // Once the program has ended, all it wrote is in the pipes.
    for (;;) {
        const std::size_t before = errors_.size() + output_.size();
        readAvailable(0);
        if (errors_.size() + output_.size() == before) return;
    }
}

const std::string& ChildProcess::output() {
    readEverythingWritten();
    return output_;
}

const std::string& ChildProcess::errors() {
    readEverythingWritten();
    return errors_;
}

double cpuSecondsOf(pid_t pid) {
    std::ifstream stat(std::string("/proc/").append(std::to_string(pid)).append("/stat"));
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name (which may hold spaces) start past ')'.
    const std::size_t end = text.rfind(')');
    if (end == std::string::npos) return -1;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) utime = std::stoll(field);
        if (index == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace velmora::test
