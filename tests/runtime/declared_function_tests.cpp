// Declared functions: bound by name on the first call and kept, errors at the
// call for a missing library or entry, a search that never looks in the
// current directory, and substitution.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "declared_function.h"
#include "error_of.h"
#include "runtime_error.h"
#include "win_test_support.h"

namespace {

using velmora::runtime::DeclaredFunction;
using velmora::runtime::RuntimeError;
using velmora::runtime::ScopedSubstitute;

using velmora::test::errorOf;

// A copy of Grayscale.dll named `file` in a folder of its own, made the
// current directory for the object's lifetime.
class LibraryPlantedInTheCurrentDirectory {
public:
    explicit LibraryPlantedInTheCurrentDirectory(const std::wstring& file) {
        CopyFileW(velmora::test::besideTheTests(L"Grayscale.dll").c_str(), folder_.file(file).c_str(), FALSE);
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(folder_.path().c_str());
    }
    ~LibraryPlantedInTheCurrentDirectory() { SetCurrentDirectoryW(previous_); }

private:
    velmora::test::TemporaryDirectory folder_;
    wchar_t previous_[MAX_PATH] = {};
};

TEST(DeclaredFunction, BindsOnTheFirstCallAndKeepsTheBinding) {
    DeclaredFunction<DWORD()> getTickCount{"kernel32", "GetTickCount"};
    EXPECT_FALSE(getTickCount.isBound());
    EXPECT_EQ(getTickCount.resolutions(), 0);
    for (int i = 0; i < 100; ++i) getTickCount();
    EXPECT_TRUE(getTickCount.isBound());
    EXPECT_EQ(getTickCount.resolutions(), 1);
    EXPECT_EQ(reinterpret_cast<void*>(getTickCount.real()),
              reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "GetTickCount")));
}

TEST(DeclaredFunction, AMissingLibraryRaisesFileNotFoundAtTheCall) {
    DeclaredFunction<int(int)> missing{"velmora_no_such_library.dll", "Anything"};
    const RuntimeError error = errorOf([&] { missing(1); });
    EXPECT_EQ(error.number(), 53);
    EXPECT_EQ(error.description(), L"File not found: velmora_no_such_library.dll");
    EXPECT_FALSE(missing.isBound());
    EXPECT_EQ(errorOf([&] { missing(1); }).number(), 53);  // raised again at the next call
}

TEST(DeclaredFunction, AMissingEntryRaisesEntryPointNotFound) {
    DeclaredFunction<int()> missing{"Grayscale.dll", "ConvertToColour"};
    const RuntimeError error = errorOf([&] { missing(); });
    EXPECT_EQ(error.number(), 453);
    EXPECT_EQ(error.description(), L"Can't find DLL entry point ConvertToColour in Grayscale.dll");
}

TEST(DeclaredFunction, FindsLibrariesInTheProgramsFolder) {
    DeclaredFunction<std::int32_t(std::uint8_t*, std::int32_t, std::int32_t)> convert{"Grayscale.dll",
                                                                                     "ConvertToGray"};
    std::uint8_t pixel[4] = {0, 255, 0, 7};
    EXPECT_EQ(convert(pixel, 1, 1), 1);
    EXPECT_EQ(pixel[0], 149);
}

TEST(DeclaredFunction, NeverLoadsALibraryFromTheCurrentDirectory) {
    const LibraryPlantedInTheCurrentDirectory planted(L"velmora_planted.dll");

    // The standard search would find it there: the test can tell the difference.
    HMODULE found = LoadLibraryW(L"velmora_planted.dll");
    EXPECT_NE(found, nullptr);
    if (found) FreeLibrary(found);

    DeclaredFunction<std::int32_t(std::uint8_t*, std::int32_t, std::int32_t)> plantedConvert{
        "velmora_planted.dll", "ConvertToGray"};
    EXPECT_EQ(errorOf([&] { plantedConvert(nullptr, 0, 0); }).number(), 53);
}

