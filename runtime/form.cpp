#include "form.h"

#include <algorithm>
#include <utility>

#include "application.h"
#include "handles.h"
#include "platform.h"
#include "screen.h"

namespace velmora::runtime {
namespace {

constexpr wchar_t kFormClass[] = L"VelmoraForm";
constexpr int kCloseHotKeyId = 1;
// Control ids start above the ones the dialog manager gives a meaning to
// (IDOK 1 for Enter, IDCANCEL 2 for Escape, up to IDCONTINUE 11), so that no
// key stands in for a click on a control.
constexpr int kFirstControlId = 100;

void registerFormClass(WNDPROC formProcedure) {
    static const bool registered = [formProcedure] {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW form{};
        form.cbSize = sizeof(form);
        form.style = CS_OWNDC | CS_DBLCLKS;  // an own DC: hDC stays valid and shows at once
        form.lpfnWndProc = formProcedure;
        form.hInstance = instance;
        form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        form.lpszClassName = kFormClass;
        return RegisterClassExW(&form) != 0;
    }();
    (void)registered;
}

// The controls' font: 8-point MS Sans Serif at the screen's resolution.
HFONT controlFont() {
    static const HFONT font = [] {
        const int height = -MulDiv(8, GetDeviceCaps(WindowDC::screen().get(), LOGPIXELSY), 72);
        return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
    }();
    return font;
}

DWORD formStyle(BorderStyle border) {
    // A borderless form keeps a system menu so that its taskbar button can close it.
    return border == BorderStyle::None ? WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN
                                       : WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}

DWORD formExtendedStyle(BorderStyle border) {
    return WS_EX_CONTROLPARENT | (border == BorderStyle::None ? WS_EX_APPWINDOW : 0);
}

}  // namespace

Form::Form(FormDescription description)
    : description_(std::move(description)), windowState_(description_.windowState) {
    std::stable_sort(description_.controls.begin(), description_.controls.end(),
                     [](const ControlDescription& a, const ControlDescription& b) { return a.tabIndex < b.tabIndex; });
    for (const ControlDescription& control : description_.controls) controls_.emplace_back(control);
}

Form::~Form() {
    if (window_) DestroyWindow(window_);
}

void Form::load() {
    if (!window_) createWindow();
    Form_Load();
}

void Form::createWindow() {
    registerFormClass(windowProcedure);
    const DWORD style = formStyle(description_.border);
    const DWORD extendedStyle = formExtendedStyle(description_.border);
    RECT frame = {0, 0, Screen::pixelsFromTwipsX(description_.clientWidth),
                  Screen::pixelsFromTwipsY(description_.clientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
    // Forms open in the middle of the screen.
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateWindowExW(extendedStyle, kFormClass, description_.caption.c_str(), style, left, top, width, height, nullptr,
                    nullptr, GetModuleHandleW(nullptr), this);
    if (!window_) throw RuntimeError::outOfMemory();
    // The window's own device context (its class has CS_OWNDC): it lives as
    // long as the window and is never released.
    deviceContext_ = GetDC(window_);
    registerForm(window_);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        createControl(controls_[i], kFirstControlId + static_cast<int>(i));
    }
    if (description_.closeHotKey) registerCloseHotKey(*description_.closeHotKey);
}

void Form::registerCloseHotKey(const HotKey& key) {
    // Without auto-repeat, so that holding the keys closes once; systems
    // before Windows 7 do not know that flag and refuse it. A key that another
    // program holds stays with it: the form then closes from its taskbar
    // button only.
    if (user32::RegisterHotKey(window_, kCloseHotKeyId, key.modifiers | kNoRepeatModifier, key.key)) return;
    if (GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED) return;
    user32::RegisterHotKey(window_, kCloseHotKeyId, key.modifiers, key.key);
}

void Form::createControl(Control& control, int id) {
    const ControlDescription& d = control.description;
    if (d.kind == ControlKind::Timer) {
        control.timer = std::make_unique<Timer>(window_, static_cast<UINT_PTR>(id), d.interval, d.enabled);
        return;
    }
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD extendedStyle = 0;
    const wchar_t* windowClass = L"BUTTON";
    const bool firstOption = d.kind == ControlKind::OptionButton &&
                             std::none_of(controls_.begin(), controls_.end(), [&](const Control& other) {
                                 return other.window && other.description.kind == ControlKind::OptionButton;
                             });
    switch (d.kind) {
        case ControlKind::CommandButton:
            style |= BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;
            break;
        case ControlKind::OptionButton:
            // The runtime keeps the group itself (see optionClicked).
            style |= BS_RADIOBUTTON | WS_TABSTOP | (firstOption ? WS_GROUP : 0);
            break;
        case ControlKind::Label:
            windowClass = L"STATIC";
            style |= SS_LEFTNOWORDWRAP | WS_GROUP;
            break;
        case ControlKind::PictureBox:
            windowClass = PictureBox::windowClass();
            style |= WS_TABSTOP | WS_GROUP;
            extendedStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Timer:
            break;
    }
    control.window = CreateWindowExW(
        extendedStyle, windowClass, d.caption.c_str(), style, Screen::pixelsFromTwipsX(d.left),
        Screen::pixelsFromTwipsY(d.top), Screen::pixelsFromTwipsX(d.width), Screen::pixelsFromTwipsY(d.height),
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!control.window) throw RuntimeError::outOfMemory();
    // Where controls overlap, the later one in tab order is drawn on top.
    SetWindowPos(control.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont()), FALSE);
    if (d.kind == ControlKind::PictureBox) control.pictureBox = std::make_unique<PictureBox>(control.window);
}

void Form::Show() {
    ShowWindow(window_, windowState_ == kWindowStateMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    UpdateWindow(window_);
}

void Form::setWindowState(int state) {
    windowState_ = state;
    if (window_ && IsWindowVisible(window_)) {
        ShowWindow(window_, state == kWindowStateMaximized ? SW_MAXIMIZE : state == 1 ? SW_MINIMIZE : SW_RESTORE);
    }
}

const Form::Control* Form::findControl(const std::wstring& name) const {
    const auto found = std::find_if(controls_.begin(), controls_.end(),
                                    [&](const Control& control) { return control.description.name == name; });
    return found == controls_.end() ? nullptr : &*found;
}

Form::Control& Form::controlNamed(const std::wstring& name, ControlKind kind) {
    const Control* control = findControl(name);
    if (!control || control->description.kind != kind) {
        throw RuntimeError(kInternalError, L"The form has no control " + name + L" of that kind");
    }
    return const_cast<Control&>(*control);
}

PictureBox& Form::pictureBox(const std::wstring& name) {
    Control& control = controlNamed(name, ControlKind::PictureBox);
    if (!control.pictureBox) throw RuntimeError(kInternalError, L"The form is not loaded");
    return *control.pictureBox;
}

Timer& Form::timer(const std::wstring& name) {
    Control& control = controlNamed(name, ControlKind::Timer);
    if (!control.timer) throw RuntimeError(kInternalError, L"The form is not loaded");
    return *control.timer;
}

HWND Form::controlWindow(const std::wstring& name) const {
    const Control* control = findControl(name);
    return control ? control->window : nullptr;
}

void Form::onClick(const std::wstring& control, std::function<void()> handler) {
    Control* found = const_cast<Control*>(findControl(control));
    if (!found || (found->description.kind != ControlKind::CommandButton &&
                   found->description.kind != ControlKind::OptionButton)) {
        throw RuntimeError(kInternalError, L"The form has no button " + control);
    }
    found->handler = std::move(handler);
}

void Form::onTimer(const std::wstring& timerName, std::function<void()> handler) {
    controlNamed(timerName, ControlKind::Timer).handler = std::move(handler);
}

Form::Control* Form::controlById(int id) {
    const int index = id - kFirstControlId;
    return index >= 0 && static_cast<std::size_t>(index) < controls_.size() ? &controls_[index] : nullptr;
}

Form* Form::fromWindow(HWND window) {
    if (!window) return nullptr;
    wchar_t name[32];
    if (!GetClassNameW(window, name, 32) || std::wstring(name) != kFormClass) return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Form::optionClicked(Control& option) {
    // Click is raised when an option becomes the selected one, not when the
    // selected option is clicked again.
    if (selectedOption_ == &option) return;
    selectedOption_ = &option;
    for (Control& control : controls_) {
        if (control.description.kind == ControlKind::OptionButton) {
            SendMessageW(control.window, BM_SETCHECK, &control == &option ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    if (option.handler) runEventHandler(option.handler);
}

void Form::fitToMonitor(MINMAXINFO& limits) const {
    // A borderless form maximises over the whole monitor, not only its work area.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    limits.ptMaxPosition = {monitor.rcMonitor.left - monitor.rcWork.left, monitor.rcMonitor.top - monitor.rcWork.top};
    limits.ptMaxSize = {monitor.rcMonitor.right - monitor.rcMonitor.left,
                        monitor.rcMonitor.bottom - monitor.rcMonitor.top};
}

LRESULT CALLBACK Form::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form) return DefWindowProcW(window, message, wParam, lParam);
    return form->handleMessage(message, wParam, lParam);
}

LRESULT Form::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                if (Control* control = controlById(LOWORD(wParam))) {
                    if (control->description.kind == ControlKind::OptionButton) {
                        if (!movingFocus_) optionClicked(*control);
                    } else if (control->handler) {
                        runEventHandler(control->handler);
                    }
                }
                return 0;
            }
            break;
        case WM_TIMER:
            if (Control* control = controlById(static_cast<int>(wParam)); control && control->timer) {
                control->timer->tick(control->handler);
                return 0;
            }
            break;
        case WM_HOTKEY:
            if (wParam == kCloseHotKeyId) PostMessageW(window_, WM_CLOSE, 0, 0);
            return 0;
        case WM_GETMINMAXINFO:
            if (description_.border == BorderStyle::None) {
                fitToMonitor(*reinterpret_cast<MINMAXINFO*>(lParam));
                return 0;
            }
            break;
        case WM_DESTROY:
            if (description_.closeHotKey) UnregisterHotKey(window_, kCloseHotKeyId);
            for (Control& control : controls_) control.timer.reset();
            unregisterForm(window_);
            break;
        case WM_NCDESTROY: {
            const HWND window = std::exchange(window_, nullptr);
            deviceContext_ = nullptr;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            return DefWindowProcW(window, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace velmora::runtime
