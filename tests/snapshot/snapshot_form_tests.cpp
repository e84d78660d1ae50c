// The snapshot program's Form1 in the test process: its description, its
// load event, the capture, one cycle, and the option loops, with the
// PrintScreen key's service and the pauses supplied through the bindings.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "application.h"
#include "bitmap_helpers.h"
#include "dib_header.h"
#include "exit_guard.h"
#include "message_box_recorder.h"
#include "message_window.h"
#include "picture.h"
#include "platform.h"
#include "runtime_error.h"
#include "snapshot_form.h"
#include "win_test_support.h"

namespace {

using namespace velmora::runtime;
using velmora::snapshot::Form1;

constexpr std::int32_t kStopLoop = 12345;  // a test's way out of an endless loop

std::vector<std::uint8_t> bitmapPixels(HBITMAP bitmap, int width, int height) {
    std::vector<std::uint8_t> pixels(4 * static_cast<std::size_t>(width) * height);
    BITMAPINFO info = dibHeader(width, height, 32);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return pixels;
}

bool clipboardHasBitmap() { return IsClipboardFormatAvailable(CF_BITMAP); }

// Plays the system's PrintScreen service: when the key goes down, a fresh
// bitmap of `width` x `height` random colours goes onto the clipboard.
class FakePrintScreenKey {
public:
    FakePrintScreenKey(HWND owner, int width, int height)
        : owner_(owner), width_(width), height_(height),
          key_(user32::keybd_event, [this](BYTE key, BYTE scan, DWORD flags, ULONG_PTR extra) {
              keys.push_back({key, scan, flags, extra});
              clipboardEmptyAtKeyPress = !clipboardHasBitmap();
              if (onKey) onKey();
              if (!available) return;
              lastImage = velmora::test::randomBottomUpPixels(width_, height_, static_cast<unsigned>(keys.size()));
              OpenClipboard(owner_);
              EmptyClipboard();
              SetClipboardData(CF_BITMAP, velmora::test::deviceDependentBitmap(width_, height_, lastImage));
              CloseClipboard();
          }) {}

    struct Key {
        BYTE key, scan;
        DWORD flags;
        ULONG_PTR extra;
    };
    std::vector<Key> keys;
    bool available = true;
    bool clipboardEmptyAtKeyPress = false;
    std::vector<std::uint8_t> lastImage;
    std::function<void()> onKey;

private:
    HWND owner_;
    int width_, height_;
    ScopedSubstitute<decltype(user32::keybd_event)> key_;
};

// Records the pauses and the stack depth at each, and ends the loop after
// `limit` pauses by raising an error the test catches.
class PauseRecorder {
public:
    explicit PauseRecorder(std::size_t limit)
        : sleep_(kernel32::Sleep, [this, limit](DWORD milliseconds) {
              const char marker = 0;
              stack.push_back(reinterpret_cast<std::uintptr_t>(&marker));
              pauses.push_back(milliseconds);
              if (pauses.size() >= limit) throw RuntimeError(kStopLoop, L"stop");
          }) {}

    std::vector<DWORD> pauses;
    std::vector<std::uintptr_t> stack;

private:
    ScopedSubstitute<decltype(kernel32::Sleep)> sleep_;
};

template <typename Loop>
void runUntilStopped(Loop loop) {
    try {
        loop();
        ADD_FAILURE() << "the loop ended by itself";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), kStopLoop);
    }
}

class SnapshotForm : public testing::Test {
protected:
    void SetUp() override {
        setApplicationTitle(L"Project1");
        form.load();
    }
    PictureBox& box() { return form.pictureBox(L"Picture1"); }
    HWND control(const wchar_t* name) { return form.controlWindow(name); }

    velmora::test::MessageBoxRecorder boxes;
    Form1 form;
};

TEST(SnapshotFormDescription, HasTheWindowAndControlsOfTheProgram) {
    const FormDescription form = velmora::snapshot::form1Description();
    EXPECT_EQ(form.caption, L"Velmora");
    EXPECT_EQ(form.border, BorderStyle::Sizable);
    EXPECT_EQ(form.clientWidth, 5685);
    EXPECT_EQ(form.clientHeight, 4935);
    std::ostringstream controls;
    for (const ControlDescription& c : form.controls) {
        controls << std::string(c.name.begin(), c.name.end()) << " " << static_cast<int>(c.kind) << " '"
                 << std::string(c.caption.begin(), c.caption.end()) << "' " << c.left << " " << c.top << " "
                 << c.width << " " << c.height << " " << c.tabIndex << "\n";
    }
    EXPECT_EQ(controls.str(),
              "Picture1 3 '' 120 240 5415 4455 0\n"
              "Command1 0 'Command1' 5280 4080 975 495 1\n"
              "Label1 2 'Sleep value:' 120 0 975 255 2\n"
              "Option1 1 '0' 1080 0 735 255 3\n"
              "Option2 1 '10' 1680 0 615 255 4\n"
              "Option3 1 '25' 2400 0 615 255 5\n"
              "Option4 1 '50' 3120 0 615 255 6\n"
              "Option5 1 '100' 3840 0 615 255 7\n"
              "Command2 0 '&Close' 4680 0 855 255 8\n");
}

