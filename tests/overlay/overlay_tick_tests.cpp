// The overlay's Form1 in the test process: its stored description, the calls
// of Form_Load, and the refresh tick with the screen replaced by a known scene
// through the platform bindings.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "call_log.h"
#include "dib_header.h"
#include "gray_model.h"
#include "overlay_form.h"
#include "platform.h"
#include "runtime_error.h"

namespace {

using namespace velmora::runtime;
using velmora::overlay::Form1;
using velmora::overlay::grayscale_dll::ConvertToGray;

std::size_t pitchOf(int width) { return (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3}; }

// A 24-bit bottom-up image with padded rows: the tick's pixel layout.
struct Scene {
    int width;
    int height;
    std::vector<std::uint8_t> bytes;

    Scene(int w, int h) : width(w), height(h), bytes(pitchOf(w) * h) {
        std::mt19937 random(static_cast<unsigned>(w * 7919 + h));
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    }
    BITMAPINFO header() const { return dibHeader(width, height, 24); }
};

std::vector<std::uint8_t> pixelsOfSelectedBitmap(HDC dc, int width, int height) {
    Scene shape(width, height);
    BITMAPINFO info = shape.header();
    std::vector<std::uint8_t> bytes(shape.bytes.size());
    GetDIBits(dc, static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP)), 0, height, bytes.data(), &info,
              DIB_RGB_COLORS);
    return bytes;
}

// Every platform call of a tick, in order, with handles named; the screen
// replaced by `scene`; what the tick paints onto the form captured.
class TickRecorder : public velmora::test::CallLog {
public:
    TickRecorder(const Form1& form, const Scene& scene) : form_(form), scene_(scene) {
        handle(user32::GetSystemMetrics, [this](int index) { return index == SM_CXSCREEN ? scene_.width : scene_.height; });
        handle(gdi32::CreateCompatibleDC, [this](HDC dc) {
            HDC memory = gdi32::CreateCompatibleDC.real()(dc);
            names_[memory] = "memory";
            record(std::string("CreateCompatibleDC(") + (dc ? "?" : "0") + ")");
            return memory;
        });
        handle(gdi32::CreateDIBSection,
               [this](HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
                   HBITMAP bitmap = gdi32::CreateDIBSection.real()(dc, info, usage, bits, section, offset);
                   names_[bitmap] = "section";
                   bits_ = *bits;
                   header = *info;
                   std::ostringstream call;
                   call << "CreateDIBSection(" << name(dc) << ", info, " << usage << ", bits, " << section << ", "
                        << offset << ")";
                   record(call.str());
                   return bitmap;
               });
        handle(gdi32::SelectObject, [this](HDC dc, HGDIOBJ object) {
            record("SelectObject(" + name(dc) + ", " + name(object) + ")");
            return gdi32::SelectObject.real()(dc, object);
        });
        handle(user32::GetDC, [this](HWND window) {
            HDC dc = user32::GetDC.real()(window);
            names_[dc] = "screen";
            record(std::string("GetDC(") + (window ? "?" : "0") + ")");
            return dc;
        });
        handle(user32::ReleaseDC, [this](HWND window, HDC dc) {
            record(std::string("ReleaseDC(") + (window ? "?" : "0") + ", " + name(dc) + ")");
            return user32::ReleaseDC.real()(window, dc);
        });
        handle(gdi32::BitBlt, [this](HDC to, int x, int y, int w, int h, HDC from, int fromX, int fromY, DWORD rop) {
            std::ostringstream call;
            call << "BitBlt(" << name(to) << ", " << x << ", " << y << ", " << w << ", " << h << ", " << name(from)
                 << ", " << fromX << ", " << fromY << ", " << std::hex << rop << ")";
            record(call.str());
            if (name(from) == "screen") {
                const BITMAPINFO info = scene_.header();
                SetDIBitsToDevice(to, 0, 0, scene_.width, scene_.height, 0, 0, 0, scene_.height, scene_.bytes.data(),
                                  &info, DIB_RGB_COLORS);
                return TRUE;
            }
            if (to == form_.hDC()) painted = pixelsOfSelectedBitmap(from, w, h);
            return gdi32::BitBlt.real()(to, x, y, w, h, from, fromX, fromY, rop);
        });
        handle(ConvertToGray, [this](std::uint8_t* pixels, std::int32_t w, std::int32_t h) {
            std::ostringstream call;
            call << "ConvertToGray(" << (pixels == bits_ ? "bits" : "other") << ", " << w << ", " << h << ")";
            record(call.str());
            return ConvertToGray.real()(pixels, w, h);
        });
        handle(gdi32::DeleteDC, [this](HDC dc) {
            record("DeleteDC(" + name(dc) + ")");
            return gdi32::DeleteDC.real()(dc);
        });
        handle(gdi32::DeleteObject, [this](HGDIOBJ object) {
            record("DeleteObject(" + name(object) + ")");
            return gdi32::DeleteObject.real()(object);
        });
    }

