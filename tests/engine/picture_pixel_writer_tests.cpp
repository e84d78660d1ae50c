// WritePicturePixels with a real picture box, real bitmaps and picture
// objects, failures injected through the platform bindings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "application.h"
#include "bitmap_helpers.h"
#include "call_log.h"
#include "form.h"
#include "message_box_recorder.h"
#include "picture_pixel_writer.h"
#include "platform.h"
#include "runtime_error.h"

namespace {

using namespace velmora::engine;
using namespace velmora::runtime;
using velmora::test::MessageBoxRecorder;

// Pixels to show: 32-bit, rows bottom-up, as the reader leaves them.
struct Target {
    std::vector<std::uint8_t> pixels;
    BitmapRecord record{};

    Target(int width, int height, unsigned seed) : pixels(velmora::test::randomBottomUpPixels(width, height, seed)) {
        record.bmWidth = width;
        record.bmHeight = height;
        record.bmWidthBytes = 4 * width;
        record.bmPlanes = 1;
        record.bmBitsPixel = 32;
        record.bmBits = pixels.data();
    }
};

// Every call of the new-picture path, and every bitmap it created.
class WriterLog : public velmora::test::CallLog {
public:
    WriterLog() {
        note(user32::GetDC, "GetDC");
        note(user32::ReleaseDC, "ReleaseDC");
        note(gdi32::DeleteObject, "DeleteObject");
        handle(gdi32::CreateDIBSection, [this](HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE s,
                                               DWORD o) {
            record("CreateDIBSection");
            header = info->bmiHeader;
            HBITMAP bitmap = gdi32::CreateDIBSection.real()(dc, info, usage, bits, s, o);
            created.push_back(bitmap);
            return bitmap;
        });
        handle(kernel32::RtlMoveMemory, [this](void* to, const void* from, SIZE_T length) {
            record("RtlMoveMemory");
            moved = length;
            kernel32::RtlMoveMemory.real()(to, from, length);
        });
        handle(ole32::CLSIDFromString, [this](LPCOLESTR text, LPCLSID id) {
            record("CLSIDFromString");
            clsidText = text;
            return ole32::CLSIDFromString.real()(text, id);
        });
        handle(olepro32::OleCreatePictureIndirect, [this](LPPICTDESC d, REFIID id, BOOL own, LPVOID* out) {
            record("OleCreatePictureIndirect");
            description = *d;
            interfaceId = id;
            ownership = own;
            return olepro32::OleCreatePictureIndirect.real()(d, id, own, out);
        });
    }

    std::vector<HBITMAP> created;
    BITMAPINFOHEADER header{};
    SIZE_T moved = 0;
    std::wstring clsidText;
    PICTDESC description{};
    IID interfaceId{};
    BOOL ownership = 0;
};

// Counts the paints a window gets from the moment it is made until it goes.
class PaintCounter {
public:
    explicit PaintCounter(HWND window) : window_(window) {
        UpdateWindow(window_);  // nothing left over from before
        SetPropW(window_, kCounter, this);
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintCounter::procedure)));
    }
    ~PaintCounter() {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropW(window_, kCounter);
    }
    PaintCounter(const PaintCounter&) = delete;
    PaintCounter& operator=(const PaintCounter&) = delete;

    int paints = 0;

private:
    static constexpr wchar_t kCounter[] = L"VelmoraPaintCounter";
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* counter = static_cast<PaintCounter*>(GetPropW(window, kCounter));
        if (message == WM_PAINT) ++counter->paints;
        return CallWindowProcW(counter->original_, window, message, wParam, lParam);
    }
    HWND window_;
    WNDPROC original_ = nullptr;
};

class WriterTest : public testing::Test {
protected:
    void SetUp() override {
        setApplicationTitle(L"Project1");
        form.load();
        form.Show();
    }
    PictureBox& box() { return form.pictureBox(L"Picture1"); }
    void showDeviceDependentBitmap(int width, int height) {
        box().setPicture(pictureOwningBitmap(
            velmora::test::deviceDependentBitmap(width, height, velmora::test::randomBottomUpPixels(width, height, 9))));
    }
    // The box's picture as a DIB section: its shape and its pixels.
    DIBSECTION shownSection() {
        DIBSECTION section{};
        const HBITMAP bitmap = pictureBitmap(box().Picture().get());
        EXPECT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
        return section;
    }

    Form form{FormDescription{.caption = L"Velmora writer test",
                              .clientWidth = 5685,
                              .clientHeight = 4935,
                              .controls = {{.name = L"Picture1", .kind = ControlKind::PictureBox, .left = 120,
                                            .top = 240, .width = 5415, .height = 4455}}}};
    MessageBoxRecorder boxes;
};

