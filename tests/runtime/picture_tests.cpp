// Picture boxes, picture objects, the Clipboard and the Screen objects.
#include <windows.h>

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "clipboard.h"
#include "dib_header.h"
#include "form.h"
#include "platform.h"
#include "runtime_error.h"
#include "screen.h"
#include "win_test_support.h"

namespace {

using namespace velmora::runtime;

HBITMAP solidBitmap(int width, int height, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

COLORREF bitmapPixel(HBITMAP bitmap, int x, int y) {
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return colour;
}

ULONG referenceCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

class PictureBoxTest : public testing::Test {
protected:
    void SetUp() override {
        form.load();
        form.Show();
    }
    Form form{FormDescription{.caption = L"Velmora picture box test",
                              .clientWidth = 5685,
                              .clientHeight = 4935,
                              .controls = {{.name = L"Picture1", .kind = ControlKind::PictureBox, .left = 120,
                                            .top = 240, .width = 5415, .height = 4455}}}};
    PictureBox& box() { return form.pictureBox(L"Picture1"); }
};

TEST_F(PictureBoxTest, AnEmptyBoxHasAPictureWithoutImage) {
    EXPECT_EQ(pictureHandle(box().Picture().get()), 0u);
    EXPECT_EQ(pictureHandle(box().Image().get()), 0u);
}

TEST_F(PictureBoxTest, HoldsItsPictureByReferenceAndReleasesTheOldOne) {
    PictureObject first = pictureOwningBitmap(solidBitmap(20, 10, RGB(255, 0, 0)));
    PictureObject second = pictureOwningBitmap(solidBitmap(20, 10, RGB(0, 0, 255)));
    const ULONG alone = referenceCount(first.get());

    box().setPicture(first);
    EXPECT_EQ(referenceCount(first.get()), alone + 1);
    EXPECT_EQ(box().Picture().get(), first.get());
    EXPECT_EQ(pictureHandle(box().Image().get()), pictureHandle(first.get()));

    box().setPicture(second);
    EXPECT_EQ(referenceCount(first.get()), alone);
    EXPECT_EQ(box().Picture().get(), second.get());

    box().setPicture(nullptr);
    EXPECT_EQ(referenceCount(second.get()), alone);
    EXPECT_EQ(pictureHandle(box().Picture().get()), 0u);
}

TEST_F(PictureBoxTest, RefreshShowsThePictureAtOnce) {
    velmora::test::pumpMessages(std::chrono::milliseconds(300));  // until the window is mapped and painted
    box().setPicture(pictureOwningBitmap(solidBitmap(40, 30, RGB(200, 20, 90))));
    box().Refresh();
    velmora::test::pumpMessages(std::chrono::milliseconds(100));  // Wine shows window surfaces from its loop
    POINT inside = {5, 5};
    ClientToScreen(box().hWnd(), &inside);
    const auto pixels = velmora::test::readScreen({inside.x, inside.y, inside.x + 1, inside.y + 1});
    EXPECT_EQ(pixels.pixel(0, 0)[2], 200);
    EXPECT_EQ(pixels.pixel(0, 0)[1], 20);
    EXPECT_EQ(pixels.pixel(0, 0)[0], 90);
}

TEST(Picture, APictureObjectOwnsItsBitmap) {
    HBITMAP bitmap = solidBitmap(4, 4, RGB(1, 2, 3));
    PictureObject picture = pictureOwningBitmap(bitmap);
    EXPECT_EQ(pictureBitmap(picture.get()), bitmap);
    picture.reset();
    BITMAP shape;
    EXPECT_EQ(GetObjectW(bitmap, sizeof(shape), &shape), 0) << "the picture object owned the bitmap";
}

class ClipboardTest : public testing::Test {
protected:
    void putBitmap(HBITMAP bitmap) { put(CF_BITMAP, bitmap); }
    // A 32-bit bottom-up device-independent bitmap of one colour, in the
    // clipboard's form (header, then pixels), cut short after `keptBytes`.
    void putDib(int width, int height, COLORREF colour, std::size_t keptBytes = SIZE_MAX) {
        const BITMAPINFOHEADER header = dibHeader(width, height, 32).bmiHeader;
        const std::size_t size = std::min(keptBytes, sizeof(header) + 4 * static_cast<std::size_t>(width) * height);
        HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, size);
        auto* bytes = static_cast<std::uint8_t*>(GlobalLock(dib));
        std::memcpy(bytes, &header, std::min(size, sizeof(header)));
        for (std::size_t i = sizeof(header); i < size; ++i) {
            const std::size_t channel = (i - sizeof(header)) % 4;
            bytes[i] = channel == 0 ? GetBValue(colour) : channel == 1 ? GetGValue(colour)
                                                        : channel == 2 ? GetRValue(colour) : 0;
        }
        GlobalUnlock(dib);
        put(CF_DIB, dib);
    }
    static double committedMegabytes() {
        PROCESS_MEMORY_COUNTERS counters{};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
        return static_cast<double>(counters.PagefileUsage) / (1024 * 1024);
    }

private:
    static void put(UINT format, HANDLE data) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        SetClipboardData(format, data);
        CloseClipboard();
    }
};