    BITMAPINFO header{};
    std::vector<std::uint8_t> painted;

private:
    std::string name(const void* handle) const {
        if (handle == form_.hDC()) return "form";
        const auto found = names_.find(handle);
        return found == names_.end() ? "?" : found->second;
    }

    const Form1& form_;
    const Scene& scene_;
    std::map<const void*, std::string> names_;
    void* bits_ = nullptr;
};

// The scene as ConvertToGray must leave it, from the model of the formula.
std::vector<std::uint8_t> expectedGray(const Scene& scene) {
    std::vector<std::uint8_t> gray = scene.bytes;
    for (int r = 0; r < scene.height; ++r) {
        std::uint8_t* p = &gray[r * pitchOf(scene.width)];
        for (int x = 0; x < scene.width; ++x, p += 3) {
            const auto level = static_cast<std::uint8_t>(velmora::test::modelGray(p[2], p[1], p[0]));
            p[0] = p[1] = p[2] = level;
        }
    }
    return gray;
}

// Compares pixels only: the padding of the painted copy is GDI's business.
void expectSamePixels(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected,
                      int width, int height) {
    ASSERT_EQ(actual.size(), expected.size());
    for (int r = 0; r < height; ++r) {
        const std::size_t row = r * pitchOf(width);
        ASSERT_TRUE(std::equal(actual.begin() + row, actual.begin() + row + 3 * width, expected.begin() + row))
            << "row " << r;
    }
}

class OverlayTick : public testing::Test {
protected:
    void SetUp() override {
        form.load();
        form.timer(L"tmrRefresh").setEnabled(false);  // the tests tick by hand
    }
    Form1 form;
};

TEST(OverlayForm, StoredDescription) {
    const FormDescription form = velmora::overlay::form1Description();
    EXPECT_EQ(form.caption, L"Creating &  Using VC++ DLLs");
    EXPECT_EQ(form.border, BorderStyle::None);
    ASSERT_EQ(form.controls.size(), 1u);
    EXPECT_EQ(form.controls[0].name, L"tmrRefresh");
    EXPECT_EQ(form.controls[0].kind, ControlKind::Timer);
    EXPECT_EQ(form.controls[0].interval, 1u);
    EXPECT_TRUE(form.controls[0].enabled);
}

