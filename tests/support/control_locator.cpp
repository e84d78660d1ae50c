// Prints the screen position of the centre of a control's visible part (the
// part inside its window's client area), for driving a
// program with xdotool from a script: control_locator "Window caption"
// "Control caption". Used by the demo; never shipped.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK matchChild(HWND child, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    wchar_t text[256];
    GetWindowTextW(child, text, 256);
    if (search->caption == text) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: control_locator WINDOW-CAPTION CONTROL-CAPTION\n");
        return 2;
    }
    HWND window = FindWindowW(nullptr, argv[1]);
    Search search{argv[2]};
    if (window) EnumChildWindows(window, matchChild, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        std::fprintf(stderr, "no such control\n");
        return 1;
    }
    RECT rect, client;
    GetWindowRect(search.found, &rect);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    IntersectRect(&rect, &rect, &client);
    std::printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    return 0;
}
