// Keyboard navigation between a form's controls.
#pragma once

#include <windows.h>

#include <vector>

namespace velmora::runtime {

// Handles `message` when it is a key that moves between the controls of one
// of `forms` or clicks one of them; true when it needs no further dispatch.
bool handleNavigationKey(MSG& message, const std::vector<HWND>& forms);

}  // namespace velmora::runtime
