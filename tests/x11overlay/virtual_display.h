// An Xvfb server of its own for a test or benchmark, and programs run on it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

// Starts Xvfb on a free display and stops it again. The server picks the
// number itself, unless VELMORA_TEST_DISPLAYS names a range ("71-79") to
// take the first free number from.
class VirtualDisplay {
public:
    struct Options {
        int width = 1024;
        int height = 768;
        std::vector<std::string> extraArguments{};  // e.g. {"-extension", "Composite"}
    };

    explicit VirtualDisplay(const Options& options);
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay();

    const std::string& name() const { return name_; }  // ":N"
    pid_t pid() const { return pid_; }

private:
    bool tryToStart(const Options& options, std::optional<int> number);

    pid_t pid_ = -1;
    std::string name_;
};

// A program started with its standard output and error read back.
class ChildProcess {
public:
    // Runs `arguments` (the program first) with DISPLAY set to `display`,
    // or with no DISPLAY at all for nullopt.
    ChildProcess(const std::vector<std::string>& arguments, const std::optional<std::string>& display);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills the program if it still runs, and reaps it.
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // Waits until the standard output contains `text`; false on timeout or
    // when the program ended first.
    bool waitForOutput(std::string_view text, std::chrono::milliseconds timeout);
    // The exit code, or 128 + the signal that killed it; nullopt while it
    // still runs after `timeout`.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    void sendSignal(int signal) const;

    const std::string& output();
    const std::string& errors();

private:
    void readAvailable(int waitMs);
    void readEverythingWritten();

    pid_t pid_ = -1;
    int outputFd_ = -1, errorFd_ = -1;
    std::string output_, errors_;
    std::optional<int> exitStatus_;
};

// CPU time (user + system) the process has used so far, in seconds.
double cpuSecondsOf(pid_t pid);

}  // namespace velmora::test
