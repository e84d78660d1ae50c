#include "navigation.h"

#include <algorithm>

#include "form.h"

namespace velmora::runtime {

// Keyboard navigation for the form that holds the window: Tab in the
// runtime's tab order; access keys with Alt only (a plain letter clicks
// nothing); Enter clicks the command button that has the focus and nothing
// else, Escape nothing (a form has no default and no cancel button); arrows
// move between option buttons as in dialogs.
bool handleNavigationKey(MSG& message, const std::vector<HWND>& forms) {
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (!root || std::find(forms.begin(), forms.end(), root) == forms.end()) return false;
    if (message.message == WM_KEYDOWN) {
        Form* form = Form::fromWindow(root);
        if (form && message.wParam == VK_TAB) {
            form->focusNextControl(GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        if (form && message.wParam == VK_RETURN) {
            form->clickFocusedCommandButton();
            return true;
        }
        if (message.wParam == VK_ESCAPE) return true;
    }
    if (message.message == WM_CHAR) return message.wParam == L'\t';
    return IsDialogMessageW(root, &message);
}

void Form::focusNextControl(bool forward) {
    std::vector<HWND> stops;
    for (const Control& control : controls_) {
        if (control.window && IsWindowVisible(control.window) && IsWindowEnabled(control.window) &&
            (GetWindowLongPtrW(control.window, GWL_STYLE) & WS_TABSTOP)) {
            stops.push_back(control.window);
        }
    }
    if (stops.empty()) return;
    const HWND focused = GetFocus();
    const auto current = std::find(stops.begin(), stops.end(), focused);
    std::size_t next = 0;
    if (current != stops.end()) {
        const std::size_t index = static_cast<std::size_t>(current - stops.begin());
        next = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
    } else if (!forward) {
        next = stops.size() - 1;
    }
    // On Windows an option button that gets the focus reports a click
    // unless it is selected already; moving through the tab order selects
    // nothing.
    movingFocus_ = true;
    SetFocus(stops[next]);
    movingFocus_ = false;
}

void Form::clickFocusedCommandButton() {
    const HWND focused = GetFocus();
    const auto button = std::find_if(controls_.begin(), controls_.end(), [&](const Control& control) {
        return control.window == focused && control.description.kind == ControlKind::CommandButton;
    });
    if (button != controls_.end()) SendMessageW(focused, BM_CLICK, 0, 0);
}

}  // namespace velmora::runtime
