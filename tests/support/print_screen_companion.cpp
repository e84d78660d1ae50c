#include "print_screen_companion.h"

#include <string>

namespace velmora::test {

PrintScreenCompanion::PrintScreenCompanion()
    : process_(executableDirectory() + L"\\print_screen_service.exe") {
    for (int i = 0; i < 100 && !ready(); ++i) Sleep(50);
}

bool PrintScreenCompanion::ready() const {
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, L"VelmoraPrintScreenServiceReady");
    if (!event) return false;
    const bool set = WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
    CloseHandle(event);
    return set;
}

int PrintScreenCompanion::captures() const {
    // Its hidden window's title counts them: "PrintScreen service: N".
    const std::wstring title = windowText(FindWindowW(L"VelmoraPrintScreenService", nullptr));
    const auto space = title.rfind(L' ');
    return space == std::wstring::npos ? -1 : std::stoi(title.substr(space + 1));
}

bool PrintScreenCompanion::waitForCaptures(int count, std::chrono::milliseconds timeout) const {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (captures() < count) {
        if (std::chrono::steady_clock::now() > end) return false;
        pumpMessages(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace velmora::test
