// Forms from a stored description: geometry from twips, captions, controls
// and their events, timers that never overlap, the form's device context.
#include <gtest/gtest.h>

#include <vector>

#include "application.h"
#include "form.h"
#include "platform.h"
#include "screen.h"
#include "win_test_support.h"

namespace {

using namespace velmora::runtime;

FormDescription testFormDescription() {
    FormDescription form;
    form.caption = L"Velmora test form";
    form.clientWidth = 5685;
    form.clientHeight = 4935;
    form.controls = {
        {.name = L"Command2", .kind = ControlKind::CommandButton, .caption = L"&Close", .left = 4680, .top = 0,
         .width = 855, .height = 255, .tabIndex = 8},
        {.name = L"Picture1", .kind = ControlKind::PictureBox, .left = 120, .top = 240, .width = 5415,
         .height = 4455, .tabIndex = 0},
        {.name = L"Command1", .kind = ControlKind::CommandButton, .caption = L"Command1", .left = 5280,
         .top = 4080, .width = 975, .height = 495, .tabIndex = 1},
        {.name = L"Label1", .kind = ControlKind::Label, .caption = L"Sleep value:", .left = 120, .top = 0,
         .width = 975, .height = 255, .tabIndex = 2},
        {.name = L"Option1", .kind = ControlKind::OptionButton, .caption = L"0", .left = 1080, .top = 0,
         .width = 735, .height = 255, .tabIndex = 3},
        {.name = L"Option2", .kind = ControlKind::OptionButton, .caption = L"10", .left = 1680, .top = 0,
         .width = 615, .height = 255, .tabIndex = 4},
        {.name = L"tmrTest", .kind = ControlKind::Timer, .interval = 1, .enabled = false},
    };
    return form;
}

class TestForm : public Form {
public:
    TestForm() : Form(testFormDescription()) {
        onClick(L"Command1", [this] { ++command1Clicks; });
        onClick(L"Command2", [this] { ++command2Clicks; });
        onClick(L"Option1", [this] { ++option1Clicks; });
        onClick(L"Option2", [this] { ++option2Clicks; });
        onTimer(L"tmrTest", [this] {
            ++ticks;
            ++depth;
            maxDepth = std::max(maxDepth, depth);
            velmora::test::pumpMessages(std::chrono::milliseconds(3));  // lets further WM_TIMERs arrive
            doEvents();
            --depth;
        });
    }

    int loads = 0, command1Clicks = 0, command2Clicks = 0, option1Clicks = 0, option2Clicks = 0;
    int clicks() const { return command1Clicks + command2Clicks + option1Clicks + option2Clicks; }
    int ticks = 0, depth = 0, maxDepth = 0;

protected:
    void Form_Load() override { ++loads; }
};

RECT placeInParent(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class FormTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Screen::TwipsPerPixelX(), 15.0f) << "these tests assume 96 dots per inch";
        form.load();
        form.Show();
    }
    TestForm form;
};

TEST_F(FormTest, LoadRaisesTheLoadEventOnce) { EXPECT_EQ(form.loads, 1); }

TEST_F(FormTest, ClientAreaAndControlsArePlacedInPixelsFromTwips) {
    RECT client;
    GetClientRect(form.hWnd(), &client);
    EXPECT_EQ(client.right, 379);
    EXPECT_EQ(client.bottom, 329);
    struct Expected {
        const wchar_t* name;
        RECT rect;
    };
    const Expected expected[] = {
        {L"Picture1", {8, 16, 8 + 361, 16 + 297}}, {L"Command1", {352, 272, 352 + 65, 272 + 33}},
        {L"Label1", {8, 0, 8 + 65, 17}},          {L"Option1", {72, 0, 72 + 49, 17}},
        {L"Option2", {112, 0, 112 + 41, 17}},     {L"Command2", {312, 0, 312 + 57, 17}},
    };
    for (const Expected& e : expected) {
        const RECT actual = placeInParent(form.controlWindow(e.name));
        EXPECT_TRUE(EqualRect(&actual, &e.rect))
            << velmora::test::windowText(form.controlWindow(e.name)).size() << " " << actual.left << ","
            << actual.top << "," << actual.right << "," << actual.bottom;
    }
}