TEST_F(ClipboardTest, GetDataGivesAPictureOwningACopyOfTheBitmap) {
    HBITMAP original = solidBitmap(12, 7, RGB(0, 160, 255));
    putBitmap(original);
    PictureObject picture = Clipboard::GetData(CF_BITMAP);
    const HBITMAP copy = pictureBitmap(picture.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, original);
    BITMAP shape{};
    ASSERT_NE(GetObjectW(copy, sizeof(shape), &shape), 0);
    EXPECT_EQ(shape.bmWidth, 12);
    EXPECT_EQ(shape.bmHeight, 7);
    EXPECT_EQ(bitmapPixel(copy, 11, 6), RGB(0, 160, 255));
    EXPECT_EQ(pictureHandle(picture.get()), static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(copy)));
}

TEST_F(ClipboardTest, GetDataMakesTheBitmapOfADeviceIndependentOne) {
    putDib(9, 5, RGB(250, 20, 130));
    PictureObject picture = Clipboard::GetData(CF_BITMAP);
    const HBITMAP bitmap = pictureBitmap(picture.get());
    BITMAP shape{};
    ASSERT_NE(GetObjectW(bitmap, sizeof(shape), &shape), 0);
    EXPECT_EQ(shape.bmWidth, 9);
    EXPECT_EQ(shape.bmHeight, 5);
    EXPECT_EQ(shape.bmBits, nullptr) << "a device-dependent bitmap, as the clipboard's own would be";
    EXPECT_EQ(bitmapPixel(bitmap, 8, 4), RGB(250, 20, 130));
}

// Each fetch's copy belongs to its picture and goes with it: many fetches of
// a 4 MB image, in either form, leave the memory where it was.
TEST_F(ClipboardTest, FetchesKeepNoCopyOnceTheirPictureIsGone) {
    constexpr int kSide = 1024;
    for (const bool dib : {false, true}) {
        if (dib) {
            putDib(kSide, kSide, RGB(1, 2, 3));
        } else {
            putBitmap(solidBitmap(kSide, kSide, RGB(1, 2, 3)));
        }
        Clipboard::GetData(CF_BITMAP);  // caches and heaps settle
        const double before = committedMegabytes();
        for (int i = 0; i < 40; ++i) Clipboard::GetData(CF_BITMAP);
        EXPECT_LT(committedMegabytes() - before, 12.0) << (dib ? "device-independent" : "device-dependent");
    }
}

// Another program's DIB may be shorter than its header says: it is refused,
// never read beyond its end.
TEST_F(ClipboardTest, GetDataRefusesADibShorterThanItsHeaderSays) {
    for (const std::size_t kept : {std::size_t{8}, sizeof(BITMAPINFOHEADER), sizeof(BITMAPINFOHEADER) + 4 * 1024}) {
        putDib(1024, 1024, RGB(1, 2, 3), kept);
        try {
            Clipboard::GetData(CF_BITMAP);
            ADD_FAILURE() << kept << " bytes: no error";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), 460) << kept << " bytes";
        }
    }
}

TEST_F(ClipboardTest, ClearLeavesNoBitmapToGet) {
    putBitmap(solidBitmap(3, 3, RGB(1, 1, 1)));
    Clipboard::Clear();
    try {
        Clipboard::GetData(CF_BITMAP);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 460);
    }
}

TEST_F(ClipboardTest, OnlyTheBitmapFormatIsSupported) {
    EXPECT_THROW(Clipboard::GetData(CF_TEXT), RuntimeError);
}

TEST(Screen, SizeInTwipsAtTheScreensResolution) {
    ASSERT_EQ(Screen::TwipsPerPixelX(), 15.0f) << "these tests assume 96 dots per inch";
    EXPECT_EQ(Screen::TwipsPerPixelY(), 15.0f);
    EXPECT_EQ(Screen::Width(), GetSystemMetrics(SM_CXSCREEN) * 15.0f);
    EXPECT_EQ(Screen::Height(), GetSystemMetrics(SM_CYSCREEN) * 15.0f);
    ScopedSubstitute metrics(user32::GetSystemMetrics, [](int index) { return index == SM_CXSCREEN ? 1366 : 768; });
    EXPECT_EQ(Screen::Width(), 20490.0f);
    EXPECT_EQ(Screen::Height(), 11520.0f);
    EXPECT_EQ(Screen::pixelsFromTwipsX(5685), 379);
    EXPECT_EQ(Screen::pixelsFromTwipsY(4935), 329);
}

}  // namespace
