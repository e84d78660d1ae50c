// Records message boxes instead of showing them (through the MessageBoxW binding).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform.h"

namespace velmora::test {

struct ShownMessage {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class MessageBoxRecorder {
public:
    MessageBoxRecorder()
        : substitute_(runtime::user32::MessageBoxW, [this](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
              shown.push_back({owner, text, caption, type});
              if (onShow) onShow();
              return IDOK;
          }) {}

    std::vector<ShownMessage> shown;
    // Runs while a box is "open" (to check what happens before it closes).
    std::function<void()> onShow;

private:
    runtime::ScopedSubstitute<decltype(runtime::user32::MessageBoxW)> substitute_;
};

}  // namespace velmora::test
