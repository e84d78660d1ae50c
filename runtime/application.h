// The program-wide services of the form runtime: start, the message loop and
// one pass of message processing, message boxes, the handling of unhandled
// run-time errors, error suppression and the immediate end of the program.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <new>
#include <string>

#include "runtime_error.h"

namespace velmora::runtime {

class Form;

void setApplicationTitle(std::wstring title);
const std::wstring& applicationTitle();

// A message box with the text, an OK button and no icon, captioned with the
// application title; waits until it is closed.
void messageBox(const std::wstring& text);

// "Run-time error 'N':" and the description, as default handling shows it.
std::wstring unhandledErrorText(const RuntimeError& error);

// Default handling of a run-time error that no handler caught: shows it and
// ends the program.
void handleUnhandledError(const RuntimeError& error);

// Ends the program at once: no further event handler runs.
void endProgram(UINT exitCode = 0);

// Runs an event handler. Every event handler runs inside this boundary, so
// that no exception crosses a window procedure: errors go to default handling.
template <typename Handler>
void runEventHandler(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const RuntimeError& error) {
        handleUnhandledError(error);
    } catch (const std::bad_alloc&) {
        handleUnhandledError(RuntimeError::outOfMemory());
    } catch (const std::exception& error) {
        const std::string what = error.what();
        handleUnhandledError(RuntimeError(kInternalError, L"Internal error: " + std::wstring(what.begin(), what.end())));
    } catch (...) {
        handleUnhandledError(RuntimeError(kInternalError, L"Internal error"));
    }
}

// Runs each statement in turn; a run-time error abandons only the statement
// that raised it, and execution goes on with the next one.
template <typename... Statements>
void resumeNext(Statements&&... statements) {
    const auto attempt = [](auto&& statement) {
        try {
            statement();
        } catch (const RuntimeError&) {
        } catch (const std::bad_alloc&) {
        }
    };
    (attempt(statements), ...);
}

// One pass of message processing: dispatches the messages that are waiting,
// events included, and returns. Messages that arrive while it runs are left
// for later, so a busy timer cannot keep it from returning. When the program
// has been asked to quit (its last form closed), the program ends here.
void doEvents();

// The forms that are open, for keyboard navigation and for ending the
// program when the last one closes.
void registerForm(HWND form);
void unregisterForm(HWND form);
// The first form that is still open (message boxes are owned by it).
HWND mainFormWindow();

// Starts the program: creates the start-up form, raises its load event,
// shows it, and processes messages until the program ends. Returns the exit code.
int runProgram(const std::wstring& applicationTitle, const std::function<std::unique_ptr<Form>()>& createStartupForm);

}  // namespace velmora::runtime