TEST(SnapshotFormLoad, GivesThePictureBoxASizingBorderAndShowsTheWindow) {
    Form1 form;
    std::vector<std::string> calls;
    HWND styled = nullptr;
    ScopedSubstitute getLong(user32::GetWindowLongA, [&](HWND w, int index) {
        calls.push_back("GetWindowLongA(" + std::to_string(index) + ")");
        styled = w;
        return user32::GetWindowLongA.real()(w, index);
    });
    LONG before = 0, written = 0;
    ScopedSubstitute setLong(user32::SetWindowLongA, [&](HWND w, int index, LONG value) {
        calls.push_back("SetWindowLongA(" + std::to_string(index) + ")");
        before = user32::GetWindowLongA.real()(w, index);
        written = value;
        return user32::SetWindowLongA.real()(w, index, value);
    });
    HWND positioned = nullptr, after = nullptr;
    ScopedSubstitute position(user32::SetWindowPos, [&](HWND w, HWND a, int x, int y, int cx, int cy, UINT flags) {
        std::ostringstream call;
        call << "SetWindowPos(" << x << ", " << y << ", " << cx << ", " << cy << ", 0x" << std::hex << flags << ")";
        calls.push_back(call.str());
        positioned = w;
        after = a;
        return user32::SetWindowPos.real()(w, a, x, y, cx, cy, flags);
    });
    form.load();
    EXPECT_EQ(calls, (std::vector<std::string>{"GetWindowLongA(-16)", "SetWindowLongA(-16)",
                                               "SetWindowPos(0, 0, 0, 0, 0x27)"}));
    const HWND picture = form.controlWindow(L"Picture1");
    EXPECT_EQ(styled, picture);
    EXPECT_EQ(positioned, picture);
    EXPECT_EQ(after, form.hWnd());
    EXPECT_EQ(written, before | WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongPtrW(picture, GWL_STYLE) & WS_THICKFRAME);
    EXPECT_TRUE(IsWindowVisible(form.hWnd()));
    for (const wchar_t* option : {L"Option1", L"Option2", L"Option3", L"Option4", L"Option5"}) {
        EXPECT_EQ(SendMessageW(form.controlWindow(option), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    }
}

TEST_F(SnapshotForm, CaptureEmptiesTheClipboardPressesPrintScreenProcessesMessagesAndTakesTheBitmap) {
    const PictureObject previous = pictureOwningBitmap(
        velmora::test::deviceDependentBitmap(4, 4, velmora::test::randomBottomUpPixels(4, 4, 1)));
    box().setPicture(previous);
    OpenClipboard(form.hWnd());
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, velmora::test::deviceDependentBitmap(5, 5, velmora::test::randomBottomUpPixels(5, 5, 2)));
    CloseClipboard();

    FakePrintScreenKey service(form.hWnd(), 40, 30);
    // A message waiting after the key press is dispatched before the bitmap is taken.
    bool dispatched = false, pictureStillPrevious = false;
    velmora::test::MessageWindow probe([&] {
        dispatched = true;
        pictureStillPrevious = box().Picture().get() == previous.get();
    });
    service.onKey = [&] { probe.post(); };
    form.CaptureScreen();
    EXPECT_TRUE(dispatched);
    EXPECT_TRUE(pictureStillPrevious);
    ASSERT_EQ(service.keys.size(), 1u);
    EXPECT_EQ(service.keys[0].key, VK_SNAPSHOT);
    EXPECT_EQ(service.keys[0].scan, 0);
    EXPECT_EQ(service.keys[0].flags, 0u);
    EXPECT_EQ(service.keys[0].extra, 0u);
    EXPECT_TRUE(service.clipboardEmptyAtKeyPress);

    const HBITMAP shown = pictureBitmap(box().Picture().get());
    ASSERT_NE(shown, nullptr);
    EXPECT_NE(box().Picture().get(), previous.get());
    EXPECT_EQ(bitmapPixels(shown, 40, 30), service.lastImage);
    EXPECT_TRUE(clipboardHasBitmap()) << "the clipboard keeps the screen image";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SnapshotForm, ACaptureThatFailsKeepsThePreviousPictureAndSaysNothing) {
    const PictureObject previous = pictureOwningBitmap(
        velmora::test::deviceDependentBitmap(4, 4, velmora::test::randomBottomUpPixels(4, 4, 3)));
    box().setPicture(previous);
    FakePrintScreenKey service(form.hWnd(), 40, 30);
    service.available = false;
    service.onKey = [] { throw RuntimeError(5, L"the key could not be pressed"); };
    form.CaptureScreen();
    EXPECT_EQ(service.keys.size(), 1u);
    EXPECT_EQ(box().Picture().get(), previous.get());
    EXPECT_TRUE(boxes.shown.empty());
}

// Another program holding the clipboard open until it is told to let go.
class ClipboardHeldElsewhere {
public:
    ClipboardHeldElsewhere() : holder_([this] {
          OpenClipboard(nullptr);
          SetEvent(opened_);
          WaitForSingleObject(release_, INFINITE);
          CloseClipboard();
      }) {
        WaitForSingleObject(opened_, INFINITE);
    }
    ~ClipboardHeldElsewhere() { letGo(); }
    void letGo() {
        SetEvent(release_);
        if (holder_.joinable()) holder_.join();
    }

private:
    HANDLE opened_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder_;
};

TEST_F(SnapshotForm, EachStepOfTheCaptureRunsWhenTheOneBeforeItFailed) {
    const PictureObject previous = pictureOwningBitmap(
        velmora::test::deviceDependentBitmap(4, 4, velmora::test::randomBottomUpPixels(4, 4, 4)));
    box().setPicture(previous);
    FakePrintScreenKey service(form.hWnd(), 40, 30);

    // The clipboard cannot be emptied; the key is pressed all the same, and
    // the image it brings is taken.
    ClipboardHeldElsewhere held;
    service.onKey = [&] { held.letGo(); };
    form.CaptureScreen();
    ASSERT_EQ(service.keys.size(), 1u);
    EXPECT_EQ(bitmapPixels(pictureBitmap(box().Picture().get()), 40, 30), service.lastImage);

    // The key cannot be pressed; waiting messages are processed all the same,
    // and an image one of them brings is taken.
    service.available = false;
    const std::vector<std::uint8_t> brought = velmora::test::randomBottomUpPixels(6, 5, 5);
    velmora::test::MessageWindow bringer([&] {
        OpenClipboard(form.hWnd());
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, velmora::test::deviceDependentBitmap(6, 5, brought));
        CloseClipboard();
    });
    service.onKey = [&] {
        bringer.post();
        throw RuntimeError(5, L"the key could not be pressed");
    };
    form.CaptureScreen();
    EXPECT_EQ(bitmapPixels(pictureBitmap(box().Picture().get()), 6, 5), brought);
    EXPECT_TRUE(boxes.shown.empty());
}

