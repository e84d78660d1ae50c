// ReadPicturePixels with real GDI bitmaps and picture objects, failures
// injected through the platform bindings.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "application.h"
#include "bitmap_helpers.h"
#include "call_log.h"
#include "engine_messages.h"
#include "message_box_recorder.h"
#include "picture_pixel_reader.h"
#include "platform.h"
#include "runtime_error.h"

namespace {

using namespace velmora::engine;
using namespace velmora::runtime;
using velmora::test::MessageBoxRecorder;

// The grid's bounds as text, "(1 to 400, 1 to 50)" or "none".
std::string shapeOf(const ByteGrid& grid) {
    if (!grid.hasBounds()) return "none";
    std::ostringstream shape;
    shape << "(" << grid.lowerBound(1) << " to " << grid.upperBound(1) << ", " << grid.lowerBound(2) << " to "
          << grid.upperBound(2) << ")";
    return shape.str();
}

std::vector<std::uint8_t> contentsOf(ByteGrid& grid) {
    return std::vector<std::uint8_t>(grid.data(), grid.data() + grid.byteCount());
}

PixelBufferInfo sentinelInfo() {
    PixelBufferInfo info;
    std::memset(&info, 0x5A, sizeof(info));
    return info;
}

bool sameRecord(const PixelBufferInfo& a, const PixelBufferInfo& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

// Counts the screen device contexts taken and released, and the GetDIBits calls.
class DeviceContextLog : public velmora::test::CallLog {
public:
    DeviceContextLog() {
        note(user32::GetDC, "GetDC");
        note(user32::ReleaseDC, "ReleaseDC");
        handle(gdi32::GetDIBits, [this](HDC dc, HBITMAP b, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                                        UINT usage) {
            record("GetDIBits");
            header = info->bmiHeader;
            startLine = start;
            lineCount = lines;
            colourUse = usage;
            return gdi32::GetDIBits.real()(dc, b, start, lines, bits, info, usage);
        });
    }

    BITMAPINFOHEADER header{};
    UINT startLine = 99, lineCount = 0, colourUse = 99;
};

class ReaderTest : public testing::Test {
protected:
    void SetUp() override { setApplicationTitle(L"Project1"); }
    PixelBufferInfo info{};
    ByteGrid pixelCopy, dibBuffer;
    MessageBoxRecorder boxes;
};

TEST_F(ReaderTest, ADeviceDependentBitmapIsReadThroughGetDIBitsEvenWhenOwnBitsAreAllowed) {
    const auto pixels = velmora::test::randomBottomUpPixels(100, 50, 1);
    const PictureObject picture = pictureOwningBitmap(velmora::test::deviceDependentBitmap(100, 50, pixels));
    DeviceContextLog log;
    ASSERT_EQ(ReadPicturePixels(velmora::test::pictureView(picture).get(), info, pixelCopy, dibBuffer, kTrue, kFalse),
              kTrue);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "GetDIBits", "ReleaseDC"}));
    EXPECT_EQ(shapeOf(pixelCopy), "(1 to 400, 1 to 50)");
    EXPECT_EQ(shapeOf(dibBuffer), "(1 to 400, 1 to 50)");
    EXPECT_EQ(contentsOf(dibBuffer), pixels);
    EXPECT_EQ(contentsOf(pixelCopy), pixels);

    EXPECT_EQ(log.header.biSize, 40u);
    EXPECT_EQ(log.header.biWidth, 100);
    EXPECT_EQ(log.header.biHeight, 50);
    EXPECT_EQ(log.header.biPlanes, 1);
    EXPECT_EQ(log.header.biBitCount, 32);
    EXPECT_EQ(log.header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(log.header.biSizeImage, 20000u);
    EXPECT_EQ(log.header.biXPelsPerMeter + log.header.biYPelsPerMeter + log.header.biClrUsed + log.header.biClrImportant,
              0u);
    EXPECT_EQ(log.startLine, 0u);
    EXPECT_EQ(log.lineCount, 50u);
    EXPECT_EQ(log.colourUse, static_cast<UINT>(DIB_RGB_COLORS));

    for (const BITMAP* member : {&info.SourceBitmap, &info.TargetBitmap}) {
        EXPECT_EQ(member->bmType, 0);
        EXPECT_EQ(member->bmWidth, 100);
        EXPECT_EQ(member->bmHeight, 50);
        EXPECT_EQ(member->bmWidthBytes, 400);
        EXPECT_EQ(member->bmPlanes, 1);
        EXPECT_EQ(member->bmBitsPixel, 32);
    }
    EXPECT_EQ(info.SourceBitmap.bmBits, pixelCopy.elementAddress(1, 1));
    EXPECT_EQ(info.TargetBitmap.bmBits, dibBuffer.elementAddress(1, 1));
}

