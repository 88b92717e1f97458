#include "zvdll.h"

#include "imageproc/display_frame.h"
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

using zv::CRect;
using zv::CWnd;
using zv::RECT;

// A host's view of one image and its display copy.
struct Host {
    std::vector<uint8_t> image;
    uint8_t* pixels = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t* display = nullptr;
    uint32_t displayWidth = 0;
    uint32_t displayHeight = 0;

    Host(uint32_t w, uint32_t h, uint8_t r = 10, uint8_t g = 120, uint8_t b = 230) : width(w), height(h)
    {
        image.resize(size_t{w} * h * 3);
        for (size_t i = 0; i < image.size(); i += 3) {
            image[i] = r;
            image[i + 1] = g;
            image[i + 2] = b;
        }
        pixels = image.data();
    }
    ~Host() { ZvFreeBuffer(display); }

    int32_t Show(CWnd& window)
    {
        return ZV_DisplayFrame(&pixels, &width, &height, &display, &displayWidth, &displayHeight, &window);
    }

    // Pixels of the display copy not of the source's colour.
    size_t WrongPixels() const
    {
        size_t wrong = 0;
        for (size_t i = 0; i < size_t{displayWidth} * displayHeight * 3; i += 3) {
            wrong += display[i] != image[0] || display[i + 1] != image[1] || display[i + 2] != image[2];
        }
        return wrong;
    }
};

struct FitCase {
    uint32_t sourceWidth, sourceHeight, windowWidth, windowHeight, width, height;
};

const FitCase kFitCases[] = {
    {1000, 500, 404, 300, 400, 200},
    {500, 1000, 404, 300, 148, 296},   // first fit 400 x 800 is too high
    {400, 301, 404, 300, 393, 296},    // 301 > 300: fitted by height
    {400, 298, 404, 300, 400, 298},    // within the margin but not above the window: stands
    {400, 300, 404, 300, 400, 300},    // exactly the window's height: stands
    {3000, 2000, 804, 600, 800, 533},
    {1, 1, 404, 300, 296, 296},
    {100, 10, 4, 300, 0, 0},           // no room across: nothing to show
    {10, 100, 300, 4, 0, 0},           // no room down
    {0, 100, 404, 300, 0, 0},          // empty source
    {100000, 1, 404, 300, 400, 0},     // extreme aspect: rounds to no rows
};

TEST(DisplayFrame, FitsTheWindowLessItsMargin)
{
    for (const FitCase& c : kFitCases) {
        const zv::imageproc::FittedSize fitted =
            zv::imageproc::FitIntoWindow(c.sourceWidth, c.sourceHeight, c.windowWidth, c.windowHeight);
        EXPECT_EQ(fitted.width, c.width) << c.sourceWidth << "x" << c.sourceHeight << " in " << c.windowWidth;
        EXPECT_EQ(fitted.height, c.height) << c.sourceWidth << "x" << c.sourceHeight << " in " << c.windowWidth;
    }
}

TEST(DisplayFrame, ProductsWrapInThirtyTwoBits)
{
    // 70000 * 65532 passes 2^32: the first fit wraps to 4459 rows, which fit the window (the
    // unwrapped 69995 would not).
    const auto fitted = zv::imageproc::FitIntoWindow(65536, 70000, 65536, 5000);
    EXPECT_EQ(fitted.width, 65532u);
    EXPECT_EQ(fitted.height, static_cast<uint32_t>(70000u * 65532u) / 65536u);
}

TEST(DisplayFrame, MakesTheCopyForTheWindowsRectangle)
{
    for (const FitCase& c : kFitCases) {
        if (c.width == 0 || c.height == 0) {
            continue;
        }
        Host host(c.sourceWidth, c.sourceHeight);
        // Given right-to-left and bottom-to-top: the rectangle is normalised before use.
        CWnd window(RECT{50 + int32_t(c.windowWidth), 20 + int32_t(c.windowHeight), 50, 20});
        ASSERT_EQ(host.Show(window), 1);
        EXPECT_EQ(host.displayWidth, c.width);
        EXPECT_EQ(host.displayHeight, c.height);
        ASSERT_NE(host.display, nullptr);
        EXPECT_EQ(host.WrongPixels(), 0u) << "pixels not of the source's colour";
    }
}

