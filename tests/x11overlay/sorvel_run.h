// Running the sorvel program under test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "virtual_display.h"

namespace velmora::test {

using namespace std::chrono_literals;

inline const std::string kSorvelProgram = SORVEL_PROGRAM;
inline constexpr auto kShowTimeout = 5s;  // generous: a loaded machine may be slow to start anything

// Starts sorvel on `display` and waits until it has painted the screen in
// gray for the first time (it says so on its standard output).
inline std::unique_ptr<ChildProcess> startSorvel(const std::string& display) {
    auto sorvel = std::make_unique<ChildProcess>(std::vector<std::string>{kSorvelProgram}, display);
    EXPECT_TRUE(sorvel->waitForOutput("sorvel: showing", 10s))
        << "sorvel did not start; it wrote: " << sorvel->errors();
    return sorvel;
}

}  // namespace velmora::test