TEST(OverlayForm, LoadMakesTheWindowMaximisedLayeredClickThroughAndTopMost) {
    Form1 form;
    std::vector<std::string> calls;
    HWND window = nullptr;
    ScopedSubstitute getLong(user32::GetWindowLongA, [&](HWND w, int index) {
        window = w;
        calls.push_back("GetWindowLongA(" + std::to_string(index) + ")");
        return user32::GetWindowLongA.real()(w, index);
    });
    LONG written = 0;
    ScopedSubstitute setLong(user32::SetWindowLongA, [&](HWND w, int index, LONG value) {
        calls.push_back("SetWindowLongA(" + std::to_string(index) + ")");
        written = value;
        EXPECT_EQ(w, window);
        return user32::SetWindowLongA.real()(w, index, value);
    });
    ScopedSubstitute layered(user32::SetLayeredWindowAttributes, [&](HWND w, COLORREF key, BYTE alpha, DWORD flags) {
        calls.push_back("SetLayeredWindowAttributes(" + std::to_string(key) + ", " + std::to_string(alpha) + ", " +
                        std::to_string(flags) + ")");
        return user32::SetLayeredWindowAttributes.real()(w, key, alpha, flags);
    });
    ScopedSubstitute position(velmora::runtime::user32_dll::SetWindowPos,
                              [&](HWND w, HWND after, int x, int y, int cx, int cy, UINT flags) {
                                  std::ostringstream call;
                                  call << "SetWindowPos(" << reinterpret_cast<INT_PTR>(after) << ", " << x << ", "
                                       << y << ", " << cx << ", " << cy << ", " << flags << ")";
                                  calls.push_back(call.str());
                                  return velmora::runtime::user32_dll::SetWindowPos.real()(w, after, x, y, cx, cy,
                                                                                            flags);
                              });
    form.load();
    EXPECT_EQ(window, form.hWnd());
    EXPECT_EQ(calls, (std::vector<std::string>{"GetWindowLongA(-20)", "SetWindowLongA(-20)",
                                               "SetLayeredWindowAttributes(0, 255, 2)",
                                               "SetWindowPos(-1, 0, 0, 0, 0, 3)"}));
    EXPECT_EQ(written & 0x80020, 0x80020);
    EXPECT_EQ(form.WindowState(), 2);
    const LONG_PTR style = GetWindowLongPtrW(form.hWnd(), GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST),
              WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST);
}

TEST_F(OverlayTick, MakesExactlyTheCallsOfARefreshInOrder) {
    const Scene scene(1920, 1080);
    TickRecorder recorder(form, scene);
    form.tmrRefresh_Timer();
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{"CreateCompatibleDC(0)", "CreateDIBSection(memory, info, 0, bits, 0, 0)",
                                        "SelectObject(memory, section)", "GetDC(0)",
                                        "BitBlt(memory, 0, 0, 1920, 1080, screen, 0, 0, cc0020)", "ReleaseDC(0, screen)",
                                        "ConvertToGray(bits, 1920, 1080)",
                                        "BitBlt(form, 0, 0, 1920, 1080, memory, 0, 0, cc0020)", "DeleteDC(memory)",
                                        "DeleteObject(section)"}));
    const BITMAPINFOHEADER& h = recorder.header.bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 1920);
    EXPECT_EQ(h.biHeight, 1080);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage + h.biXPelsPerMeter + h.biYPelsPerMeter + h.biClrUsed + h.biClrImportant, 0u);
    const RGBQUAD& colour = recorder.header.bmiColors[0];
    EXPECT_EQ(colour.rgbBlue + colour.rgbGreen + colour.rgbRed + colour.rgbReserved, 0);
}

TEST_F(OverlayTick, PaintsTheGrayOfTheScreen) {
    for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{1366, 768}, std::pair{1023, 7}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const Scene scene(width, height);
        TickRecorder recorder(form, scene);
        form.tmrRefresh_Timer();
        expectSamePixels(recorder.painted, expectedGray(scene), width, height);
    }
}

TEST_F(OverlayTick, BindsTheLibraryOnceAndKeepsIt) {
    for (int i = 0; i < 20; ++i) form.tmrRefresh_Timer();
    EXPECT_TRUE(ConvertToGray.isBound());
    EXPECT_EQ(ConvertToGray.resolutions(), 1);
}

