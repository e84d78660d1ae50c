// Timing of one snapshot cycle at the screen's size (run under wine64 with
// print_screen_service.exe beside it, which this program starts): the steps
// of Command1_Click timed one by one: capture, read, adjust, write.
#include <cstdio>
#include <string>

#include "adjust_hsl.h"
#include "application.h"
#include "picture_pixel_reader.h"
#include "picture_pixel_writer.h"
#include "snapshot_form.h"
#include "stage_table.h"

namespace {

using namespace velmora::engine;
using namespace velmora::runtime;
using velmora::bench::Clock;
using velmora::bench::elapsedMs;

// Starts the PrintScreen service from this program's folder and waits until
// its hook is in place; stops it again at the end.
class PrintScreenService {
public:
    PrintScreenService() {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring program(path);
        program = program.substr(0, program.find_last_of(L"\\/")) + L"\\print_screen_service.exe";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
        }
        for (int i = 0; i < 100; ++i) {
            HANDLE ready = OpenEventW(SYNCHRONIZE, FALSE, L"VelmoraPrintScreenServiceReady");
            const bool set = ready && WaitForSingleObject(ready, 0) == WAIT_OBJECT_0;
            if (ready) CloseHandle(ready);
            if (set) break;
            Sleep(50);
        }
    }
    ~PrintScreenService() {
        if (!process_) return;
        TerminateProcess(process_, 0);
        CloseHandle(process_);
    }
    bool running() const { return process_ != nullptr; }

private:
    HANDLE process_ = nullptr;
};

}  // namespace

int main() {
    PrintScreenService service;
    if (!service.running()) {
        std::fprintf(stderr, "print_screen_service.exe could not be started\n");
        return 1;
    }
    setApplicationTitle(L"Project1");
    velmora::snapshot::Form1 form;
    form.load();
    PictureBox& box = form.pictureBox(L"Picture1");

    constexpr int kCycles = 30;
    double captureMs = 0, readMs = 0, adjustMs = 0, writeMs = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        PixelBufferInfo info{};
        ByteGrid pixelCopy, dibBuffer;
        auto start = Clock::now();
        form.CaptureScreen();
        captureMs += elapsedMs(start);
        const ComPtr<IPicture> image = box.Image().as<IPicture>();
        start = Clock::now();
        ReadPicturePixels(image.get(), info, pixelCopy, dibBuffer, kFalse, kFalse);
        readMs += elapsedMs(start);
        start = Clock::now();
        AdjustHSL(&info, -1.0f, 0.0f, -1.0f);
        adjustMs += elapsedMs(start);
        start = Clock::now();
        WritePicturePixels(box, info.TargetBitmap, kFalse);
        writeMs += elapsedMs(start);
    }
    std::printf("Snapshot cycle at %d x %d, mean of %d cycles\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), kCycles);
    velmora::bench::printStageTable({{"capture (clipboard, PrintScreen)", captureMs},
                                     {"read (ReadPicturePixels)", readMs},
                                     {"adjust (AdjustHSL, saturation 0)", adjustMs},
                                     {"write (WritePicturePixels)", writeMs}},
                                    captureMs + readMs + adjustMs + writeMs, "whole cycle", kCycles);
    return 0;
}
