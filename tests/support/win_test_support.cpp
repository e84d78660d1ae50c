#include "win_test_support.h"

#include <psapi.h>
#include <shellapi.h>

#include <cstring>
#include <thread>

#include "dib_header.h"

namespace velmora::test {

std::wstring executableDirectory() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L"\\/"));
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments,
                           const std::wstring& workingDirectory, int attempts) {
    std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Wine at times refuses to start a process right after others ended
    // (ERROR_INVALID_HANDLE); a moment later it starts.
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
            id_ = info.dwProcessId;
            return;
        }
        Sleep(100);
    }
}

ChildProcess::~ChildProcess() {
    terminate();
    if (process_) CloseHandle(process_);
}

bool ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    return process_ && WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD ChildProcess::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_, &code);
    return code;
}

double ChildProcess::committedMegabytes() const {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!process_ || !GetProcessMemoryInfo(process_, &counters, sizeof(counters))) return 0.0;
    return static_cast<double>(counters.PagefileUsage) / (1024 * 1024);
}

void ChildProcess::terminate() {
    if (process_ && exitCode() == STILL_ACTIVE) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::wstring* windowClass;
    const std::wstring* caption;
    HWND found = nullptr;
};

std::wstring className(HWND window) {
    wchar_t name[256];
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? length : 0);
}

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !IsWindowVisible(window)) return TRUE;
    if (!search.windowClass->empty() && className(window) != *search.windowClass) return TRUE;
    if (!search.caption->empty() && windowText(window) != *search.caption) return TRUE;
    search.found = window;
    return FALSE;
}

template <typename Probe>
auto poll(std::chrono::milliseconds timeout, Probe probe) -> decltype(probe()) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto result = probe()) return result;
        if (std::chrono::steady_clock::now() >= deadline) return {};
        pumpMessages(std::chrono::milliseconds(20));
    }
}

}  // namespace

HWND waitForWindow(DWORD processId, const std::wstring& windowClass, const std::wstring& caption,
                   std::chrono::milliseconds timeout) {
    return poll(timeout, [&]() -> HWND {
        WindowSearch search{processId, &windowClass, &caption};
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    });
}

std::wstring windowText(HWND window) {
    wchar_t text[1024];
    const int length = GetWindowTextW(window, text, 1024);
    return std::wstring(text, length > 0 ? length : 0);
}

std::optional<MessageBoxContents> waitForMessageBox(DWORD processId, std::chrono::milliseconds timeout) {
    const HWND box = waitForWindow(processId, L"#32770", L"", timeout);
    if (!box) return std::nullopt;
    MessageBoxContents contents{box, windowText(box), L""};
    // The message text is the dialog's static control (id 0xFFFF).
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text) contents.text = windowText(text);
    return contents;
}

ScreenPixels readScreen(const RECT& area) {
    ScreenPixels pixels{area.right - area.left, area.bottom - area.top, {}};
    pixels.bytes.resize(static_cast<std::size_t>(pixels.width) * pixels.height * 4);
    const BITMAPINFO info = runtime::dibHeader(pixels.width, -pixels.height, 32);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, pixels.width, pixels.height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    std::memcpy(pixels.bytes.data(), bits, pixels.bytes.size());
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TemporaryDirectory::TemporaryDirectory() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (unsigned attempt = GetTickCount();; ++attempt) {
        path_ = std::wstring(base) + L"velmora-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(attempt);
        if (CreateDirectoryW(path_.c_str(), nullptr)) return;
    }
}

TemporaryDirectory::~TemporaryDirectory() {
    std::wstring from = path_ + L'\0';  // SHFileOperation wants a double-terminated list
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

void pressKey(WORD key, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> keys;
    const auto add = [&](WORD virtualKey, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        keys.push_back(input);
    };
    for (WORD modifier : modifiers) add(modifier, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier) {
        add(*modifier, KEYEVENTF_KEYUP);
    }
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

bool xdotool(const std::wstring& arguments) {
    // Wine starts a host program without handing back its end (and at times
    // reports a failure to start one that did start), so a shell runs it and
    // then writes a file, and only the file tells. xdotool's own status is not used: it
    // reports failure for some moves that did take place, so the tests look
    // at what the action did instead.
    static int calls = 0;
    const std::wstring status = L"/tmp/velmora-xdotool-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(++calls);
    std::wstring statusFile = L"Z:" + status;
    for (wchar_t& c : statusFile) c = c == L'/' ? L'\\' : c;
    DeleteFileW(statusFile.c_str());
    // One attempt only: a host program may have run although Wine reports
    // that it could not start it, and an action must not happen twice.
    ChildProcess shell(L"Z:\\bin\\sh", L"-c \"/usr/bin/xdotool " + arguments + L" 2>/dev/null; echo $? > " + status + L"\"",
                       L"", 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        HANDLE file = CreateFileW(statusFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char text[8] = {};
            DWORD read = 0;
            ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
            CloseHandle(file);
            if (read > 0 && text[read - 1] == '\n') {
                DeleteFileW(statusFile.c_str());
                return true;
            }
        }
        pumpMessages(std::chrono::milliseconds(20));
    }
    return false;
}

void pumpMessages(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < deadline);
}

}  // namespace velmora::test
