// In-process tests must never end the test program: while a test runs, the
// runtime's end of program is routed to a recorder, and an end that the test
// did not expect fails it.
#pragma once

#include <windows.h>

#include <vector>

namespace velmora::test {

// Exit codes the program tried to end with during the current test.
const std::vector<UINT>& recordedExits();

// Declares that the current test expects the program to end.
void expectProgramEnd();

}  // namespace velmora::test