TEST_F(FormTest, CaptionsAndTabOrderFollowTheDescription) {
    EXPECT_EQ(velmora::test::windowText(form.hWnd()), L"Velmora test form");
    EXPECT_EQ(velmora::test::windowText(form.controlWindow(L"Command2")), L"&Close");
    EXPECT_EQ(velmora::test::windowText(form.controlWindow(L"Label1")), L"Sleep value:");
    // Tab moves the focus in tab order, whatever the drawing order.
    SetFocus(form.controlWindow(L"Picture1"));
    const wchar_t* order[] = {L"Command1", L"Option1", L"Option2", L"Command2", L"Picture1"};
    for (const wchar_t* next : order) {
        form.focusNextControl(true);
        EXPECT_EQ(GetFocus(), form.controlWindow(next)) << velmora::test::windowText(GetFocus()).size();
    }
    form.focusNextControl(false);
    EXPECT_EQ(GetFocus(), form.controlWindow(L"Command2"));
}

TEST_F(FormTest, WhereControlsOverlapTheLaterInTabOrderIsOnTop) {
    // Command1 overlaps the picture box's lower right corner.
    POINT overlap = {360, 290};
    EXPECT_EQ(ChildWindowFromPointEx(form.hWnd(), overlap, CWP_SKIPINVISIBLE), form.controlWindow(L"Command1"));
}

TEST_F(FormTest, ButtonClicksRaiseClickEvents) {
    SendMessageW(form.controlWindow(L"Command1"), BM_CLICK, 0, 0);
    SendMessageW(form.controlWindow(L"Command1"), BM_CLICK, 0, 0);
    EXPECT_EQ(form.command1Clicks, 2);
}

