// print_screen_service.exe, the program that supplies the PrintScreen key's
// screen image under Wine, run beside a test or a timing program.
#pragma once

#include <windows.h>

#include <chrono>

#include "win_test_support.h"

namespace velmora::test {

class PrintScreenCompanion {
public:
    // Starts the companion from the folder of the running program and waits
    // (up to five seconds) until its keyboard hook is in place.
    PrintScreenCompanion();

    // True once the hook is in place.
    bool ready() const;
    // How many screen images it has put on the clipboard so far; -1 when it
    // does not run.
    int captures() const;
    // Waits until at least `count` images were put there, processing the
    // caller's messages meanwhile; false after `timeout`.
    bool waitForCaptures(int count, std::chrono::milliseconds timeout) const;
    void stop() { process_.terminate(); }

private:
    ChildProcess process_;
};

}  // namespace velmora::test
