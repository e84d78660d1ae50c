// Grayscale.dll as a program finds it: loaded by name, the export resolved by
// its undecorated name, and its version record read through the version API.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Grayscale.h"
#include "gray_model.h"

namespace {

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring moduleFileName(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, length);
}

class VersionRecord {
public:
    explicit VersionRecord(const std::wstring& file) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
        data_.resize(size);
        valid_ = size != 0 && GetFileVersionInfoW(file.c_str(), 0, size, data_.data());
    }

    bool valid() const { return valid_; }

    const VS_FIXEDFILEINFO* fixedInfo() const {
        void* info = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), L"\\", &info, &length)) return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(info);
    }

    // The value of `name` in the string table `table` ("000004b0", ...);
    // "<missing>" when the record has no such entry.
    std::wstring string(const std::wstring& table, const std::wstring& name) const {
        const std::wstring path = L"\\StringFileInfo\\" + table + L"\\" + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), path.c_str(), &value, &length)) return L"<missing>";
        return length == 0 ? std::wstring() : std::wstring(static_cast<const wchar_t*>(value));
    }

private:
    std::vector<unsigned char> data_;
    bool valid_ = false;
};

TEST(GrayscaleDll, LoadsByNameAndConvertsThroughTheNamedExport) {
    HMODULE library = LoadLibraryW(L"Grayscale.dll");
    ASSERT_NE(library, nullptr);
    const FARPROC byName = GetProcAddress(library, "ConvertToGray");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName, GetProcAddress(library, MAKEINTRESOURCEA(1)));
    const auto convert = reinterpret_cast<ConvertToGrayFunction>(reinterpret_cast<void*>(byName));

    unsigned char pixel[4] = {0, 0, 255, 0xAB};
    EXPECT_EQ(convert(pixel, 1, 1), 1);
    EXPECT_EQ(pixel[0], 76);
    EXPECT_EQ(pixel[1], 76);
    EXPECT_EQ(pixel[2], 76);
    EXPECT_EQ(pixel[3], 0xAB);

    // The file itself, not only its sources, over every colour: 4096 rows of
    // 4096 pixels, a row pitch without padding.
    std::vector<std::uint8_t> colours = velmora::test::everyColour();
    EXPECT_EQ(convert(colours.data(), 4096, 4096), 1);
    EXPECT_EQ(velmora::test::firstColourOffModel(colours), velmora::test::kColourCount);
    FreeLibrary(library);
}

TEST(GrayscaleDll, CarriesItsVersionRecord) {
    HMODULE library = LoadLibraryW(L"Grayscale.dll");
    ASSERT_NE(library, nullptr);
    const VersionRecord record(moduleFileName(library));
    FreeLibrary(library);
    ASSERT_TRUE(record.valid());

    const VS_FIXEDFILEINFO* fixed = record.fixedInfo();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    const std::pair<const wchar_t*, const wchar_t*> tables[] = {
        {L"000004b0", L"Velmora core DLL"}, {L"040904b0", L"Velmora API DLL"}};
    for (const auto& [table, description] : tables) {
        SCOPED_TRACE(narrow(table));
        EXPECT_EQ(record.string(table, L"FileDescription"), description);
        EXPECT_EQ(record.string(table, L"FileVersion"), L"1, 0, 0, 1");
        EXPECT_EQ(record.string(table, L"ProductVersion"), L"1, 0, 0, 1");
        EXPECT_EQ(record.string(table, L"ProductName"), L"Velmora");
        for (const wchar_t* empty : {L"CompanyName", L"InternalName", L"LegalCopyright",
                                     L"OriginalFilename", L"Comments"}) {
            EXPECT_EQ(record.string(table, empty), L"") << narrow(empty);
        }
    }
}

}  // namespace