// Counts the GDI objects a tick creates and deletes, through the bindings.
class ObjectCounter : public velmora::test::CallLog {
public:
    ObjectCounter() {
        handle(gdi32::CreateCompatibleDC, [this](HDC dc) { return counted(gdi32::CreateCompatibleDC.real()(dc)); });
        handle(gdi32::DeleteDC, [this](HDC dc) { return uncounted(dc, gdi32::DeleteDC.real()(dc)); });
        handle(gdi32::CreateDIBSection, [this](HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE s,
                                               DWORD o) {
            HBITMAP section = counted(gdi32::CreateDIBSection.real()(dc, info, usage, bits, s, o));
            if (withoutPixelMemory) *bits = nullptr;
            return section;
        });
        handle(gdi32::DeleteObject,
               [this](HGDIOBJ object) { return uncounted(object, gdi32::DeleteObject.real()(object)); });
        handle(user32::GetDC, [this](HWND w) { return counted(user32::GetDC.real()(w)); });
        handle(user32::ReleaseDC, [this](HWND w, HDC dc) { return uncounted(dc, user32::ReleaseDC.real()(w, dc)); });
    }

    int held = 0;
    int failedReleases = 0;
    // Makes each new DIB section report no pixel memory.
    bool withoutPixelMemory = false;

private:
    template <typename Handle>
    Handle counted(Handle handle) {
        if (handle) ++held;
        return handle;
    }
    template <typename Result>
    Result uncounted(const void* handle, Result result) {
        if (handle) --held;
        if (!result) ++failedReleases;
        return result;
    }
};

TEST_F(OverlayTick, AThousandTicksHoldNoObjects) {
    // A small screen keeps the thousand ticks quick; what a tick holds does
    // not depend on the size.
    ScopedSubstitute smallScreen(user32::GetSystemMetrics, [](int index) { return index == SM_CXSCREEN ? 320 : 200; });
    // Wine's GetGuiResources reports no counts, so the objects are counted
    // where they are made and released: through the bindings.
    ObjectCounter counter;
    for (int i = 0; i < 1000; ++i) form.tmrRefresh_Timer();
    EXPECT_EQ(counter.held, 0);
    EXPECT_EQ(counter.failedReleases, 0);
}

// A tick whose memory DC, DIB section or screen DC cannot be had releases
// what it did get, converts nothing and paints nothing.
TEST_F(OverlayTick, ATickThatCannotGetItsObjectsPaintsNothing) {
    int converted = 0, painted = 0;
    ScopedSubstitute convert(ConvertToGray, [&](std::uint8_t*, std::int32_t, std::int32_t) { return ++converted; });
    ScopedSubstitute blit(gdi32::BitBlt, [&](HDC to, int, int, int, int, HDC, int, int, DWORD) {
        if (to == form.hDC()) ++painted;
        return TRUE;
    });
    ObjectCounter counter;
    {
        ScopedSubstitute fail(gdi32::CreateCompatibleDC, [](HDC) { return HDC{}; });
        form.tmrRefresh_Timer();
    }
    {
        ScopedSubstitute fail(gdi32::CreateDIBSection,
                              [](HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD) { return HBITMAP{}; });
        form.tmrRefresh_Timer();
    }
    // A section without pixel memory must not reach ConvertToGray either.
    counter.withoutPixelMemory = true;
    form.tmrRefresh_Timer();
    counter.withoutPixelMemory = false;
    {
        ScopedSubstitute fail(user32::GetDC, [](HWND) { return HDC{}; });
        form.tmrRefresh_Timer();
    }
    EXPECT_EQ(converted, 0);
    EXPECT_EQ(painted, 0);
    EXPECT_EQ(counter.held, 0);
    EXPECT_EQ(counter.failedReleases, 0);
}

TEST_F(OverlayTick, AScreenSizeBeyondThirtyTwoBitsRaisesOverflow) {
    ScopedSubstitute huge(user32::GetSystemMetrics, [](int) { return 2147483647; });
    try {
        form.tmrRefresh_Timer();
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 6);
    }
}

}  // namespace
