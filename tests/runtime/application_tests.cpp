// Program-wide services: message boxes, default handling of unhandled errors,
// error suppression, the end of the program, and one pass of message processing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "application.h"
#include "exit_guard.h"
#include "message_box_recorder.h"
#include "message_window.h"
#include "platform.h"

namespace {

using namespace velmora::runtime;
using velmora::test::MessageBoxRecorder;
using velmora::test::MessageWindow;

TEST(MessageBox, ShowsTheTextWithOkOnlyCaptionedWithTheApplicationTitle) {
    MessageBoxRecorder boxes;
    setApplicationTitle(L"Project1");
    messageBox(L"Gerätekontext konnte nicht erzeugt werden");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, L"Ger\u00e4tekontext konnte nicht erzeugt werden");
    EXPECT_EQ(boxes.shown[0].caption, L"Project1");
    EXPECT_EQ(boxes.shown[0].type, 0u);  // OK only, no icon
}

TEST(DefaultHandling, ShowsAnUnhandledErrorAndEndsTheProgram) {
    MessageBoxRecorder boxes;
    velmora::test::expectProgramEnd();
    setApplicationTitle(L"sorvel");
    bool after = false;
    runEventHandler([&] {
        throw RuntimeError::fileNotFound(L"Grayscale.dll");
        after = true;
    });
    EXPECT_FALSE(after);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, L"Run-time error '53':\n\nFile not found: Grayscale.dll");
    EXPECT_EQ(boxes.shown[0].caption, L"sorvel");
    EXPECT_EQ(velmora::test::recordedExits(), std::vector<UINT>{1});
}

TEST(DefaultHandling, CatchesEveryKindOfExceptionAtTheBoundary) {
    MessageBoxRecorder boxes;
    velmora::test::expectProgramEnd();
    runEventHandler([] { throw std::bad_alloc(); });
    runEventHandler([] { throw 42; });
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, L"Run-time error '7':\n\nOut of memory");
    EXPECT_EQ(boxes.shown[1].text.rfind(L"Run-time error '51':", 0), 0u);
    EXPECT_EQ(velmora::test::recordedExits().size(), 2u);
}

TEST(DefaultHandling, AHandlerWithoutErrorsEndsNothing) {
    MessageBoxRecorder boxes;
    int runs = 0;
    runEventHandler([&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(velmora::test::recordedExits().empty());
}

TEST(End, EndsTheProcessAtOnce) {
    velmora::test::expectProgramEnd();
    endProgram();
    EXPECT_EQ(velmora::test::recordedExits(), std::vector<UINT>{0});
}

TEST(ResumeNext, AFailingStatementIsAbandonedAndTheNextOneRuns) {
    std::vector<int> ran;
    resumeNext([&] { ran.push_back(1); throw RuntimeError::overflow(); ran.push_back(99); },
               [&] { ran.push_back(2); },
               [&] { throw RuntimeError::subscriptOutOfRange(); },
               [&] { ran.push_back(4); });
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 4}));
}

TEST(DoEvents, DispatchesEveryWaitingMessageAndReturns) {
    int received = 0;
    MessageWindow counter([&] { ++received; });
    for (int i = 0; i < 5; ++i) counter.post();
    doEvents();
    EXPECT_EQ(received, 5);
    MSG left;
    EXPECT_FALSE(PeekMessageW(&left, counter.window, WM_APP, WM_APP, PM_NOREMOVE));
}

TEST(DoEvents, ReturnsEvenWhileNewMessagesKeepArriving) {
    int received = 0;
    bool repost = true;
    MessageWindow counter([&] {
        ++received;
        if (repost) PostMessageW(counter.window, WM_APP, 0, 0);
    });
    counter.post();
    const DWORD started = GetTickCount();
    doEvents();
    EXPECT_LT(GetTickCount() - started, 2000u);
    EXPECT_GE(received, 1);
    repost = false;
    MSG drained;
    while (PeekMessageW(&drained, counter.window, WM_APP, WM_APP, PM_REMOVE)) {
    }
}

}  // namespace
