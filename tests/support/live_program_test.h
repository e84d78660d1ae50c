// Tests of a program run as its own process, as a user meets it: over the
// colour scene, which is up before each test; the program and the scene end
// with the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "win_test_support.h"

namespace velmora::test {

class LiveProgramTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scene.started());
        ASSERT_NE(waitForWindow(scene.id(), L"", L"Velmora colour scene", std::chrono::seconds(10)), nullptr);
    }

    // Starts `file` from the test program's folder, with that folder as its
    // current directory, and waits for its window of `windowClass` titled
    // `caption`; null when the window does not come within ten seconds.
    HWND startProgram(const std::wstring& file, const std::wstring& windowClass, const std::wstring& caption) {
        program = std::make_unique<ChildProcess>(besideTheTests(file), L"", executableDirectory());
        return waitForWindow(program->id(), windowClass, caption, std::chrono::seconds(10));
    }

    ChildProcess scene{besideTheTests(L"colour_scene.exe")};
    std::unique_ptr<ChildProcess> program;
};

}  // namespace velmora::test