// A system without the search flags (Vista, Windows 7 before its update):
// it refuses them, as LoadLibraryExW there does, and loads the rest.
class SystemWithoutSearchFlags {
public:
    SystemWithoutSearchFlags()
        : previous_(velmora::runtime::substituteLibraryLoader([this](const std::wstring& file, DWORD flags) {
              if (flags & (LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)) {
                  SetLastError(ERROR_INVALID_PARAMETER);
                  return HMODULE{};
              }
              files.push_back(file);
              return LoadLibraryExW(file.c_str(), nullptr, flags);
          })) {}
    ~SystemWithoutSearchFlags() { velmora::runtime::substituteLibraryLoader(std::move(previous_)); }

    std::vector<std::wstring> files;  // what was loaded by full path, in order

private:
    velmora::runtime::LibraryLoader previous_;
};

std::wstring systemFolder() {
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetSystemDirectoryW(path, MAX_PATH));
}

TEST(DeclaredFunctionWithoutSearchFlags, LoadsFromTheProgramsFolderByFullPath) {
    SystemWithoutSearchFlags system;
    DeclaredFunction<std::int32_t(std::uint8_t*, std::int32_t, std::int32_t)> convert{"Grayscale.dll",
                                                                                     "ConvertToGray"};
    std::uint8_t pixel[4] = {0, 0, 255, 7};
    EXPECT_EQ(convert(pixel, 1, 1), 1);
    EXPECT_EQ(pixel[0], 76);
    EXPECT_EQ(system.files, std::vector<std::wstring>{velmora::test::executableDirectory() + L"\\Grayscale.dll"});
}

TEST(DeclaredFunctionWithoutSearchFlags, LoadsSystemLibrariesFromTheSystemFolder) {
    SystemWithoutSearchFlags system;
    DeclaredFunction<DWORD()> getTickCount{"kernel32", "GetTickCount"};
    EXPECT_GT(getTickCount(), 0u);
    EXPECT_EQ(system.files, (std::vector<std::wstring>{velmora::test::executableDirectory() + L"\\kernel32.dll",
                                                        systemFolder() + L"\\kernel32.dll"}));
}

TEST(DeclaredFunctionWithoutSearchFlags, StillNeverLoadsFromTheCurrentDirectory) {
    SystemWithoutSearchFlags system;
    const LibraryPlantedInTheCurrentDirectory planted(L"velmora_planted.dll");
    DeclaredFunction<std::int32_t(std::uint8_t*, std::int32_t, std::int32_t)> plantedConvert{
        "velmora_planted.dll", "ConvertToGray"};
    EXPECT_EQ(errorOf([&] { plantedConvert(nullptr, 0, 0); }).number(), 53);
}

TEST(DeclaredFunction, ASubstituteSeesEveryCallUntilItIsRemoved) {
    DeclaredFunction<int(int, int)> add{"velmora_no_such_library.dll", "Add"};
    std::vector<std::pair<int, int>> calls;
    {
        ScopedSubstitute substitute(add, [&](int a, int b) {
            calls.emplace_back(a, b);
            return a + b;
        });
        EXPECT_EQ(add(6, 7), 13);
        EXPECT_EQ(add(1, 2), 3);
        EXPECT_FALSE(add.isBound());  // the library was never needed
    }
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{6, 7}, {1, 2}}));
    EXPECT_EQ(errorOf([&] { add(1, 1); }).number(), 53);  // the real binding again
}

TEST(DeclaredFunction, NestedSubstitutesRestoreTheOuterOne) {
    DeclaredFunction<DWORD()> getTickCount{"kernel32", "GetTickCount"};
    ScopedSubstitute outer(getTickCount, [] { return DWORD{1}; });
    {
        ScopedSubstitute inner(getTickCount, [] { return DWORD{2}; });
        EXPECT_EQ(getTickCount(), 2u);
    }
    EXPECT_EQ(getTickCount(), 1u);
}

}  // namespace
