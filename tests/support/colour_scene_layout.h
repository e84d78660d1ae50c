// Where the colour scene (colour_scene.exe) puts its bars of solid colour, so
// that tests can look for a known colour at a known place on the screen.
#pragma once

#include <windows.h>

namespace velmora::test::colour_scene {

struct Bar {
    COLORREF colour;
    const wchar_t* name;
};

// Eight bars side by side across the top third of the screen, each named in
// the middle.
inline constexpr Bar kBars[] = {
    {RGB(255, 0, 0), L"red"},       {RGB(0, 255, 0), L"green"}, {RGB(0, 0, 255), L"blue"},
    {RGB(255, 255, 0), L"yellow"},  {RGB(0, 255, 255), L"cyan"}, {RGB(255, 0, 255), L"magenta"},
    {RGB(255, 255, 255), L"white"}, {RGB(0, 0, 0), L"black"},
};
inline constexpr int kBarCount = 8;

inline int barHeight(int screenHeight) { return screenHeight / 3; }
inline int barWidth(int screenWidth) { return (screenWidth + kBarCount - 1) / kBarCount; }

// A point of bar `index` well away from its name and its edges.
inline POINT plainPointOfBar(int index, int screenWidth, int screenHeight) {
    return {index * barWidth(screenWidth) + barWidth(screenWidth) / 2, barHeight(screenHeight) / 8};
}

}  // namespace velmora::test::colour_scene
