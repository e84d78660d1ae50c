#include "declared_function.h"

#include "runtime_error.h"

namespace velmora::runtime {
namespace {

std::wstring widened(const char* text) { return std::wstring(text, text + strlen(text)); }

}  // namespace

void* FunctionBinding::address() {
    if (address_) return address_;
    ++resolutions_;
    const std::wstring library = widened(library_);
    HMODULE module = LoadLibraryExW(library.c_str(), nullptr,
                                    LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) {
        const DWORD error = GetLastError();
        if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            throw RuntimeError::fileNotFound(library);
        }
        throw RuntimeError::errorInLoadingDll(library);
    }
    FARPROC entry = GetProcAddress(module, entry_);
    if (!entry) throw RuntimeError::entryPointNotFound(widened(entry_), library);
    address_ = reinterpret_cast<void*>(entry);
    return address_;
}

}  // namespace velmora::runtime
