#include "snapshot_form.h"

#include "adjust_hsl.h"
#include "application.h"
#include "byte_grid.h"
#include "clipboard.h"
#include "handles.h"
#include "picture_pixel_reader.h"
#include "picture_pixel_writer.h"
#include "platform.h"
#include "runtime_error.h"

namespace velmora::snapshot {

using namespace runtime;
using engine::ByteGrid;
using engine::PixelBufferInfo;

FormDescription form1Description() {
    FormDescription form;
    form.caption = L"Velmora";
    form.border = BorderStyle::Sizable;
    form.clientWidth = 5685;
    form.clientHeight = 4935;
    form.controls = {
        {.name = L"Picture1", .kind = ControlKind::PictureBox, .left = 120, .top = 240, .width = 5415,
         .height = 4455, .tabIndex = 0},
        {.name = L"Command1", .kind = ControlKind::CommandButton, .caption = L"Command1", .left = 5280, .top = 4080,
         .width = 975, .height = 495, .tabIndex = 1},
        {.name = L"Label1", .kind = ControlKind::Label, .caption = L"Sleep value:", .left = 120, .top = 0,
         .width = 975, .height = 255, .tabIndex = 2},
        {.name = L"Option1", .kind = ControlKind::OptionButton, .caption = L"0", .left = 1080, .top = 0,
         .width = 735, .height = 255, .tabIndex = 3},
        {.name = L"Option2", .kind = ControlKind::OptionButton, .caption = L"10", .left = 1680, .top = 0,
         .width = 615, .height = 255, .tabIndex = 4},
        {.name = L"Option3", .kind = ControlKind::OptionButton, .caption = L"25", .left = 2400, .top = 0,
         .width = 615, .height = 255, .tabIndex = 5},
        {.name = L"Option4", .kind = ControlKind::OptionButton, .caption = L"50", .left = 3120, .top = 0,
         .width = 615, .height = 255, .tabIndex = 6},
        {.name = L"Option5", .kind = ControlKind::OptionButton, .caption = L"100", .left = 3840, .top = 0,
         .width = 615, .height = 255, .tabIndex = 7},
        {.name = L"Command2", .kind = ControlKind::CommandButton, .caption = L"&Close", .left = 4680, .top = 0,
         .width = 855, .height = 255, .tabIndex = 8},
    };
    return form;
}

Form1::Form1() : Form(form1Description()) {
    onClick(L"Command1", [this] { Command1_Click(); });
    onClick(L"Option1", [this] { Option1_Click(); });
    onClick(L"Option2", [this] { Option2_Click(); });
    onClick(L"Option3", [this] { Option3_Click(); });
    onClick(L"Option4", [this] { Option4_Click(); });
    onClick(L"Option5", [this] { Option5_Click(); });
    onClick(L"Command2", [this] { Command2_Click(); });
}

void Form1::Form_Load() {
    const LONG style = user32::GetWindowLongA(pictureBox(L"Picture1").hWnd(), GWL_STYLE);
    user32::SetWindowLongA(pictureBox(L"Picture1").hWnd(), GWL_STYLE, style | WS_THICKFRAME);
    user32::SetWindowPos(pictureBox(L"Picture1").hWnd(), hWnd(), 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Show();
}

void Form1::CaptureScreen() {
    resumeNext([] { Clipboard::Clear(); },
               [] { user32::keybd_event(VK_SNAPSHOT, 0, 0, 0); },
               [] { doEvents(); },
               [this] { pictureBox(L"Picture1").setPicture(Clipboard::GetData(CF_BITMAP)); });
}

void Form1::Command1_Click() {
    PixelBufferInfo info{};
    ByteGrid pixelCopy;
    ByteGrid dibBuffer;
    CaptureScreen();
    {
        HRESULT viewed = S_OK;
        const ComPtr<IPicture> image = pictureBox(L"Picture1").Image().as<IPicture>(&viewed);
        raiseOnFailure(viewed);
        engine::ReadPicturePixels(image.get(), info, pixelCopy, dibBuffer, kFalse, kFalse);
    }
    engine::AdjustHSL(&info, -1.0f, 0.0f, -1.0f);
    engine::WritePicturePixels(pictureBox(L"Picture1"), info.TargetBitmap, kFalse);
}

void Form1::loopCycles(DWORD pause) {
    loopPause_ = pause;
    if (loopRunning_) return;
    loopRunning_ = true;
    const ScopeExit stopped([this] { loopRunning_ = false; });
    for (;;) {
        kernel32::Sleep(loopPause_);
        Command1_Click();
        kernel32::Sleep(loopPause_);
    }
}

void Form1::Option1_Click() { loopCycles(1); }
void Form1::Option2_Click() { loopCycles(10); }
void Form1::Option3_Click() { loopCycles(25); }
void Form1::Option4_Click() { loopCycles(50); }
void Form1::Option5_Click() { loopCycles(100); }

void Form1::Command2_Click() { endProgram(); }

}  // namespace velmora::snapshot
