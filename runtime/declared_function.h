// Platform functions declared by library name and entry name, bound on their
// first call and kept for the rest of the run. A test can substitute a
// binding (to inject a failure or record a call) without touching the code
// that makes the call.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

namespace velmora::runtime {

// How bindings load a library file: the system's LoadLibraryExW, or a test's
// stand-in (which reports failure as the system does, through SetLastError).
using LibraryLoader = std::function<HMODULE(const std::wstring& file, DWORD flags)>;

// Makes `loader` load the libraries of bindings made from now on (the
// system's again when empty) and returns the loader used before.
LibraryLoader substituteLibraryLoader(LibraryLoader loader);

// Finds a library and an entry point; the binding shared by every signature.
class FunctionBinding {
public:
    FunctionBinding(const char* library, const char* entry) : library_(library), entry_(entry) {}
    FunctionBinding(const FunctionBinding&) = delete;
    FunctionBinding& operator=(const FunctionBinding&) = delete;

    const char* library() const { return library_; }
    const char* entry() const { return entry_; }
    bool isBound() const { return address_ != nullptr; }
    // How many times the library was looked up; 1 for a binding that is kept.
    int resolutions() const { return resolutions_; }

protected:
    // The entry's address, looking it up on the first call. The library is
    // searched for in the program's folder and the system folder only, never
    // in the current directory or along PATH (by full path where the system
    // lacks the search flags that say so), and is never unloaded. Raises the
    // runtime's error for a missing library or entry.
    void* address();

private:
    const char* library_;
    const char* entry_;
    void* address_ = nullptr;
    int resolutions_ = 0;
};

template <typename Signature>
class DeclaredFunction;

// All platform functions the programs declare use the system's calling
// convention (stdcall on 32-bit Windows).
template <typename Result, typename... Args>
class DeclaredFunction<Result(Args...)> : public FunctionBinding {
public:
    using Pointer = Result(WINAPI*)(Args...);
    using Substitute = std::function<Result(Args...)>;

    using FunctionBinding::FunctionBinding;

    Result operator()(Args... args) {
        if (substitute_) return substitute_(args...);
        return real()(args...);
    }

    // The platform's own function, bound on first use.
    Pointer real() { return reinterpret_cast<Pointer>(address()); }

    // Routes calls to `replacement` (the real function again when empty) and
    // returns what calls went to before.
    Substitute substitute(Substitute replacement) { return std::exchange(substitute_, std::move(replacement)); }

private:
    Substitute substitute_;
};

// Replaces a binding for the lifetime of the guard, then puts back what was
// there before (tests).
template <typename Declared>
class ScopedSubstitute {
public:
    ScopedSubstitute(Declared& function, typename Declared::Substitute replacement)
        : function_(function), previous_(function.substitute(std::move(replacement))) {}
    ~ScopedSubstitute() { function_.substitute(std::move(previous_)); }
    ScopedSubstitute(const ScopedSubstitute&) = delete;
    ScopedSubstitute& operator=(const ScopedSubstitute&) = delete;

private:
    Declared& function_;
    typename Declared::Substitute previous_;
};

template <typename Declared>
ScopedSubstitute(Declared&, typename Declared::Substitute) -> ScopedSubstitute<Declared>;

}  // namespace velmora::runtime