// The gray the kernel gives with saturation 0: floor((max + min) / 2), but 128 for a sum of 255.
std::uint8_t lightnessGray(const std::uint8_t* pixel) {
    const int sum = std::max({pixel[0], pixel[1], pixel[2]}) + std::min({pixel[0], pixel[1], pixel[2]});
    return static_cast<std::uint8_t>(sum == 255 ? 128 : sum / 2);
}

TEST_F(SnapshotForm, OneCycleShowsTheGrayOfTheClipboardsImage) {
    FakePrintScreenKey service(form.hWnd(), 200, 120);
    form.Command1_Click();
    DIBSECTION shown{};
    ASSERT_EQ(GetObjectW(pictureBitmap(box().Picture().get()), sizeof(shown), &shown), static_cast<int>(sizeof(shown)));
    EXPECT_EQ(shown.dsBm.bmWidth, 200);
    EXPECT_EQ(shown.dsBm.bmHeight, 120);
    EXPECT_EQ(shown.dsBm.bmBitsPixel, 32);
    const auto* gray = static_cast<const std::uint8_t*>(shown.dsBm.bmBits);
    for (std::size_t i = 0; i < service.lastImage.size(); i += 4) {
        const std::uint8_t expected = lightnessGray(&service.lastImage[i]);
        ASSERT_TRUE(gray[i] == expected && gray[i + 1] == expected && gray[i + 2] == expected) << "pixel " << i / 4;
    }
    // The clipboard still holds the colour image.
    ASSERT_TRUE(OpenClipboard(nullptr));
    const auto clipboard = bitmapPixels(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), 200, 120);
    CloseClipboard();
    EXPECT_EQ(clipboard, service.lastImage);
    EXPECT_TRUE(boxes.shown.empty());
}

