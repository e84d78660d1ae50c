// grayscale.exe as a user meets it under wine64: started as its own process
// over a colourful scene with the PrintScreen service running, clicked with
// xdotool, looked at on the screen, and closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "dib_header.h"
#include "live_program_test.h"
#include "print_screen_companion.h"
#include "win_test_support.h"

namespace {

using namespace std::chrono_literals;

RECT screenRectOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

// Client-area coordinates of a control of another process's window.
RECT placeInParent(HWND control) {
    RECT rect = screenRectOf(control);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND childWithText(HWND window, const std::wstring& text) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (velmora::test::windowText(child) == text) return child;
    }
    return nullptr;
}

HWND childOfClass(HWND window, const std::wstring& windowClass) {
    return FindWindowExW(window, nullptr, windowClass.c_str(), nullptr);
}

// Clicks the middle of the part of `control` that its window shows.
void click(HWND window, HWND control) {
    RECT visible = screenRectOf(control), client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    IntersectRect(&visible, &visible, &client);
    const long x = (visible.left + visible.right) / 2, y = (visible.top + visible.bottom) / 2;
    ASSERT_TRUE(velmora::test::xdotool(L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) + L" click 1"))
        << "at " << x << ", " << y;
}

bool isGray(const std::uint8_t* pixel) { return pixel[0] == pixel[1] && pixel[1] == pixel[2]; }

std::uint8_t lightnessGray(const std::uint8_t* pixel) {
    const int sum = std::max({pixel[0], pixel[1], pixel[2]}) + std::min({pixel[0], pixel[1], pixel[2]});
    return static_cast<std::uint8_t>(sum == 255 ? 128 : sum / 2);
}

// The clipboard's bitmap as 32-bit pixels, rows top-down.
std::vector<std::uint8_t> clipboardImage(int& width, int& height) {
    std::vector<std::uint8_t> pixels;
    if (!OpenClipboard(nullptr)) return pixels;
    if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
        BITMAP shape{};
        GetObjectW(bitmap, sizeof(shape), &shape);
        width = shape.bmWidth;
        height = shape.bmHeight;
        BITMAPINFO info = velmora::runtime::dibHeader(width, -height, 32);
        pixels.resize(4 * static_cast<std::size_t>(width) * height);
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
    }
    CloseClipboard();
    return pixels;
}

class SnapshotLive : public velmora::test::LiveProgramTest {
protected:
    void SetUp() override {
        LiveProgramTest::SetUp();
        ASSERT_TRUE(service->ready());
        window = startProgram(L"grayscale.exe", L"VelmoraForm", L"Velmora");
        ASSERT_NE(window, nullptr);
        velmora::test::pumpMessages(500ms);
        picture = childOfClass(window, L"VelmoraPictureBox");
        command1 = childWithText(window, L"Command1");
        close = childWithText(window, L"&Close");
        ASSERT_TRUE(picture && command1 && close);
    }

    // The picture box's client area as the screen shows it.
    velmora::test::ScreenPixels shownPicture() {
        RECT client;
        GetClientRect(picture, &client);
        MapWindowPoints(picture, nullptr, reinterpret_cast<POINT*>(&client), 2);
        return velmora::test::readScreen(client);
    }

    // Activates the program's window and presses `keys` there. The keys go to
    // the focused window rather than to the program's window by name: a key
    // that closes the window would otherwise have its release sent to a
    // window that is gone, and stay pressed for the programs that follow.
    void pressInTheWindow(const std::wstring& keys) {
        ASSERT_TRUE(velmora::test::xdotool(L"search --name '^Velmora$' windowactivate --sync"));
        ASSERT_TRUE(velmora::test::xdotool(L"key --clearmodifiers " + keys));
    }

    // The time from one capture to the next once `option` sets the pause, in
    // milliseconds. Its click goes straight to the button, so that the program
    // handles it in the cycle whose capture comes next; the interval after
    // that capture is the first one paced by the option.
    double pacedInterval(const wchar_t* option) {
        PostMessageW(childWithText(window, option), BM_CLICK, 0, 0);
        const int seen = service->captures();
        if (!service->waitForCaptures(seen + 1, 5s)) return 0.0;
        const auto start = std::chrono::steady_clock::now();
        if (!service->waitForCaptures(seen + 2, 5s)) return 0.0;
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }

    std::unique_ptr<velmora::test::PrintScreenCompanion> service =
        std::make_unique<velmora::test::PrintScreenCompanion>();
    HWND window = nullptr, picture = nullptr, command1 = nullptr, close = nullptr;
};

