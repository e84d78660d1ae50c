// sorvel.exe as a user meets it: started as its own process over a colourful
// scene, its window read back, clicked through, looked at, and closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "colour_scene_layout.h"
#include "gray_model.h"
#include "live_program_test.h"
#include "win_test_support.h"

namespace {

using namespace std::chrono_literals;
using velmora::test::ChildProcess;
using velmora::test::waitForWindow;

const std::wstring kOverlayCaption = L"Creating &  Using VC++ DLLs";

RECT screenRect() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

bool everyPixelIsGray(const velmora::test::ScreenPixels& pixels) {
    for (std::size_t i = 0; i < pixels.bytes.size(); i += 4) {
        if (pixels.bytes[i] != pixels.bytes[i + 1] || pixels.bytes[i + 1] != pixels.bytes[i + 2]) return false;
    }
    return true;
}

// A window of the test's own that counts the clicks it gets.
class ClickTarget {
public:
    ClickTarget() {
        static const ATOM windowClass = [] {
            WNDCLASSW description{};
            description.lpfnWndProc = procedure;
            description.hInstance = GetModuleHandleW(nullptr);
            description.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            description.lpszClassName = L"VelmoraClickTarget";
            return RegisterClassW(&description);
        }();
        window = CreateWindowExW(0, MAKEINTATOM(windowClass), L"Click target", WS_POPUP | WS_VISIBLE, 100, 100, 300,
                                 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~ClickTarget() { DestroyWindow(window); }
    HWND window;
    static inline int clicks = 0;

private:
    static LRESULT CALLBACK procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_LBUTTONDOWN) ++clicks;
        return DefWindowProcW(w, message, wParam, lParam);
    }
};

void clickAt(int x, int y) {
    SetCursorPos(x, y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

class OverlayLive : public velmora::test::LiveProgramTest {
protected:
    void SetUp() override {
        LiveProgramTest::SetUp();
        velmora::test::pumpMessages(500ms);
        ASSERT_FALSE(everyPixelIsGray(velmora::test::readScreen(screenRect())))
            << "the scene beneath the overlay must be colourful";
        window = startProgram(L"sorvel.exe", L"VelmoraForm", kOverlayCaption);
        ASSERT_NE(window, nullptr);
        velmora::test::pumpMessages(1000ms);
    }

    HWND window = nullptr;
};

TEST_F(OverlayLive, IsABorderlessTopMostClickThroughWindowCoveringTheScreen) {
    EXPECT_EQ(velmora::test::windowText(window), kOverlayCaption);
    const LONG_PTR extended = GetWindowLongPtrW(window, GWL_EXSTYLE);
    EXPECT_EQ(extended & (WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST),
              WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
    COLORREF key = 1;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 255);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    RECT placed;
    GetWindowRect(window, &placed);
    const RECT screen = screenRect();
    EXPECT_TRUE(EqualRect(&placed, &screen)) << placed.left << "," << placed.top << "," << placed.right << ","
                                             << placed.bottom;
}

TEST_F(OverlayLive, EveryPixelItShowsIsGray) {
    EXPECT_TRUE(everyPixelIsGray(velmora::test::readScreen(screenRect())));
}

// The grays a colour takes on over ticks: its gray, then, where the copy of
// the screen holds the overlay's own picture (under Wine, without a
// compositor), the gray of that gray, and so on.
std::vector<int> graysOverTicks(COLORREF colour) {
    std::vector<int> grays{velmora::test::modelGray(GetRValue(colour), GetGValue(colour), GetBValue(colour))};
    for (int next = velmora::test::modelGray(grays.back(), grays.back(), grays.back()); next != grays.back();
         next = velmora::test::modelGray(grays.back(), grays.back(), grays.back())) {
        grays.push_back(next);
    }
    return grays;
}

TEST_F(OverlayLive, ShowsTheExactGrayOfEachColourBarBeneath) {
    const RECT screen = screenRect();
    const auto shown = velmora::test::readScreen(screen);
    using namespace velmora::test::colour_scene;
    for (int bar = 0; bar < kBarCount; ++bar) {
        const POINT at = plainPointOfBar(bar, screen.right, screen.bottom);
        const int gray = shown.pixel(at.x, at.y)[0];
        const std::vector<int> expected = graysOverTicks(kBars[bar].colour);
        EXPECT_NE(std::find(expected.begin(), expected.end(), gray), expected.end())
            << "bar " << bar << " shows " << gray << ", not the gray of its colour (" << expected.front() << ")";
    }
}

TEST_F(OverlayLive, AClickReachesTheWindowBeneath) {
    ClickTarget target;
    velmora::test::pumpMessages(300ms);
    EXPECT_EQ(WindowFromPoint(POINT{250, 200}), target.window);
    const int before = ClickTarget::clicks;
    clickAt(250, 200);
    velmora::test::pumpMessages(300ms);
    EXPECT_EQ(ClickTarget::clicks, before + 1);
}

TEST_F(OverlayLive, ClosesFromItsTaskbarButton) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // what the taskbar button's Close sends
    ASSERT_TRUE(program->waitForExit(5s));
    EXPECT_EQ(program->exitCode(), 0u);
}

TEST_F(OverlayLive, ClosesOnItsHotKey) {
    velmora::test::pressKey('Q', {VK_CONTROL, VK_MENU});
    ASSERT_TRUE(program->waitForExit(5s));
    EXPECT_EQ(program->exitCode(), 0u);
}

// Without Grayscale.dll beside it the overlay starts, shows its window, and
// its first tick raises the missing-library error; a Grayscale.dll in the
// current directory is not taken instead.
void expectMissingLibraryAtFirstTick(const std::wstring& workingDirectory, const std::wstring& programFolder) {
    ChildProcess overlay(programFolder + L"\\sorvel.exe", L"", workingDirectory);
    ASSERT_TRUE(overlay.started());
    EXPECT_NE(waitForWindow(overlay.id(), L"VelmoraForm", kOverlayCaption, 10s), nullptr);
    const auto box = velmora::test::waitForMessageBox(overlay.id(), 10s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, L"sorvel");
    EXPECT_EQ(box->text, L"Run-time error '53':\n\nFile not found: Grayscale.dll");
    PostMessageW(box->window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(overlay.waitForExit(5s));
    EXPECT_EQ(overlay.exitCode(), 1u);
}

TEST(OverlayWithoutLibrary, FirstTickRaisesTheMissingLibraryError) {
    velmora::test::TemporaryDirectory folder;
    ASSERT_TRUE(CopyFileW(velmora::test::besideTheTests(L"sorvel.exe").c_str(), folder.file(L"sorvel.exe").c_str(), FALSE));
    expectMissingLibraryAtFirstTick(folder.path(), folder.path());
}

TEST(OverlayWithoutLibrary, ALibraryPlantedInTheCurrentDirectoryIsNotLoaded) {
    velmora::test::TemporaryDirectory programFolder;
    velmora::test::TemporaryDirectory plantedFolder;
    ASSERT_TRUE(CopyFileW(velmora::test::besideTheTests(L"sorvel.exe").c_str(), programFolder.file(L"sorvel.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(velmora::test::besideTheTests(L"Grayscale.dll").c_str(), plantedFolder.file(L"Grayscale.dll").c_str(), FALSE));
    expectMissingLibraryAtFirstTick(plantedFolder.path(), programFolder.path());
}

}  // namespace