TEST_F(FormTest, OptionButtonsFormOneGroupWithNoneSelectedAtFirst) {
    const HWND option1 = form.controlWindow(L"Option1");
    const HWND option2 = form.controlWindow(L"Option2");
    EXPECT_EQ(SendMessageW(option1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(option2, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    SendMessageW(option1, BM_CLICK, 0, 0);
    EXPECT_EQ(form.option1Clicks, 1);
    EXPECT_EQ(SendMessageW(option1, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(option1, BM_CLICK, 0, 0);  // already selected: no new Click
    EXPECT_EQ(form.option1Clicks, 1);

    SendMessageW(option2, BM_CLICK, 0, 0);
    EXPECT_EQ(form.option2Clicks, 1);
    EXPECT_EQ(SendMessageW(option1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(option2, BM_GETCHECK, 0, 0), BST_CHECKED);
}

// Keys as a user presses them, processed by the runtime's message loop.
class FormKeyboardTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        SetForegroundWindow(form.hWnd());
        settle();
    }
    void press(WORD key, std::initializer_list<WORD> modifiers = {}) {
        velmora::test::pressKey(key, modifiers);
        settle();
    }
    void focus(const wchar_t* control) {
        SetFocus(form.controlWindow(control));
        settle();
    }
    HWND focused() const { return GetFocus(); }
    static void settle() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
        while (std::chrono::steady_clock::now() < end) {
            doEvents();
            Sleep(5);
        }
    }
};

TEST_F(FormKeyboardTest, EscapeClicksNothing) {
    for (const wchar_t* control : {L"Command1", L"Option1", L"Picture1", L"Command2"}) {
        focus(control);
        press(VK_ESCAPE);
    }
    EXPECT_EQ(form.clicks(), 0);
}

TEST_F(FormKeyboardTest, EnterClicksTheCommandButtonThatHasTheFocusAndNothingElse) {
    focus(L"Command1");
    press(VK_RETURN);
    EXPECT_EQ(form.command1Clicks, 1);
    for (const wchar_t* control : {L"Option1", L"Picture1"}) {
        focus(control);
        press(VK_RETURN);
    }
    EXPECT_EQ(form.clicks(), 1);
    focus(L"Option2");
    press(VK_SPACE);
    EXPECT_EQ(form.option2Clicks, 1) << "Space clicks the option button that has the focus";
}

TEST_F(FormKeyboardTest, AccessKeysNeedAlt) {
    for (const wchar_t* control : {L"Command1", L"Option1", L"Picture1"}) {
        focus(control);
        press('C');
    }
    EXPECT_EQ(form.clicks(), 0) << "a plain letter is no access key";
    press('C', {VK_MENU});
    EXPECT_EQ(form.command2Clicks, 1) << "Alt+C clicks \"&Close\"";
}

// On Windows an option button reports a click when it gets the focus and is
// not selected; Wine's do not, so the tests' option buttons are made to.
LRESULT CALLBACK clickOnFocus(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(window, L"VelmoraOriginalProcedure"));
    const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
    if (message == WM_SETFOCUS && SendMessageW(window, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                     reinterpret_cast<LPARAM>(window));
    }
    return result;
}

TEST_F(FormKeyboardTest, TabAndShiftTabMoveTheFocusInTabOrderAndClickNothing) {
    for (const wchar_t* option : {L"Option1", L"Option2"}) {
        const HWND window = form.controlWindow(option);
        SetPropW(window, L"VelmoraOriginalProcedure", reinterpret_cast<HANDLE>(GetWindowLongPtrW(window, GWLP_WNDPROC)));
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(clickOnFocus));
    }
    focus(L"Picture1");
    const std::vector<const wchar_t*> tabOrder = {L"Command1", L"Option1", L"Option2", L"Command2", L"Picture1"};
    for (std::size_t i = 0; i < tabOrder.size(); ++i) {
        press(VK_TAB);
        EXPECT_EQ(focused(), form.controlWindow(tabOrder[i])) << "after Tab number " << i + 1;
    }
    for (std::size_t i = tabOrder.size() - 1; i-- > 0;) {
        press(VK_TAB, {VK_SHIFT});
        EXPECT_EQ(focused(), form.controlWindow(tabOrder[i])) << "Shift+Tab back to stop " << i + 1;
    }
    EXPECT_EQ(form.clicks(), 0);
    SendMessageW(form.controlWindow(L"Option1"), BM_CLICK, 0, 0);
    EXPECT_EQ(form.option1Clicks, 1) << "a click still selects";
}

TEST_F(FormTest, TimerTicksNeverOverlap) {
    Timer& timer = form.timer(L"tmrTest");
    EXPECT_EQ(timer.Interval(), 1u);
    EXPECT_FALSE(timer.Enabled());
    timer.setEnabled(true);
    velmora::test::pumpMessages(std::chrono::milliseconds(300));
    timer.setEnabled(false);
    EXPECT_GE(form.ticks, 3);
    EXPECT_EQ(form.maxDepth, 1);
}

TEST_F(FormTest, DrawingOnTheFormsDeviceContextShowsAtOnce) {
    velmora::test::pumpMessages(std::chrono::milliseconds(300));  // until the window is mapped and painted
    const RECT square = {370, 315, 378, 328};  // a corner that no control covers
    HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
    FillRect(form.hDC(), &square, brush);
    DeleteObject(brush);
    velmora::test::pumpMessages(std::chrono::milliseconds(100));  // Wine shows window surfaces from its loop
    POINT corner = {374, 320};
    ClientToScreen(form.hWnd(), &corner);
    const auto pixels = velmora::test::readScreen({corner.x, corner.y, corner.x + 1, corner.y + 1});
    EXPECT_EQ(pixels.pixel(0, 0)[0], 30);
    EXPECT_EQ(pixels.pixel(0, 0)[1], 200);
    EXPECT_EQ(pixels.pixel(0, 0)[2], 10);
}

TEST(FormWindowState, AMaximisedFormShowsMaximised) {
    Form form(FormDescription{.caption = L"Velmora maximised form", .clientWidth = 720, .clientHeight = 645});
    form.load();
    form.setWindowState(kWindowStateMaximized);
    EXPECT_EQ(form.WindowState(), kWindowStateMaximized);
    form.Show();
    velmora::test::pumpMessages(std::chrono::milliseconds(200));
    EXPECT_TRUE(IsZoomed(form.hWnd()));
}

TEST(FormHotKey, TheCloseKeyClosesTheForm) {
    Form form(FormDescription{.caption = L"Velmora hot key form", .clientWidth = 720, .clientHeight = 645,
                              .closeHotKey = HotKey{MOD_CONTROL | MOD_ALT, 'Q'}});
    form.load();
    form.Show();
    const HWND window = form.hWnd();
    velmora::test::pressKey('Q', {VK_CONTROL, VK_MENU});
    velmora::test::pumpMessages(std::chrono::milliseconds(300));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(form.hWnd(), nullptr);
}

// Registering the close key where the system refuses MOD_NOREPEAT (before
// Windows 7), and where another program holds the key.
struct HotKeyRegistration {
    UINT modifiers;
    UINT key;
};

class RefusedHotKeys {
public:
    explicit RefusedHotKeys(DWORD refusal, bool refuseOnlyNoRepeat)
        : binding_(user32::RegisterHotKey, [=, this](HWND window, int id, UINT modifiers, UINT key) {
              calls.push_back({modifiers, key});
              if (refuseOnlyNoRepeat && !(modifiers & kNoRepeatModifier)) {
                  return user32::RegisterHotKey.real()(window, id, modifiers, key);
              }
              SetLastError(refusal);
              return FALSE;
          }) {}
    std::vector<HotKeyRegistration> calls;

private:
    ScopedSubstitute<decltype(user32::RegisterHotKey)> binding_;
};

TEST(FormHotKey, WhereTheSystemRefusesNoRepeatTheKeyIsRegisteredWithoutIt) {
    RefusedHotKeys system(ERROR_INVALID_PARAMETER, true);
    Form form(FormDescription{.caption = L"Velmora hot key form", .clientWidth = 720, .clientHeight = 645,
                              .closeHotKey = HotKey{MOD_CONTROL | MOD_ALT, 'Q'}});
    form.load();
    form.Show();
    ASSERT_EQ(system.calls.size(), 2u);
    EXPECT_EQ(system.calls[0].modifiers, MOD_CONTROL | MOD_ALT | kNoRepeatModifier);
    EXPECT_EQ(system.calls[1].modifiers, static_cast<UINT>(MOD_CONTROL | MOD_ALT));
    const HWND window = form.hWnd();
    velmora::test::pressKey('Q', {VK_CONTROL, VK_MENU});
    velmora::test::pumpMessages(std::chrono::milliseconds(300));
    EXPECT_FALSE(IsWindow(window)) << "the key registered without MOD_NOREPEAT closes the form";
}

TEST(FormHotKey, AKeyHeldByAnotherProgramLeavesTheFormRunningAndClosableFromItsTaskbarButton) {
    RefusedHotKeys system(ERROR_HOTKEY_ALREADY_REGISTERED, false);
    Form form(FormDescription{.caption = L"Velmora hot key form", .border = BorderStyle::None, .clientWidth = 720,
                              .clientHeight = 645, .closeHotKey = HotKey{MOD_CONTROL | MOD_ALT, 'Q'}});
    form.load();
    form.Show();
    EXPECT_EQ(system.calls.size(), 1u) << "a key another program holds is not asked for again";
    const HWND window = form.hWnd();
    ASSERT_TRUE(IsWindowVisible(window));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // what the taskbar button's Close sends
    velmora::test::pumpMessages(std::chrono::milliseconds(300));
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
