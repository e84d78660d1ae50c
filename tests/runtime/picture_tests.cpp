// Picture boxes, picture objects, the Clipboard and the Screen objects.
#include <gtest/gtest.h>

#include "clipboard.h"
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
    void putBitmap(HBITMAP bitmap) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, bitmap);
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
