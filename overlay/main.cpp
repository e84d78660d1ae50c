#include <memory>

#include "application.h"
#include "overlay_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return velmora::runtime::runProgram(L"sorvel", [] { return std::make_unique<velmora::overlay::Form1>(); });
}