TEST_F(ReaderTest, A32BitDibSectionIsUsedDirectlyWhenOwnBitsAreAllowed) {
    void* bits = nullptr;
    const PictureObject picture = pictureOwningBitmap(velmora::test::dibSection(20, 10, 32, &bits));
    dibBuffer.redim(1, 8, 1, 3);
    dibBuffer(2, 2) = 42;
    DeviceContextLog log;
    ASSERT_EQ(ReadPicturePixels(velmora::test::pictureView(picture).get(), info, pixelCopy, dibBuffer, kTrue, kFalse),
              kTrue);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(info.TargetBitmap.bmBits, bits);
    EXPECT_EQ(info.SourceBitmap.bmBits, pixelCopy.elementAddress(1, 1));
    EXPECT_EQ(shapeOf(dibBuffer), "(1 to 8, 1 to 3)");
    EXPECT_EQ(dibBuffer(2, 2), 42);
    EXPECT_EQ(shapeOf(pixelCopy), "(1 to 80, 1 to 10)");
    EXPECT_EQ(std::memcmp(pixelCopy.data(), bits, 800), 0);
}

TEST_F(ReaderTest, OnlyTrueItselfAllowsTheBitmapsOwnMemory) {
    void* bits = nullptr;
    const PictureObject picture = pictureOwningBitmap(velmora::test::dibSection(20, 10, 32, &bits));
    for (Boolean useOwnBits : {Boolean{1}, Boolean{0}}) {
        DeviceContextLog log;
        ASSERT_EQ(ReadPicturePixels(velmora::test::pictureView(picture).get(), info, pixelCopy, dibBuffer, useOwnBits,
                                    kFalse),
                  kTrue);
        EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "GetDIBits", "ReleaseDC"})) << useOwnBits;
        EXPECT_EQ(info.TargetBitmap.bmBits, dibBuffer.elementAddress(1, 1));
        EXPECT_EQ(std::memcmp(dibBuffer.data(), bits, 800), 0);
    }
}

TEST_F(ReaderTest, A24BitDibSectionIsReadAt32BitsPerPixel) {
    void* bits = nullptr;
    const PictureObject picture = pictureOwningBitmap(velmora::test::dibSection(7, 5, 24, &bits));
    DeviceContextLog log;
    ASSERT_EQ(ReadPicturePixels(velmora::test::pictureView(picture).get(), info, pixelCopy, dibBuffer, kTrue, kFalse),
              kTrue);
    EXPECT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(info.SourceBitmap.bmBitsPixel, 32);
    EXPECT_EQ(info.TargetBitmap.bmBitsPixel, 32);
    EXPECT_EQ(info.SourceBitmap.bmWidthBytes, 28);
    EXPECT_EQ(info.TargetBitmap.bmWidthBytes, 28);
    const auto* rows24 = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const std::uint8_t* in = rows24 + y * 24 + 3 * x;  // 24-bit rows are 21 bytes padded to 24
            EXPECT_EQ(pixelCopy(4 * x + 1, y + 1), in[0]);
            EXPECT_EQ(pixelCopy(4 * x + 2, y + 1), in[1]);
            EXPECT_EQ(pixelCopy(4 * x + 3, y + 1), in[2]);
        }
    }
}

TEST_F(ReaderTest, ASecondPictureOfAnotherSizeReshapesBothArrays) {
    const PictureObject first = pictureOwningBitmap(
        velmora::test::deviceDependentBitmap(30, 20, velmora::test::randomBottomUpPixels(30, 20, 2)));
    const auto secondPixels = velmora::test::randomBottomUpPixels(11, 3, 3);
    const PictureObject second = pictureOwningBitmap(velmora::test::deviceDependentBitmap(11, 3, secondPixels));
    ASSERT_EQ(ReadPicturePixels(velmora::test::pictureView(first).get(), info, pixelCopy, dibBuffer, kFalse, kFalse),
              kTrue);
    ASSERT_EQ(ReadPicturePixels(velmora::test::pictureView(second).get(), info, pixelCopy, dibBuffer, kFalse, kFalse),
              kTrue);
    EXPECT_EQ(shapeOf(pixelCopy), "(1 to 44, 1 to 3)");
    EXPECT_EQ(shapeOf(dibBuffer), "(1 to 44, 1 to 3)");
    EXPECT_EQ(contentsOf(pixelCopy), secondPixels);
    EXPECT_EQ(info.TargetBitmap.bmWidth, 11);
}