TEST_F(SnapshotLive, TheWindowIsAsDescribed) {
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 379);
    EXPECT_EQ(client.bottom, 329);
    struct Expected {
        const wchar_t* text;
        RECT rect;
    };
    const Expected controls[] = {
        {L"Command1", {352, 272, 417, 305}}, {L"Sleep value:", {8, 0, 73, 17}}, {L"0", {72, 0, 121, 17}},
        {L"10", {112, 0, 153, 17}},          {L"25", {160, 0, 201, 17}},          {L"50", {208, 0, 249, 17}},
        {L"100", {256, 0, 297, 17}},         {L"&Close", {312, 0, 369, 17}},
    };
    for (const Expected& expected : controls) {
        const HWND control = childWithText(window, expected.text);
        ASSERT_NE(control, nullptr);
        const RECT actual = placeInParent(control);
        EXPECT_TRUE(EqualRect(&actual, &expected.rect)) << std::string(expected.text, expected.text + wcslen(expected.text));
    }
    const RECT box = placeInParent(picture);
    const RECT expectedBox = {8, 16, 369, 313};
    EXPECT_TRUE(EqualRect(&box, &expectedBox));
    EXPECT_TRUE(GetWindowLongPtrW(picture, GWL_STYLE) & WS_THICKFRAME) << "a sizing border from the first display on";
    for (const wchar_t* option : {L"0", L"10", L"25", L"50", L"100"}) {
        EXPECT_EQ(SendMessageW(childWithText(window, option), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    }
}

TEST_F(SnapshotLive, ResizingTheWindowMovesNoControl) {
    const RECT before = placeInParent(command1), boxBefore = placeInParent(picture);
    ASSERT_TRUE(velmora::test::xdotool(L"search --name '^Velmora$' windowsize %@ 700 560"));
    velmora::test::pumpMessages(800ms);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_GT(client.right, 379) << "the window was resized";
    const RECT after = placeInParent(command1), boxAfter = placeInParent(picture);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_TRUE(EqualRect(&boxBefore, &boxAfter));
}

TEST_F(SnapshotLive, OneClickShowsTheGrayOfTheScreenAndKeepsTheColourImageOnTheClipboard) {
    click(window, command1);
    ASSERT_TRUE(service->waitForCaptures(1, 5s));
    ASSERT_EQ(service->captures(), 1);
    velmora::test::pumpMessages(1500ms);
    int width = 0, height = 0;
    const auto colour = clipboardImage(width, height);
    ASSERT_FALSE(colour.empty());
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
    bool colourful = false;
    for (std::size_t i = 0; i < colour.size() && !colourful; i += 4) colourful = !isGray(&colour[i]);
    EXPECT_TRUE(colourful) << "the clipboard keeps the colour image";

    // The image is the screen as it was, unshifted: outside the program's
    // window (which now shows gray) it equals what the screen shows.
    const auto screen = velmora::test::readScreen({0, 0, width, height});
    const RECT program = screenRectOf(window);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (PtInRect(&program, POINT{x, y})) continue;
            const std::uint8_t* captured = &colour[(static_cast<std::size_t>(y) * width + x) * 4];
            ASSERT_TRUE(std::equal(captured, captured + 3, screen.pixel(x, y))) << "screen pixel " << x << ", " << y;
        }
    }

    const auto shown = shownPicture();
    // Command1 covers the box's lower right corner.
    RECT covered = screenRectOf(command1);
    MapWindowPoints(nullptr, picture, reinterpret_cast<POINT*>(&covered), 2);
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            if (PtInRect(&covered, POINT{x, y})) continue;
            const std::uint8_t expected = lightnessGray(&colour[(static_cast<std::size_t>(y) * width + x) * 4]);
            const std::uint8_t* pixel = shown.pixel(x, y);
            ASSERT_TRUE(pixel[0] == expected && pixel[1] == expected && pixel[2] == expected)
                << "pixel " << x << ", " << y;
        }
    }
}