// The cycle reads the box's picture through GetDIBits (never the bitmap's own
// memory, even when the box shows a 32-bit DIB from the cycle before) and
// shows no message when the reader fails.
TEST_F(SnapshotForm, TheCycleReadsThroughGetDIBitsAndSaysNothingWhenReadingFails) {
    FakePrintScreenKey service(form.hWnd(), 32, 24);
    service.available = false;
    form.Command1_Click();  // no picture yet: the reader fails
    EXPECT_TRUE(boxes.shown.empty());

    service.available = true;
    form.Command1_Click();
    DIBSECTION shown{};
    ASSERT_EQ(GetObjectW(pictureBitmap(box().Picture().get()), sizeof(shown), &shown), static_cast<int>(sizeof(shown)));
    ASSERT_EQ(shown.dsBm.bmBitsPixel, 32);

    service.available = false;
    int reads = 0;
    ScopedSubstitute count(gdi32::GetDIBits, [&](HDC dc, HBITMAP b, UINT s, UINT n, LPVOID bits, LPBITMAPINFO i, UINT u) {
        ++reads;
        return gdi32::GetDIBits.real()(dc, b, s, n, bits, i, u);
    });
    form.Command1_Click();  // the gray picture of the cycle before, read again
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SnapshotForm, EachOptionPausesBeforeAndAfterEveryCycle) {
    FakePrintScreenKey service(form.hWnd(), 16, 8);
    const std::pair<void (Form1::*)(), DWORD> options[] = {
        {&Form1::Option1_Click, 1}, {&Form1::Option2_Click, 10}, {&Form1::Option3_Click, 25},
        {&Form1::Option4_Click, 50}, {&Form1::Option5_Click, 100}};
    for (const auto& [click, pause] : options) {
        PauseRecorder pauses(7);
        const std::size_t cyclesBefore = service.keys.size();
        runUntilStopped([&, click = click] { (form.*click)(); });
        EXPECT_EQ(pauses.pauses, std::vector<DWORD>(7, pause));
        EXPECT_EQ(service.keys.size() - cyclesBefore, 3u);  // pause, cycle, pause; three times, then the 7th pause
    }
}

// The pauses with the real Sleep: the time from one capture to the next is
// the (here short) cycle plus twice the option's pause, never less.
TEST_F(SnapshotForm, EachOptionReallyWaitsItsPauseTwiceAPass) {
    FakePrintScreenKey service(form.hWnd(), 16, 8);
    const std::pair<void (Form1::*)(), double> options[] = {
        {&Form1::Option1_Click, 1}, {&Form1::Option2_Click, 10}, {&Form1::Option3_Click, 25},
        {&Form1::Option4_Click, 50}, {&Form1::Option5_Click, 100}};
    double fastestPass[5];
    for (int i = 0; i < 5; ++i) {
        std::vector<std::chrono::steady_clock::time_point> captures;
        service.onKey = [&] { captures.push_back(std::chrono::steady_clock::now()); };
        int pausesLeft = 12;  // six passes
        const ScopedSubstitute realPauses(kernel32::Sleep, [&](DWORD milliseconds) {
            kernel32::Sleep.real()(milliseconds);
            if (--pausesLeft == 0) throw RuntimeError(kStopLoop, L"stop");
        });
        runUntilStopped([&, click = options[i].first] { (form.*click)(); });
        std::vector<double> passes;
        for (std::size_t k = 1; k < captures.size(); ++k) {
            passes.push_back(std::chrono::duration<double, std::milli>(captures[k] - captures[k - 1]).count());
        }
        ASSERT_EQ(passes.size(), 5u);
        fastestPass[i] = *std::min_element(passes.begin(), passes.end());
    }
    for (int i = 1; i < 5; ++i) {
        const double pauses = 2 * (options[i].second - options[0].second);
        EXPECT_GT(fastestPass[i] - fastestPass[0], 0.8 * pauses) << "option with " << options[i].second << " ms";
    }
}