TEST(DisplayFrame, FollowsTheWindowWhenItMovesOrResizes)
{
    Host host(1000, 500);
    CWnd window(RECT{0, 0, 404, 300});
    ASSERT_EQ(host.Show(window), 1);
    EXPECT_EQ(host.displayWidth, 400u);
    // Smaller, then as large again: where the previous copy's buffer is taken again, it must
    // hold each new copy whole.
    for (int32_t width : {304, 404}) {
        ASSERT_TRUE(window.MoveWindow(0, 0, width, 300));
        ASSERT_EQ(host.Show(window), 1);
        EXPECT_EQ(host.displayWidth, static_cast<uint32_t>(width - 4));
        EXPECT_EQ(host.WrongPixels(), 0u);
    }
    ASSERT_TRUE(window.MoveWindow(100, 100, 204, 300));
    ASSERT_EQ(host.Show(window), 1);  // releases the first copy (checked by the leak sanitizer)
    EXPECT_EQ(host.displayWidth, 200u);
    EXPECT_EQ(host.displayHeight, 100u);
    ASSERT_TRUE(window.MoveWindow(RECT{0, 0, 1004, 104}));
    ASSERT_EQ(host.Show(window), 1);
    EXPECT_EQ(host.displayWidth, 200u);
    EXPECT_EQ(host.displayHeight, 100u);
}

TEST(DisplayFrame, NullArgumentsChangeNothing)
{
    Host host(10, 10);
    CWnd window(RECT{0, 0, 404, 300});
    ASSERT_EQ(host.Show(window), 1);
    uint8_t* const previous = host.display;
    EXPECT_EQ(ZV_DisplayFrame(nullptr, &host.width, &host.height, &host.display, &host.displayWidth,
                              &host.displayHeight, &window),
              0);
    EXPECT_EQ(ZV_DisplayFrame(&host.pixels, &host.width, nullptr, &host.display, &host.displayWidth,
                              &host.displayHeight, &window),
              0);
    EXPECT_EQ(host.display, previous);
    EXPECT_EQ(host.displayWidth, 296u);
    EXPECT_EQ(host.displayHeight, 296u);
}

TEST(DisplayFrame, OutOfMemoryIsReportedAndKeepsTheFittedSize)
{
    zv::test::HostServicesRecorder recorder;
    Host host(1000, 500);
    CWnd window(RECT{0, 0, 404, 300});
    ASSERT_EQ(host.Show(window), 1);  // a copy to be released by the failing call
    {
        zv::test::AllocationLimitScope limit(400 * 200 * 3 - 1);
        EXPECT_EQ(host.Show(window), 0);
    }
    EXPECT_EQ(host.display, nullptr);
    EXPECT_EQ(host.displayWidth, 400u);
    EXPECT_EQ(host.displayHeight, 200u);
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "Out of memory.");
    // The host can carry on: the next call makes a copy again.
    EXPECT_EQ(host.Show(window), 1);
    EXPECT_NE(host.display, nullptr);
}

TEST(DisplayFrame, NoRoomGivesAnEmptyCopyWithoutScaling)
{
    Host host(1000, 500);
    CWnd tiny(RECT{0, 0, 3, 3});
    CWnd noWindow;
    for (CWnd* window : {&tiny, &noWindow}) {
        ASSERT_EQ(host.Show(*window), 1);
        EXPECT_EQ(host.displayWidth, 0u);
        EXPECT_EQ(host.displayHeight, 0u);
        EXPECT_NE(host.display, nullptr);  // a live empty buffer, released by the next call
    }
}

