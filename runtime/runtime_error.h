// Run-time errors: one exception type carrying the runtime's error numbers.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velmora::runtime {

// The runtime's error numbers.
enum ErrorNumber : std::int32_t {
    kInvalidProcedureCall = 5,
    kOverflow = 6,
    kOutOfMemory = 7,
    kSubscriptOutOfRange = 9,
    kDivisionByZero = 11,
    kErrorInLoadingDll = 48,
    kInternalError = 51,
    kFileNotFound = 53,
    kObjectNotSet = 91,
    kDllEntryPointNotFound = 453,
    kInvalidClipboardFormat = 460,
    kCannotOpenClipboard = 521,
};

// The runtime's text for one of its error numbers ("Overflow" for 6); a
// general text for a number it does not know.
std::wstring runtimeErrorText(std::int32_t number);

class RuntimeError : public std::exception {
public:
    RuntimeError(std::int32_t number, std::wstring description);

    std::int32_t number() const { return number_; }
    const std::wstring& description() const { return description_; }
    const char* what() const noexcept override { return narrow_.c_str(); }

    // An error with the runtime's own text for its number.
    static RuntimeError numbered(std::int32_t number);
    static RuntimeError overflow();
    static RuntimeError subscriptOutOfRange();
    static RuntimeError divisionByZero();
    static RuntimeError outOfMemory();
    // An object was used where there is none (a null picture, say).
    static RuntimeError objectNotSet();
    static RuntimeError fileNotFound(const std::wstring& file);
    static RuntimeError errorInLoadingDll(const std::wstring& file);
    static RuntimeError entryPointNotFound(const std::wstring& entry, const std::wstring& library);
#ifdef _WIN32
    // A failure code reported by an object access.
    static RuntimeError fromHresult(HRESULT code);
#endif

private:
    std::int32_t number_;
    std::wstring description_;
    std::string narrow_;
};

#ifdef _WIN32
// Raises the failure code of an object access as a run-time error.
inline void raiseOnFailure(HRESULT code) {
    if (FAILED(code)) throw RuntimeError::fromHresult(code);
}
#endif

}  // namespace velmora::runtime
