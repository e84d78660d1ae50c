// Forms built from a stored description, with the controls the programs use:
// command buttons, option buttons, labels, picture boxes and timers.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture_box.h"
#include "timer.h"

namespace velmora::runtime {

enum class BorderStyle { None, Sizable };
enum class ControlKind { CommandButton, OptionButton, Label, PictureBox, Timer };

inline constexpr int kWindowStateNormal = 0;
inline constexpr int kWindowStateMaximized = 2;

// Positions and sizes in twips, relative to the form's client area.
struct ControlDescription {
    std::wstring name{};
    ControlKind kind = ControlKind::Label;
    std::wstring caption{};
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int tabIndex = 0;
    UINT interval = 0;  // timers, in milliseconds
    bool enabled = true;
};

// RegisterHotKey's MOD_NOREPEAT, which Windows knows from version 7 on.
inline constexpr UINT kNoRepeatModifier = 0x4000;

// A system-wide key combination (RegisterHotKey modifiers and virtual key).
struct HotKey {
    UINT modifiers;
    UINT key;
};

struct FormDescription {
    std::wstring caption{};
    BorderStyle border = BorderStyle::Sizable;
    int clientWidth = 0;  // twips
    int clientHeight = 0;
    int windowState = kWindowStateNormal;
    std::vector<ControlDescription> controls{};
    // A key that closes the form from anywhere; for forms that take no input.
    std::optional<HotKey> closeHotKey{};
};

class Form {
public:
    explicit Form(FormDescription description);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Creates the window and its controls from the description, then raises
    // the load event. Called by the runtime when it starts the program.
    void load();

    HWND hWnd() const { return window_; }
    // The form's own device context: what is drawn on it shows at once.
    HDC hDC() const { return deviceContext_; }
    // Shows the form, modeless and without owner.
    void Show();
    int WindowState() const { return windowState_; }
    void setWindowState(int state);

    // The form a window of class VelmoraForm belongs to, or null.
    static Form* fromWindow(HWND window);
    // Moves the focus to the next (or previous) control in tab order. Tab
    // order is kept by the runtime, independently of which control is drawn
    // on top where controls overlap.
    void focusNextControl(bool forward);
    // Clicks the command button that has the focus, if one has it.
    void clickFocusedCommandButton();

    PictureBox& pictureBox(const std::wstring& name);
    Timer& timer(const std::wstring& name);
    // The window of a button, option button, label or picture box.
    HWND controlWindow(const std::wstring& name) const;

protected:
    virtual void Form_Load() {}
    // Handlers are bound by control name; each runs inside the event boundary.
    void onClick(const std::wstring& control, std::function<void()> handler);
    void onTimer(const std::wstring& timer, std::function<void()> handler);

private:
    struct Control {
        explicit Control(ControlDescription d) : description(std::move(d)) {}
        ControlDescription description;
        HWND window = nullptr;
        std::function<void()> handler;
        std::unique_ptr<PictureBox> pictureBox;
        std::unique_ptr<Timer> timer;
    };

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void createWindow();
    void createControl(Control& control, int id);
    void registerCloseHotKey(const HotKey& key);
    Control* controlById(int id);
    Control& controlNamed(const std::wstring& name, ControlKind kind);
    const Control* findControl(const std::wstring& name) const;
    void optionClicked(Control& option);
    void fitToMonitor(MINMAXINFO& limits) const;

    FormDescription description_;
    HWND window_ = nullptr;
    HDC deviceContext_ = nullptr;
    int windowState_;
    std::vector<Control> controls_;  // in tab order; ids follow the same order
    Control* selectedOption_ = nullptr;
    bool movingFocus_ = false;
};

}  // namespace velmora::runtime