TEST_F(SnapshotLive, AFailedCaptureKeepsThePreviousPictureAndShowsNoMessage) {
    click(window, command1);
    ASSERT_TRUE(service->waitForCaptures(1, 5s));
    velmora::test::pumpMessages(1500ms);
    const auto before = shownPicture();
    service->stop();
    click(window, command1);
    velmora::test::pumpMessages(2000ms);
    EXPECT_FALSE(velmora::test::waitForMessageBox(program->id(), 500ms).has_value());
    EXPECT_EQ(program->exitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(shownPicture().bytes, before.bytes);
}

// One pass of a loop takes one cycle plus twice the option's pause. Cycles
// under Wine vary by tens of milliseconds from one second to the next, so the
// options take turns with "0" (a pause of 1 ms), and each is compared with
// the "0" passes measured just before and after it. A 10 ms pause adds less
// than that variation; the form's own tests time the real pauses of every
// option with the cycle's slow parts left out.
TEST_F(SnapshotLive, TheLoopsKeepThePaceOfTheirPause) {
    click(window, childWithText(window, L"0"));
    ASSERT_TRUE(service->waitForCaptures(2, 10s));
    struct Option {
        const wchar_t* caption;
        int pause;
        std::vector<double> extra;  // milliseconds beyond a "0" pass, one per turn
    };
    Option options[] = {{L"10", 10, {}}, {L"25", 25, {}}, {L"50", 50, {}}, {L"100", 100, {}}};
    double zeroBefore = pacedInterval(L"0");
    for (int turn = 0; turn < 4; ++turn) {
        for (Option& option : options) {
            const double paced = pacedInterval(option.caption);
            const double zeroAfter = pacedInterval(L"0");
            ASSERT_TRUE(zeroBefore > 0.0 && paced > 0.0 && zeroAfter > 0.0) << "the loop stopped";
            option.extra.push_back(paced - (zeroBefore + zeroAfter) / 2.0);
            zeroBefore = zeroAfter;
        }
    }
    for (Option& option : options) {
        std::nth_element(option.extra.begin(), option.extra.begin() + option.extra.size() / 2, option.extra.end());
        const double extra = option.extra[option.extra.size() / 2];
        const double expected = 2.0 * (option.pause - 1);
        std::printf("option %3d ms: %6.1f ms more a pass than option 0 (expected %3.0f)\n", option.pause, extra,
                    expected);
        RecordProperty("extra_ms_option_" + std::to_string(option.pause), static_cast<int>(extra));
        if (option.pause >= 25) {
            EXPECT_GT(extra, 0.5 * expected) << "option " << option.pause << " pauses too little";
        }
        // Each of Wine's sleeps overshoots by up to about 15 ms.
        EXPECT_LT(extra, 40.0 + 1.5 * expected) << "option " << option.pause << " pauses too long";
    }
}

TEST_F(SnapshotLive, EscapeEnterAndPlainLettersRunNothingAndAltCCloses) {
    ASSERT_TRUE(velmora::test::xdotool(L"search --name '^Velmora$' windowactivate --sync key --clearmodifiers "
                                       L"Escape Return c Tab Escape c"));
    velmora::test::pumpMessages(1500ms);
    EXPECT_EQ(service->captures(), 0) << "no key ran a cycle";
    ASSERT_EQ(program->exitCode(), static_cast<DWORD>(STILL_ACTIVE)) << "no key ended the program";
    pressInTheWindow(L"alt+c");
    ASSERT_TRUE(program->waitForExit(5s)) << "Alt+C clicks \"&Close\"";
    EXPECT_EQ(program->exitCode(), 0u);
}

// Every cycle fetches a screen-sized image that another process put on the
// clipboard; however long the loop runs, the program keeps no copy of it.
TEST_F(SnapshotLive, TheFastestLoopKeepsTheProgramsMemoryFlat) {
    click(window, childWithText(window, L"0"));
    ASSERT_TRUE(service->waitForCaptures(4, 10s));
    const double before = program->committedMegabytes();
    ASSERT_GT(before, 0.0) << "the program's memory cannot be read";
    ASSERT_TRUE(service->waitForCaptures(20, 30s));
    const double screenImage = 4.0 * GetSystemMetrics(SM_CXSCREEN) * GetSystemMetrics(SM_CYSCREEN) / (1024 * 1024);
    EXPECT_LT(program->committedMegabytes() - before, 2 * screenImage)
        << "16 cycles; " << before << " MB before";
}

TEST_F(SnapshotLive, CloseDuringALoopEndsTheProgramPromptly) {
    click(window, childWithText(window, L"0"));
    ASSERT_TRUE(service->waitForCaptures(3, 10s));
    click(window, close);
    ASSERT_TRUE(program->waitForExit(3s));
    EXPECT_EQ(program->exitCode(), 0u);
}

TEST_F(SnapshotLive, ClosingTheWindowByItsFrameDuringALoopEndsTheProgram) {
    click(window, childWithText(window, L"25"));
    ASSERT_TRUE(service->waitForCaptures(3, 10s));
    pressInTheWindow(L"alt+F4");
    ASSERT_TRUE(program->waitForExit(5s));
    const int captures = service->captures();
    velmora::test::pumpMessages(500ms);
    EXPECT_EQ(service->captures(), captures) << "no loop goes on after the window closed";
}

}  // namespace