TEST_F(WriterTest, ADeviceDependentPictureIsReplacedByANewDibWithThePixels) {
    showDeviceDependentBitmap(64, 48);
    const Target target(64, 48, 1);
    WriterLog log;
    EXPECT_EQ(WritePicturePixels(box(), target.record, kFalse), kTrue);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "CreateDIBSection", "RtlMoveMemory", "CLSIDFromString",
                                                    "OleCreatePictureIndirect", "ReleaseDC"}));
    const DIBSECTION shown = shownSection();
    EXPECT_EQ(shown.dsBm.bmWidth, 64);
    EXPECT_EQ(shown.dsBm.bmHeight, 48);
    EXPECT_EQ(shown.dsBm.bmBitsPixel, 32);
    EXPECT_GT(shown.dsBmih.biHeight, 0) << "bottom-up";
    EXPECT_EQ(std::memcmp(shown.dsBm.bmBits, target.pixels.data(), target.pixels.size()), 0);
    EXPECT_EQ(log.clsidText, L"{7BF80980-BF32-101A-8BBB-00AA00300CAB}");
    EXPECT_TRUE(IsEqualIID(log.interfaceId, IID_IPicture));
    EXPECT_EQ(log.description.cbSizeofstruct, sizeof(PICTDESC));
    EXPECT_EQ(log.description.picType, PICTYPE_BITMAP);
    EXPECT_EQ(log.description.bmp.hbitmap, log.created.at(0));
    EXPECT_EQ(log.description.bmp.hpal, nullptr);
    EXPECT_EQ(log.ownership, -1);
    EXPECT_EQ(log.header.biSizeImage, 64u * 48 * 4);
    EXPECT_EQ(log.header.biBitCount, 32);
    EXPECT_EQ(log.header.biHeight, 48);
}

TEST_F(WriterTest, ASecondTargetOfTheSameSizeIsCopiedIntoTheSamePicture) {
    showDeviceDependentBitmap(64, 48);
    ASSERT_EQ(WritePicturePixels(box(), Target(64, 48, 1).record, kFalse), kTrue);
    IPictureDisp* first = box().Picture().get();
    const Target second(64, 48, 2);
    WriterLog log;
    const PaintCounter counter(box().hWnd());
    EXPECT_EQ(WritePicturePixels(box(), second.record, kFalse), kTrue);
    EXPECT_EQ(counter.paints, 1) << "the box shows the new pixels at once";
    EXPECT_EQ(log.calls, (std::vector<std::string>{"RtlMoveMemory"}));
    EXPECT_EQ(log.moved, second.pixels.size());
    EXPECT_EQ(box().Picture().get(), first);
    EXPECT_EQ(std::memcmp(shownSection().dsBm.bmBits, second.pixels.data(), second.pixels.size()), 0);
}

TEST_F(WriterTest, Another24BitPictureOrAnotherSizeGetsANewPicture) {
    void* bits = nullptr;
    box().setPicture(pictureOwningBitmap(velmora::test::dibSection(64, 48, 24, &bits)));
    WriterLog log;
    EXPECT_EQ(WritePicturePixels(box(), Target(64, 48, 3).record, kFalse), kTrue);
    EXPECT_EQ(log.created.size(), 1u);
    EXPECT_EQ(shownSection().dsBm.bmBitsPixel, 32);

    const Target smaller(60, 48, 4);
    EXPECT_EQ(WritePicturePixels(box(), smaller.record, kFalse), kTrue);
    EXPECT_EQ(log.created.size(), 2u);
    EXPECT_EQ(shownSection().dsBm.bmWidth, 60);
    EXPECT_EQ(std::memcmp(shownSection().dsBm.bmBits, smaller.pixels.data(), smaller.pixels.size()), 0);
}

TEST_F(WriterTest, ForcingANewPictureIgnoresOneThatWouldFit) {
    ASSERT_EQ(WritePicturePixels(box(), Target(32, 32, 5).record, kFalse), kTrue);
    IPictureDisp* first = box().Picture().get();
    WriterLog log;
    EXPECT_EQ(WritePicturePixels(box(), Target(32, 32, 6).record, Boolean{1}), kTrue);
    EXPECT_EQ(log.created.size(), 1u);
    EXPECT_NE(box().Picture().get(), first);
}

