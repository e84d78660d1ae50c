#include <memory>

#include "application.h"
#include "snapshot_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return velmora::runtime::runProgram(L"Project1", [] { return std::make_unique<velmora::snapshot::Form1>(); });
}
