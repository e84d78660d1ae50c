// Form1 of the snapshot program: captures the screen through the clipboard
// into Picture1 and shows it gray, once (Command1) or in a loop with a pause
// (Option1 to Option5); Command2 ("&Close") ends the program.
#pragma once

#include <windows.h>

#include "form.h"

namespace velmora::snapshot {

runtime::FormDescription form1Description();

class Form1 : public runtime::Form {
public:
    Form1();

    // Puts a fresh image of the screen into Picture1's Picture; never fails.
    void CaptureScreen();
    // One cycle: capture, read, turn gray, show. Run-time errors go to the caller.
    void Command1_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Command2_Click();

protected:
    void Form_Load() override;

private:
    // Cycles without end, `pause` milliseconds before and after each. While a
    // loop runs, another option's click only changes the pause: the running
    // loop goes on with it and no earlier pause applies again, so switching
    // never deepens the call stack.
    void loopCycles(DWORD pause);

    DWORD loopPause_ = 0;
    bool loopRunning_ = false;
};

}  // namespace velmora::snapshot
