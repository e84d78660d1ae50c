// The picture box control: a window that shows a picture object's bitmap.
#pragma once

#include <windows.h>

#include "picture.h"

namespace velmora::runtime {

class PictureBox {
public:
    // Takes over `window`, a window of the class windowClass().
    explicit PictureBox(HWND window);

    // The window class of picture boxes, registered on first use.
    static const wchar_t* windowClass();

    HWND hWnd() const { return window_; }
    // The picture the box shows; a picture without image when it has none.
    PictureObject Picture() const;
    // Assigns a picture (or none): the box takes a reference of its own,
    // releases the previous picture and repaints.
    void setPicture(const PictureObject& picture);
    // The box's persistent image: a picture object of what the box shows.
    PictureObject Image() const;
    // Repaints the box at once.
    void Refresh();

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Draws the picture at the top left corner and fills the rest.
    void paint(HDC dc, const RECT& clientArea) const;

    HWND window_;
    PictureObject picture_;
};

}  // namespace velmora::runtime