class ReaderFailureTest : public ReaderTest {
protected:
    void SetUp() override {
        ReaderTest::SetUp();
        info = sentinelInfo();
        pixelCopy.redim(1, 8, 1, 3);
        pixelCopy(3, 3) = 33;
    }
    void expectUntouched() {
        EXPECT_TRUE(sameRecord(info, sentinelInfo()));
        EXPECT_EQ(shapeOf(pixelCopy), "(1 to 8, 1 to 3)");
        EXPECT_EQ(pixelCopy(3, 3), 33);
    }
    ComPtr<IPicture> picture = velmora::test::pictureView(pictureOwningBitmap(
        velmora::test::deviceDependentBitmap(10, 4, velmora::test::randomBottomUpPixels(10, 4, 4))));
};

TEST_F(ReaderFailureTest, BitmapInformationThatCannotBeRead) {
    ScopedSubstitute fail(gdi32::GetObjectA, [](HANDLE, int, LPVOID) { return 0; });
    EXPECT_EQ(ReadPicturePixels(picture.get(), info, pixelCopy, dibBuffer, kFalse, kFalse), kFalse);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ReadPicturePixels(picture.get(), info, pixelCopy, dibBuffer, kFalse, Boolean{1}), kFalse);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, L"Bildinformationen konnten nicht gelesen werden");
    EXPECT_EQ(boxes.shown[0].caption, L"Project1");
    EXPECT_EQ(boxes.shown[0].type, 0u);
    EXPECT_FALSE(dibBuffer.hasBounds());
    expectUntouched();
}

TEST_F(ReaderFailureTest, NoScreenDeviceContext) {
    ScopedSubstitute fail(user32::GetDC, [](HWND) { return HDC{}; });
    int releases = 0;
    ScopedSubstitute release(user32::ReleaseDC, [&](HWND, HDC) { return ++releases; });
    EXPECT_EQ(ReadPicturePixels(picture.get(), info, pixelCopy, dibBuffer, kFalse, kFalse), kFalse);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ReadPicturePixels(picture.get(), info, pixelCopy, dibBuffer, kFalse, kTrue), kFalse);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, L"Ger\u00e4tekontext konnte nicht erzeugt werden");
    EXPECT_EQ(releases, 0);
    EXPECT_EQ(shapeOf(dibBuffer), "(1 to 40, 1 to 4)");
    EXPECT_EQ(contentsOf(dibBuffer), std::vector<std::uint8_t>(160, 0));
    expectUntouched();
}

TEST_F(ReaderFailureTest, PixelsThatCannotBeReadReleaseTheContextAfterTheMessage) {
    DeviceContextLog log;
    ScopedSubstitute fail(gdi32::GetDIBits, [](HDC, HBITMAP, UINT, UINT, LPVOID, LPBITMAPINFO, UINT) { return 0; });
    boxes.onShow = [&] { log.calls.push_back("message"); };
    dibBuffer.redim(1, 2, 1, 2);
    dibBuffer(1, 1) = 9;
    EXPECT_EQ(ReadPicturePixels(picture.get(), info, pixelCopy, dibBuffer, kFalse, kTrue), kFalse);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "message", "ReleaseDC"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, L"Bilddaten konnten nicht gelesen werden");
    EXPECT_EQ(shapeOf(dibBuffer), "(1 to 8, 1 to 3)");
    EXPECT_EQ(contentsOf(dibBuffer), std::vector<std::uint8_t>(24, 0));
    expectUntouched();
}

TEST_F(ReaderFailureTest, UnreadablePixelsWithAnUnboundedCopyRaiseSubscriptOutOfRange) {
    DeviceContextLog log;
    ScopedSubstitute fail(gdi32::GetDIBits, [](HDC, HBITMAP, UINT, UINT, LPVOID, LPBITMAPINFO, UINT) { return 0; });
    ByteGrid unbounded;
    try {
        ReadPicturePixels(picture.get(), info, unbounded, dibBuffer, kFalse, kTrue);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 9);
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "ReleaseDC"}));
    EXPECT_TRUE(sameRecord(info, sentinelInfo()));
}