TEST_F(SnapshotForm, TheOptionClickedLastSetsThePauseAndSwitchingKeepsTheStackFlat) {
    FakePrintScreenKey service(form.hWnd(), 16, 8);
    constexpr std::size_t kSwitches = 3000;
    service.onKey = [&] {
        // A user clicking another option while the cycle processes messages.
        const std::size_t cycle = service.keys.size();
        if (cycle <= kSwitches) PostMessageW(control(cycle % 2 ? L"Option4" : L"Option2"), BM_CLICK, 0, 0);
    };
    PauseRecorder pauses(2 * kSwitches + 20);
    runUntilStopped([&] { form.Option2_Click(); });
    ASSERT_GE(pauses.pauses.size(), 2 * kSwitches);
    // Cycle n (1-based) switches to Option4 when n is odd, to Option2 when even;
    // the pause after cycle n and before cycle n + 1 follow the switch.
    for (std::size_t n = 1; n <= kSwitches; ++n) {
        const DWORD expected = n % 2 ? 50 : 10;
        ASSERT_EQ(pauses.pauses[2 * n - 1], expected) << "after cycle " << n;
        ASSERT_EQ(pauses.pauses[2 * n], expected) << "before cycle " << n + 1;
    }
    for (std::size_t i = 2 * kSwitches + 1; i < pauses.pauses.size(); ++i) EXPECT_EQ(pauses.pauses[i], 10u);
    const auto [low, high] = std::minmax_element(pauses.stack.begin(), pauses.stack.end());
    EXPECT_EQ(*low, *high) << "the loop ran at more than one stack depth";
}

TEST_F(SnapshotForm, Command1DuringALoopRunsOneMoreCycleInside) {
    FakePrintScreenKey service(form.hWnd(), 16, 8);
    service.onKey = [&] {
        if (service.keys.size() == 2) PostMessageW(control(L"Command1"), BM_CLICK, 0, 0);
    };
    PauseRecorder pauses(6);
    runUntilStopped([&] { form.Option3_Click(); });
    // Cycles 1 and 2 of the loop, cycle 3 inside cycle 2, then the loop's cycle 3.
    EXPECT_EQ(pauses.pauses, std::vector<DWORD>(6, 25));
    EXPECT_EQ(service.keys.size(), 4u);
}

TEST_F(SnapshotForm, CloseEndsTheProgramEvenDuringALoop) {
    velmora::test::expectProgramEnd();
    SendMessageW(control(L"Command2"), BM_CLICK, 0, 0);
    EXPECT_EQ(velmora::test::recordedExits(), std::vector<UINT>{0});

    FakePrintScreenKey service(form.hWnd(), 16, 8);
    service.onKey = [&] { PostMessageW(control(L"Command2"), BM_CLICK, 0, 0); };
    PauseRecorder pauses(2);  // pause, cycle (with the click), pause: stop
    runUntilStopped([&] { form.Option1_Click(); });
    EXPECT_EQ(velmora::test::recordedExits(), (std::vector<UINT>{0, 0})) << "the click in the cycle ended the program";
}

// The windows of the test's thread, top-level and child (Wine's
// GetGuiResources reports no user objects, so they are counted here).
BOOL CALLBACK countWindow(HWND, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

BOOL CALLBACK countWindowAndChildren(HWND window, LPARAM counter) {
    countWindow(window, counter);
    EnumChildWindows(window, countWindow, counter);
    return TRUE;
}

int windowsOfThisThread() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindowAndChildren, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(SnapshotForm, ManyCyclesLeaveNoObjectsBehind) {
    FakePrintScreenKey service(form.hWnd(), 64, 48);
    std::set<HBITMAP> created;
    int dcsHeld = 0;
    ScopedSubstitute create(gdi32::CreateDIBSection, [&](HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                                         HANDLE s, DWORD o) {
        HBITMAP bitmap = gdi32::CreateDIBSection.real()(dc, info, usage, bits, s, o);
        created.insert(bitmap);
        return bitmap;
    });
    ScopedSubstitute getDC(user32::GetDC, [&](HWND w) {
        ++dcsHeld;
        return user32::GetDC.real()(w);
    });
    ScopedSubstitute releaseDC(user32::ReleaseDC, [&](HWND w, HDC dc) {
        --dcsHeld;
        return user32::ReleaseDC.real()(w, dc);
    });
    const int windowsBefore = windowsOfThisThread();
    for (int i = 0; i < 300; ++i) form.Command1_Click();
    EXPECT_EQ(windowsOfThisThread(), windowsBefore) << "user objects: windows";
    EXPECT_EQ(dcsHeld, 0);
    int live = 0;
    for (HBITMAP bitmap : created) live += velmora::test::isLiveGdiObject(bitmap) ? 1 : 0;
    EXPECT_EQ(live, 1) << "only the picture the box shows";
    EXPECT_GT(created.size(), 1u);
}

}  // namespace