TEST(DisplayFrame, ShrinksDetailWithoutAliasing)
{
    // Alternate one-pixel columns of black and white: away from the borders, where the filter
    // sees the pattern's phase, the display copy is even grey.
    Host host(1200, 800);
    for (size_t i = 0; i < host.image.size(); ++i) {
        host.image[i] = (i / 3) % 2 == 0 ? 0 : 255;
    }
    CWnd window(RECT{0, 0, 104, 104});
    ASSERT_EQ(host.Show(window), 1);
    ASSERT_EQ(host.displayWidth, 100u);
    for (uint32_t y = 0; y < host.displayHeight; ++y) {
        const uint8_t* row = host.display + size_t{y} * host.displayWidth * 3;
        const auto [low, high] = std::minmax_element(row + 4 * 3, row + (host.displayWidth - 4) * 3);
        ASSERT_GE(*low, 127) << y;
        ASSERT_LE(*high, 128) << y;
    }
}

TEST(Rect, NormalisesAndMeasures)
{
    struct Case {
        RECT given, normalised;
    };
    const Case cases[] = {
        {{0, 0, 404, 300}, {0, 0, 404, 300}},
        {{404, 300, 0, 0}, {0, 0, 404, 300}},
        {{-5, 10, -20, -10}, {-20, -10, -5, 10}},
        {{7, 7, 7, 7}, {7, 7, 7, 7}},
    };
    for (const Case& c : cases) {
        CRect rect(c.given);
        rect.NormalizeRect();
        EXPECT_EQ(rect.left, c.normalised.left);
        EXPECT_EQ(rect.top, c.normalised.top);
        EXPECT_EQ(rect.right, c.normalised.right);
        EXPECT_EQ(rect.bottom, c.normalised.bottom);
        EXPECT_EQ(rect.Width(), c.normalised.right - c.normalised.left);
        EXPECT_EQ(rect.Height(), c.normalised.bottom - c.normalised.top);
    }
    EXPECT_EQ(CRect(INT32_MIN, 0, INT32_MAX, 0).Width(), -1);  // wraps, does not overflow
}

TEST(Window, KeepsItsRectangleUntilMoved)
{
    CWnd window(RECT{10, 20, 110, 220});
    RECT rect{};
    ASSERT_TRUE(window.GetWindowRect(&rect));
    EXPECT_EQ(rect.right, 110);
    ASSERT_TRUE(window.MoveWindow(5, 6, 7, 8));
    ASSERT_TRUE(window.GetWindowRect(&rect));
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.bottom, 14);
    CWnd none;
    EXPECT_EQ(none.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(none.GetWindowRect(&rect));
    EXPECT_FALSE(none.MoveWindow(RECT{0, 0, 1, 1}));
}

#if defined(_WIN32)
// A real window of the system, destroyed at the end of the scope.
struct SystemWindow {
    HWND handle = CreateWindowExA(0, "STATIC", "zvdll test", WS_OVERLAPPEDWINDOW, 30, 40, 320, 240, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ~SystemWindow()
    {
        if (handle != nullptr) {
            DestroyWindow(handle);
        }
    }
};
#endif

TEST(Window, OverAHostsWindowAsksTheSystem)
{
#if !defined(_WIN32)
    GTEST_SKIP() << "only Windows hosts hand the library a window of the system";
#else
    SystemWindow system;
    if (system.handle == nullptr) {
        GTEST_SKIP() << "no window could be made (under Wine this needs a display: run under xvfb-run)";
    }
    CWnd window(system.handle);
    ASSERT_EQ(window.GetSafeHwnd(), system.handle);
    ASSERT_TRUE(window.MoveWindow(RECT{50, 60, 454, 360}));
    ::RECT actual{};
    ASSERT_TRUE(GetWindowRect(system.handle, &actual));
    RECT seen{};
    ASSERT_TRUE(window.GetWindowRect(&seen));
    EXPECT_EQ(seen.left, actual.left);
    EXPECT_EQ(seen.bottom, actual.bottom);
    EXPECT_EQ(actual.right - actual.left, 404) << "the system's window moved";

    Host host(1000, 500);
    ASSERT_EQ(host.Show(window), 1);
    EXPECT_EQ(host.displayWidth, 400u);
    EXPECT_EQ(window.Detach(), system.handle);
    EXPECT_FALSE(window.GetWindowRect(&seen)) << "detached, the object has no window";
    EXPECT_FALSE(window.Attach(nullptr));
#endif
}

} // namespace
