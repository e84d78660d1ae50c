// A record of the calls made through declared platform functions. Each
// function the log takes over goes to a handler of the test's (which may
// note the call and reach the platform through function.real()); when the
// log goes, every function gets back what it had before.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "declared_function.h"

namespace velmora::test {

class CallLog {
public:
    CallLog() = default;
    ~CallLog() {
        for (auto restore = restorers_.rbegin(); restore != restorers_.rend(); ++restore) (*restore)();
    }
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    // Notes every call of `function` as `name`, then makes the call.
    template <typename Result, typename... Args>
    void note(runtime::DeclaredFunction<Result(Args...)>& function, std::string name) {
        handle(function, [this, &function, name = std::move(name)](Args... args) {
            record(name);
            return function.real()(args...);
        });
    }

    // Sends every call of `function` to `handler` instead.
    template <typename Result, typename... Args>
    void handle(runtime::DeclaredFunction<Result(Args...)>& function,
                std::type_identity_t<std::function<Result(Args...)>> handler) {
        auto previous = function.substitute(std::move(handler));
        restorers_.push_back([&function, previous = std::move(previous)]() mutable {
            function.substitute(std::move(previous));
        });
    }

    void record(std::string call) { calls.push_back(std::move(call)); }
    std::size_t count(const std::string& call) const {
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
    }

    std::vector<std::string> calls;

private:
    std::vector<std::function<void()>> restorers_;
};

}  // namespace velmora::test
