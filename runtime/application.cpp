#include "application.h"

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "form.h"
#include "navigation.h"
#include "platform.h"

namespace velmora::runtime {
namespace {

std::wstring& title() {
    static std::wstring value;
    return value;
}

// Set while runProgram runs: closing the last form then ends the program.
bool programRunning = false;

std::vector<HWND>& openForms() {
    static std::vector<HWND> forms;
    return forms;
}

void dispatch(MSG& message) {
    if (handleNavigationKey(message, openForms())) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

}  // namespace

void setApplicationTitle(std::wstring value) { title() = std::move(value); }
const std::wstring& applicationTitle() { return title(); }

void messageBox(const std::wstring& text) {
    user32::MessageBoxW(mainFormWindow(), text.c_str(), applicationTitle().c_str(), MB_OK);
}

std::wstring unhandledErrorText(const RuntimeError& error) {
    std::wstring number = std::to_wstring(error.number());
    if (error.number() < 0) {
        wchar_t hex[16];
        swprintf(hex, 16, L" (%08lX)", static_cast<unsigned long>(error.number()));
        number += hex;
    }
    return L"Run-time error '" + number + L"':\n\n" + error.description();
}

void handleUnhandledError(const RuntimeError& error) {
    messageBox(unhandledErrorText(error));
    endProgram(1);
}

void endProgram(UINT exitCode) { kernel32::ExitProcess(exitCode); }

void doEvents() {
    const DWORD passStarted = GetTickCount();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            endProgram(static_cast<UINT>(message.wParam));
            return;
        }
        dispatch(message);
        if (static_cast<LONG>(message.time - passStarted) > 0) return;
    }
}

void registerForm(HWND form) { openForms().push_back(form); }

void unregisterForm(HWND form) {
    auto& forms = openForms();
    forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
    if (forms.empty() && programRunning) PostQuitMessage(0);
}

HWND mainFormWindow() { return openForms().empty() ? nullptr : openForms().front(); }

int runProgram(const std::wstring& programTitle, const std::function<std::unique_ptr<Form>()>& createStartupForm) {
    setApplicationTitle(programTitle);
    programRunning = true;
    // Picture objects and the clipboard want OLE on the user-interface thread.
    OleInitialize(nullptr);
    std::unique_ptr<Form> startupForm;
    runEventHandler([&] {
        startupForm = createStartupForm();
        startupForm->load();
    });
    if (!startupForm) return 1;
    runEventHandler([&] { startupForm->Show(); });

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatch(message);
    return static_cast<int>(message.wParam);
}

}  // namespace velmora::runtime
