// Run-time errors: one exception type carrying the runtime's error numbers.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace velmora::runtime {

// The runtime's error numbers.
enum ErrorNumber : long {
    kInvalidProcedureCall = 5,
    kOverflow = 6,
    kOutOfMemory = 7,
    kSubscriptOutOfRange = 9,
    kDivisionByZero = 11,
    kErrorInLoadingDll = 48,
    kFileNotFound = 53,
    kDllEntryPointNotFound = 453,
    kInternalError = 51,
};

class RuntimeError : public std::exception {
public:
    RuntimeError(long number, std::wstring description);

    long number() const { return number_; }
    const std::wstring& description() const { return description_; }
    const char* what() const noexcept override { return narrow_.c_str(); }

    static RuntimeError overflow();
    static RuntimeError subscriptOutOfRange();
    static RuntimeError divisionByZero();
    static RuntimeError outOfMemory();
    static RuntimeError fileNotFound(const std::wstring& file);
    static RuntimeError errorInLoadingDll(const std::wstring& file);
    static RuntimeError entryPointNotFound(const std::wstring& entry, const std::wstring& library);
    // A failure code reported by an object access.
    static RuntimeError fromHresult(HRESULT code);

private:
    long number_;
    std::wstring description_;
    std::string narrow_;
};

// Raises the failure code of an object access as a run-time error.
inline void raiseOnFailure(HRESULT code) {
    if (FAILED(code)) throw RuntimeError::fromHresult(code);
}

// Converts a single-precision value to a 32-bit integer as the runtime does:
// to nearest, halves to the even neighbour; beyond the range (or not a
// number) raises the overflow error.
long roundToLong(float value);

// The quotient of two single-precision values, raising the division-by-zero
// error for x / 0 and the overflow error for 0 / 0 or a result beyond range.
float divideSingles(float dividend, float divisor);

}  // namespace velmora::runtime
