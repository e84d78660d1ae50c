#include "runtime_error.h"

#include <utility>

namespace velmora::runtime {
namespace {

std::string narrowed(std::int32_t number, const std::wstring& description) {
    std::string text = "run-time error " + std::to_string(number) + ": ";
    for (wchar_t c : description) text.push_back(c < 128 ? static_cast<char>(c) : '?');
    return text;
}

#ifdef _WIN32
std::wstring systemMessage(HRESULT code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}
#endif

}  // namespace

std::wstring runtimeErrorText(std::int32_t number) {
    static const std::pair<std::int32_t, const wchar_t*> texts[] = {
        {kInvalidProcedureCall, L"Invalid procedure call or argument"},
        {kOverflow, L"Overflow"},
        {kOutOfMemory, L"Out of memory"},
        {kSubscriptOutOfRange, L"Subscript out of range"},
        {kDivisionByZero, L"Division by zero"},
        {13, L"Type mismatch"},
        {28, L"Out of stack space"},
        {kErrorInLoadingDll, L"Error in loading DLL"},
        {49, L"Bad DLL calling convention"},
        {kInternalError, L"Internal error"},
        {kFileNotFound, L"File not found"},
        {70, L"Permission denied"},
        {kObjectNotSet, L"Object variable or With block variable not set"},
        {380, L"Invalid property value"},
        {381, L"Invalid property array index"},
        {424, L"Object required"},
        {438, L"Object doesn't support this property or method"},
        {kDllEntryPointNotFound, L"Specified DLL function not found"},
        {kInvalidClipboardFormat, L"Invalid Clipboard format"},
        {481, L"Invalid picture"},
        {kCannotOpenClipboard, L"Can't open Clipboard"},
    };
    for (const auto& [known, text] : texts) {
        if (known == number) return text;
    }
    return L"Application-defined or object-defined error";
}

RuntimeError::RuntimeError(std::int32_t number, std::wstring description)
    : number_(number), description_(std::move(description)), narrow_(narrowed(number_, description_)) {}

RuntimeError RuntimeError::numbered(std::int32_t number) { return {number, runtimeErrorText(number)}; }
RuntimeError RuntimeError::overflow() { return numbered(kOverflow); }
RuntimeError RuntimeError::subscriptOutOfRange() { return numbered(kSubscriptOutOfRange); }
RuntimeError RuntimeError::divisionByZero() { return numbered(kDivisionByZero); }
RuntimeError RuntimeError::outOfMemory() { return numbered(kOutOfMemory); }
RuntimeError RuntimeError::objectNotSet() { return numbered(kObjectNotSet); }

RuntimeError RuntimeError::fileNotFound(const std::wstring& file) {
    return {kFileNotFound, L"File not found: " + file};
}

RuntimeError RuntimeError::errorInLoadingDll(const std::wstring& file) {
    return {kErrorInLoadingDll, L"Error in loading DLL: " + file};
}

RuntimeError RuntimeError::entryPointNotFound(const std::wstring& entry, const std::wstring& library) {
    return {kDllEntryPointNotFound, L"Can't find DLL entry point " + entry + L" in " + library};
}

#ifdef _WIN32
RuntimeError RuntimeError::fromHresult(HRESULT code) {
    // Errors that an object raises with the runtime's own numbers come back
    // as those numbers and texts; any other failure code is reported as it is.
    if (HRESULT_FACILITY(code) == FACILITY_CONTROL) return numbered(HRESULT_CODE(code));
    const std::wstring detail = systemMessage(code);
    return {static_cast<std::int32_t>(code), detail.empty() ? L"Automation error" : L"Automation error\n" + detail};
}
#endif

}  // namespace velmora::runtime
