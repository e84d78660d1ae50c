// A colourful test scene for the demo and the tests: a window covering the
// screen with bars of primary and mixed colours, smooth gradients and text.
// Not part of the deliverables.
#include <windows.h>

#include <algorithm>

#include "colour_scene_layout.h"

namespace {

using velmora::test::colour_scene::kBarCount;
using velmora::test::colour_scene::kBars;

void fill(HDC dc, const RECT& area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void paintScene(HDC dc, const RECT& client) {
    const int width = client.right;
    const int height = client.bottom;
    const int barHeight = velmora::test::colour_scene::barHeight(height);
    const int barWidth = velmora::test::colour_scene::barWidth(width);
    SetBkMode(dc, TRANSPARENT);
    HFONT font = CreateFontW(barHeight / 6, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
    HGDIOBJ previousFont = SelectObject(dc, font);
    for (int i = 0; i < kBarCount; ++i) {
        RECT bar = {i * barWidth, 0, std::min(width, (i + 1) * barWidth), barHeight};
        fill(dc, bar, kBars[i].colour);
        SetTextColor(dc, i == 7 ? RGB(255, 255, 255) : RGB(0, 0, 0));
        DrawTextW(dc, kBars[i].name, -1, &bar, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    // Hue sweep across the middle third, darkening towards its bottom.
    for (int x = 0; x < width; ++x) {
        const int hue = x * 1530 / std::max(1, width);
        const int part = hue % 255;
        int r = 0, g = 0, b = 0;
        switch (hue / 255) {
            case 0: r = 255, g = part; break;
            case 1: r = 255 - part, g = 255; break;
            case 2: g = 255, b = part; break;
            case 3: g = 255 - part, b = 255; break;
            case 4: r = part, b = 255; break;
            default: r = 255, b = 255 - part; break;
        }
        for (int band = 0; band < 8; ++band) {
            const int y0 = barHeight + band * barHeight / 8;
            const int y1 = barHeight + (band + 1) * barHeight / 8;
            const int shade = 255 - band * 28;
            RECT column = {x, y0, x + 1, y1};
            fill(dc, column, RGB(r * shade / 255, g * shade / 255, b * shade / 255));
        }
    }
    // Bottom third: a gray ramp and a line of text.
    for (int x = 0; x < width; ++x) {
        const int level = x * 255 / std::max(1, width - 1);
        RECT column = {x, 2 * barHeight, x + 1, height};
        fill(dc, column, RGB(level, level / 2, 255 - level));
    }
    RECT caption = {0, 2 * barHeight, width, height};
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, L"Velmora colour scene", -1, &caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, previousFont);
    DeleteObject(font);
}

LRESULT CALLBACK sceneProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            paintScene(dc, client);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = sceneProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"VelmoraColourScene";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Velmora colour scene", WS_POPUP, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
