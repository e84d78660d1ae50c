// The run-time error a statement raises, for tests that look at its number
// and text.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime_error.h"

namespace velmora::test {

// The error `statement` raises; number 0 when it raises none.
inline runtime::RuntimeError errorOf(const std::function<void()>& statement) {
    try {
        statement();
    } catch (const runtime::RuntimeError& error) {
        return error;
    }
    return runtime::RuntimeError(0, L"no error");
}

inline std::int32_t errorNumberOf(const std::function<void()>& statement) { return errorOf(statement).number(); }

}  // namespace velmora::test
