// Helpers for the Windows tests that run under wine64: child processes,
// windows of other processes, the screen's pixels, message boxes, temporary
// folders, and a guard against an unexpected end of the test process.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// The folder of the running test program (the build's bin folder).
std::wstring executableDirectory();
// The path of `file` in that folder.
inline std::wstring besideTheTests(const std::wstring& file) { return executableDirectory() + L"\\" + file; }

class ChildProcess {
public:
    // Starts `program` (a path) with `arguments`, in `workingDirectory` when
    // given, trying up to `attempts` times.
    ChildProcess(const std::wstring& program, const std::wstring& arguments = L"",
                 const std::wstring& workingDirectory = L"", int attempts = 10);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    // Waits for the process to end; false if it still runs after `timeout`.
    bool waitForExit(std::chrono::milliseconds timeout);
    DWORD exitCode() const;
    void terminate();
    // The memory the process has committed, in megabytes.
    double committedMegabytes() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The first visible top-level window of process `processId` with this class
// (any when empty) and caption (any when empty), waiting up to `timeout`.
HWND waitForWindow(DWORD processId, const std::wstring& windowClass, const std::wstring& caption,
                   std::chrono::milliseconds timeout);

std::wstring windowText(HWND window);

struct MessageBoxContents {
    HWND window;
    std::wstring caption;
    std::wstring text;
};

// A message box (dialog class "#32770") of process `processId`, waiting up to `timeout`.
std::optional<MessageBoxContents> waitForMessageBox(DWORD processId, std::chrono::milliseconds timeout);

// A screen area's pixels, 32 bits each (blue, green, red, unused), rows top-down.
struct ScreenPixels {
    int width;
    int height;
    std::vector<std::uint8_t> bytes;
    const std::uint8_t* pixel(int x, int y) const { return &bytes[(static_cast<std::size_t>(y) * width + x) * 4]; }
};
ScreenPixels readScreen(const RECT& area);

// A new empty folder under the temporary folder, removed with its contents.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Presses and releases `key` through the system's input queue, with the
// `modifiers` (VK_CONTROL, VK_MENU, VK_SHIFT) held down around it.
void pressKey(WORD key, std::initializer_list<WORD> modifiers = {});

// Runs xdotool (a program of the host system, which Wine starts as it is)
// with `arguments`, as a user's mouse or keyboard would act, and waits for
// it to finish; true when it ran to its end.
bool xdotool(const std::wstring& arguments);

// Processes messages for `duration`.
void pumpMessages(std::chrono::milliseconds duration);

}  // namespace velmora::test