TEST_F(WriterTest, TheBoxsOwnPixelMemoryIsOnlyRepainted) {
    ASSERT_EQ(WritePicturePixels(box(), Target(32, 16, 7).record, kFalse), kTrue);
    const DIBSECTION shown = shownSection();
    BitmapRecord same{};
    same.bmWidth = 32, same.bmHeight = 16, same.bmWidthBytes = 128, same.bmBitsPixel = 32;
    same.bmBits = shown.dsBm.bmBits;
    WriterLog log;
    const PaintCounter counter(box().hWnd());
    EXPECT_EQ(WritePicturePixels(box(), same, kFalse), kTrue);
    EXPECT_EQ(counter.paints, 1) << "the box shows its changed pixels at once";
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(WriterTest, ATargetWithoutPixelsCountsAsInPlace) {
    const BitmapRecord unfilled{};  // what the reader leaves when it fails
    const auto expectOnlyRepainted = [&](Boolean force) {
        IPictureDisp* before = box().Picture().get();
        WriterLog log;
        EXPECT_EQ(WritePicturePixels(box(), unfilled, force), kTrue);
        EXPECT_TRUE(log.calls.empty());
        EXPECT_EQ(box().Picture().get(), before);
    };
    expectOnlyRepainted(kFalse);  // the box has no picture
    showDeviceDependentBitmap(8, 8);
    expectOnlyRepainted(kFalse);  // a picture without pixel memory of its own
    ASSERT_EQ(WritePicturePixels(box(), Target(8, 8, 8).record, kFalse), kTrue);
    expectOnlyRepainted(kTrue);  // the current picture ignored
}

TEST_F(WriterTest, A640By480TargetMakesA640By480Dib) {
    const Target target(640, 480, 10);
    WriterLog log;
    EXPECT_EQ(WritePicturePixels(box(), target.record, kFalse), kTrue);
    const DIBSECTION shown = shownSection();
    EXPECT_EQ(shown.dsBm.bmWidth, 640);
    EXPECT_EQ(shown.dsBm.bmHeight, 480);
    EXPECT_EQ(shown.dsBmih.biHeight, 480);
    EXPECT_EQ(shown.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(log.moved, 4u * 640 * 480);
}

class WriterFailureTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        showDeviceDependentBitmap(16, 16);
        previous = box().Picture().get();
    }
    void expectFailureKeptThePicture(const wchar_t* message) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, message);
        EXPECT_EQ(boxes.shown[0].caption, L"Project1");
        EXPECT_EQ(boxes.shown[0].type, 0u);
        EXPECT_EQ(box().Picture().get(), previous);
        for (HBITMAP bitmap : log.created) EXPECT_FALSE(velmora::test::isLiveGdiObject(bitmap));
    }
    IPictureDisp* previous = nullptr;
    const Target target{16, 16, 11};
    WriterLog log;
};

TEST_F(WriterFailureTest, NoScreenDeviceContext) {
    ScopedSubstitute fail(user32::GetDC, [](HWND) { return HDC{}; });
    EXPECT_EQ(WritePicturePixels(box(), target.record, kFalse), kFalse);
    expectFailureKeptThePicture(L"Ger\u00e4tekontext konnte nicht erzeugt werden");
    EXPECT_TRUE(log.created.empty());
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "ReleaseDC"), 0);
}

TEST_F(WriterFailureTest, NoBitmapCopy) {
    ScopedSubstitute fail(gdi32::CreateDIBSection,
                          [](HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD) { return HBITMAP{}; });
    EXPECT_EQ(WritePicturePixels(box(), target.record, kFalse), kFalse);
    expectFailureKeptThePicture(L"Bildkopie konnte nicht erstellt werden");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "ReleaseDC"}));
}

TEST_F(WriterFailureTest, ABitmapWithoutPixelMemoryIsDeleted) {
    ScopedSubstitute fail(gdi32::CreateDIBSection,
                          [this](HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE s, DWORD o) {
                              HBITMAP bitmap = gdi32::CreateDIBSection.real()(dc, info, usage, bits, s, o);
                              log.created.push_back(bitmap);
                              *bits = nullptr;
                              return bitmap;
                          });
    EXPECT_EQ(WritePicturePixels(box(), target.record, kFalse), kFalse);
    expectFailureKeptThePicture(L"Bildkopie konnte nicht erstellt werden");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "ReleaseDC", "DeleteObject"}));
}

TEST_F(WriterFailureTest, TheInterfaceIdentifierCannotBeParsed) {
    ScopedSubstitute fail(ole32::CLSIDFromString, [](LPCOLESTR, LPCLSID) { return CO_E_CLASSSTRING; });
    EXPECT_EQ(WritePicturePixels(box(), target.record, kFalse), kFalse);
    expectFailureKeptThePicture(L"OLE Fehler");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "CreateDIBSection", "RtlMoveMemory", "ReleaseDC",
                                                    "DeleteObject"}));
}