// A bitmap as GetObjectA reports it (a stand-in: no real one is that large).
ScopedSubstitute<decltype(gdi32::GetObjectA)> reportedBitmap(std::int32_t width, std::int32_t height, void* bits) {
    return {gdi32::GetObjectA, [=](HANDLE, int, LPVOID out) {
                BITMAP shape{};
                shape.bmWidth = width;
                shape.bmHeight = height;
                shape.bmPlanes = 1;
                shape.bmBitsPixel = 32;
                shape.bmBits = bits;
                std::memcpy(out, &shape, sizeof(shape));
                return static_cast<int>(sizeof(shape));
            }};
}

// On the read path (a bitmap without own pixels) and on the direct path (a
// 32-bit bitmap with them, own bits allowed) alike.
TEST_F(ReaderFailureTest, SizesBeyondThirtyTwoBitsOverflowBeforeAnythingElse) {
    std::uint8_t ownPixels[4] = {};
    for (void* bits : {static_cast<void*>(nullptr), static_cast<void*>(ownPixels)}) {
        for (const auto& [width, height] : {std::pair{0x20000000, 1}, std::pair{0x4000, 0x8000}}) {
            const auto huge = reportedBitmap(width, height, bits);
            DeviceContextLog log;
            int moves = 0;
            ScopedSubstitute move(kernel32::RtlMoveMemory, [&](void*, const void*, SIZE_T) { ++moves; });
            try {
                ReadPicturePixels(picture.get(), info, pixelCopy, dibBuffer, kTrue, kTrue);
                ADD_FAILURE() << "no error";
            } catch (const RuntimeError& error) {
                EXPECT_EQ(error.number(), 6);
            }
            EXPECT_TRUE(log.calls.empty());
            EXPECT_EQ(moves, 0);
            EXPECT_FALSE(dibBuffer.hasBounds());
            expectUntouched();
        }
    }
}

// Width and height as only a broken record would report them: a failure like
// any other bitmap whose information cannot be read, never a copy.
TEST_F(ReaderFailureTest, ABitmapWithoutAPositiveWidthAndHeightCannotBeRead) {
    std::uint8_t ownPixels[4] = {};
    for (const auto& [width, height] : {std::pair{-10, -10}, std::pair{0, 5}, std::pair{5, -1}}) {
        const auto broken = reportedBitmap(width, height, ownPixels);
        EXPECT_EQ(ReadPicturePixels(picture.get(), info, pixelCopy, dibBuffer, kTrue, kTrue), kFalse);
    }
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[2].text, L"Bildinformationen konnten nicht gelesen werden");
    EXPECT_FALSE(dibBuffer.hasBounds());
    expectUntouched();
}

TEST_F(ReaderFailureTest, NoPictureRaisesObjectNotSet) {
    try {
        ReadPicturePixels(nullptr, info, pixelCopy, dibBuffer, kFalse, kTrue);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 91);
    }
    EXPECT_TRUE(boxes.shown.empty());
    expectUntouched();
}

TEST_F(ReaderFailureTest, TheSizeArgumentIsTheFullBitmapRecord) {
    int sizeArgument = 0;
    ScopedSubstitute record(gdi32::GetObjectA, [&](HANDLE h, int size, LPVOID out) {
        sizeArgument = size;
        return gdi32::GetObjectA.real()(h, size, out);
    });
    ReadPicturePixels(picture.get(), info, pixelCopy, dibBuffer, kFalse, kFalse);
    EXPECT_EQ(sizeArgument, static_cast<int>(sizeof(BITMAP)));
}

// A picture whose handle getter fails.
class BrokenPicture : public IPicture {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Type(SHORT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Render(HDC, LONG, LONG, LONG, LONG, OLE_XPOS_HIMETRIC, OLE_YPOS_HIMETRIC,
                                     OLE_XSIZE_HIMETRIC, OLE_YSIZE_HIMETRIC, LPCRECT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurDC(HDC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PictureChanged() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveAsFile(LPSTREAM, BOOL, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Attributes(DWORD*) override { return E_NOTIMPL; }
};

TEST_F(ReaderFailureTest, AFailingHandleGetterRaisesItsCode) {
    BrokenPicture broken;
    try {
        ReadPicturePixels(&broken, info, pixelCopy, dibBuffer, kFalse, kTrue);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), static_cast<std::int32_t>(E_UNEXPECTED));
    }
    EXPECT_TRUE(boxes.shown.empty());
    expectUntouched();
}

}  // namespace
