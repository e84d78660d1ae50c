#include "exit_guard.h"

#include <gtest/gtest.h>

#include "platform.h"

namespace velmora::test {
namespace {

std::vector<UINT> exits;
bool endExpected = false;

class ExitGuard : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        exits.clear();
        endExpected = false;
        runtime::kernel32::ExitProcess.substitute([](UINT code) {
            exits.push_back(code);
            if (!endExpected) ADD_FAILURE() << "the program tried to end with exit code " << code;
        });
    }
    void OnTestEnd(const testing::TestInfo&) override { runtime::kernel32::ExitProcess.substitute(nullptr); }
};

const bool installed = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new ExitGuard);
    return true;
}();

}  // namespace

const std::vector<UINT>& recordedExits() { return exits; }
void expectProgramEnd() { endExpected = true; }

}  // namespace velmora::test