TEST_F(WriterFailureTest, ThePictureObjectCannotBeCreated) {
    ScopedSubstitute fail(olepro32::OleCreatePictureIndirect,
                          [](LPPICTDESC, REFIID, BOOL, LPVOID*) { return E_OUTOFMEMORY; });
    EXPECT_EQ(WritePicturePixels(box(), target.record, kFalse), kFalse);
    expectFailureKeptThePicture(L"OLE picture creation error");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"GetDC", "CreateDIBSection", "RtlMoveMemory", "CLSIDFromString",
                                                    "ReleaseDC", "DeleteObject"}));
}

TEST_F(WriterFailureTest, SizesBeyondThirtyTwoBitsOverflow) {
    BitmapRecord huge = target.record;
    huge.bmHeight = 0x10000;
    huge.bmWidth = 0x8000;
    huge.bmWidthBytes = 0x20000;
    try {
        WritePicturePixels(box(), huge, kTrue);
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 6);
    }
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(box().Picture().get(), previous);
}

// Records only a broken caller would pass: each is refused with the message
// for a picture copy that cannot be made, before any memory is moved.
TEST_F(WriterFailureTest, ATargetWhosePixelsCannotBeCopiedIsRefused) {
    BitmapRecord noPixels = target.record, upsideDown = target.record, negative = target.record,
                 wideRows = target.record, twentyFourBit = target.record;
    noPixels.bmBits = nullptr;
    upsideDown.bmHeight = -16;
    negative.bmWidth = -16, negative.bmWidthBytes = -64;
    wideRows.bmWidthBytes = 4 * 16 + 4;
    twentyFourBit.bmBitsPixel = 24;
    for (const BitmapRecord& broken : {upsideDown, negative, wideRows, twentyFourBit}) {
        EXPECT_EQ(WritePicturePixels(box(), broken, kTrue), kFalse);
    }
    EXPECT_EQ(log.moved, 0u);
    ASSERT_EQ(boxes.shown.size(), 4u);
    for (const auto& shown : boxes.shown) EXPECT_EQ(shown.text, L"Bildkopie konnte nicht erstellt werden");
    EXPECT_EQ(box().Picture().get(), previous);

    // On the copy path (the box shows a 32-bit DIB of the target's size) a
    // record without pixel memory is refused too; elsewhere it counts as the
    // box's own memory and only repaints.
    ASSERT_EQ(WritePicturePixels(box(), target.record, kFalse), kTrue);
    IPictureDisp* shown = box().Picture().get();
    boxes.shown.clear();
    log.moved = 0;
    for (const BitmapRecord& broken : {noPixels, wideRows}) {
        EXPECT_EQ(WritePicturePixels(box(), broken, kFalse), kFalse);
    }
    EXPECT_EQ(log.moved, 0u);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(box().Picture().get(), shown);
}

TEST_F(WriterTest, ManyCallsOnEveryPathLeaveOnlyTheShownBitmap) {
    WriterLog log;
    const Target a(24, 12, 12), b(24, 12, 13), c(20, 12, 14);
    for (int i = 0; i < 200; ++i) {
        showDeviceDependentBitmap(24, 12);
        WritePicturePixels(box(), a.record, kFalse);  // new picture
        WritePicturePixels(box(), b.record, kFalse);  // copy
        WritePicturePixels(box(), c.record, kTrue);   // forced new picture
        BitmapRecord same = c.record;
        same.bmBits = shownSection().dsBm.bmBits;
        WritePicturePixels(box(), same, kFalse);  // in place
        {
            ScopedSubstitute fail(olepro32::OleCreatePictureIndirect,
                                  [](LPPICTDESC, REFIID, BOOL, LPVOID*) { return E_FAIL; });
            WritePicturePixels(box(), a.record, kTrue);  // failure
        }
    }
    const HBITMAP shown = pictureBitmap(box().Picture().get());
    // GDI reuses handle values: each value counts once.
    const std::set<HBITMAP> created(log.created.begin(), log.created.end());
    int live = 0;
    for (HBITMAP bitmap : created) live += velmora::test::isLiveGdiObject(bitmap) ? 1 : 0;
    EXPECT_EQ(live, 1);
    EXPECT_GT(created.size(), 1u);
    EXPECT_TRUE(velmora::test::isLiveGdiObject(shown));
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "GetDC"),
              std::count(log.calls.begin(), log.calls.end(), "ReleaseDC"));
}

}  // namespace
