#include "declared_function.h"

#include "runtime_error.h"

namespace velmora::runtime {
namespace {

std::wstring widened(const char* text) { return std::wstring(text, text + strlen(text)); }

bool isNotFound(DWORD error) {
    return error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

LibraryLoader& libraryLoader() {
    static LibraryLoader loader;
    return loader;
}

HMODULE loadLibrary(const std::wstring& file, DWORD flags) {
    if (const LibraryLoader& substitute = libraryLoader()) return substitute(file, flags);
    return LoadLibraryExW(file.c_str(), nullptr, flags);
}

std::wstring programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(2 * path.size());
    }
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring systemFolder() {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

// The file name with ".dll" when it has no extension, as the system's search
// would add it.
std::wstring withExtension(const std::wstring& library) {
    const std::size_t name = library.find_last_of(L"\\/");
    const bool hasExtension = library.find(L'.', name == std::wstring::npos ? 0 : name) != std::wstring::npos;
    return hasExtension ? library : library + L".dll";
}

// Loads `library` from the program's folder or the system folder. Windows
// versions without the search flags refuse them with ERROR_INVALID_PARAMETER;
// there the same two folders are tried by full path.
HMODULE loadFromTrustedFolders(const std::wstring& library) {
    HMODULE module = loadLibrary(library, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    for (const std::wstring& folder : {programFolder(), systemFolder()}) {
        if (folder.empty()) continue;
        module = loadLibrary(folder + L"\\" + withExtension(library), LOAD_WITH_ALTERED_SEARCH_PATH);
        if (module || !isNotFound(GetLastError())) return module;
    }
    return nullptr;
}

}  // namespace

LibraryLoader substituteLibraryLoader(LibraryLoader loader) { return std::exchange(libraryLoader(), std::move(loader)); }

void* FunctionBinding::address() {
    if (address_) return address_;
    ++resolutions_;
    const std::wstring library = widened(library_);
    HMODULE module = loadFromTrustedFolders(library);
    if (!module) {
        if (isNotFound(GetLastError())) throw RuntimeError::fileNotFound(library);
        throw RuntimeError::errorInLoadingDll(library);
    }
    FARPROC entry = GetProcAddress(module, entry_);
    if (!entry) throw RuntimeError::entryPointNotFound(widened(entry_), library);
    address_ = reinterpret_cast<void*>(entry);
    return address_;
}

}  // namespace velmora::runtime
