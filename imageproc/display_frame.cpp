#include "imageproc/display_frame.h"

#include <cstring>
#include <new>

#include "frame/frame.h"
#include "imaging/core/imaging.h"
#include "platform/memory.h"
#include "platform/page_advice.h"
#include "zvdll/window.h"

namespace zv::imageproc {
namespace {

constexpr uint32_t kMargin = 4;
constexpr uint32_t kBytesPerPixel = 3;
constexpr uint32_t kHighQualityResize = 16;

uint32_t LessMargin(uint32_t extent)
{
    return extent > kMargin ? extent - kMargin : 0;
}

// The window's size from its normalised rectangle, in unsigned 32-bit arithmetic so that no
// rectangle can overflow. Without a window (null) it measures 0 x 0.
FittedSize WindowSize(const ZvWindow* window)
{
    RECT rect{0, 0, 0, 0};
    ZvWindowGetRect(window, &rect);
    CRect normalised(rect);
    normalised.NormalizeRect();
    return {static_cast<uint32_t>(normalised.right) - static_cast<uint32_t>(normalised.left),
            static_cast<uint32_t>(normalised.bottom) - static_cast<uint32_t>(normalised.top)};
}

// Whether the previous copy's buffer can take the new copy of `bytes` bytes: it holds them, it is
// not more than twice as large (a much smaller copy should not pin a large buffer), and it is not
// the source itself. The allocation limit applies as to a new buffer. Taking it again saves
// mapping fresh memory, a page fault every 4 KiB, which under Wine costs about as much as
// scaling a copy of a few megabytes.
bool Reusable(const uint8_t* previous, const uint8_t* source, uint64_t bytes)
{
    if (previous == nullptr || previous == source || bytes == 0 || !platform::FitsAllocationLimit(bytes)) {
        return false;
    }
    const uint64_t capacity = platform::PixelBufferCapacity(previous);
    return capacity >= bytes && capacity / 2 <= bytes;
}

// The buffer for a copy of width x height pixels: the previous copy's when it is reusable, else
// a new one from the pixel-buffer allocator (the one that the opened images come from), given
// the page advice of a fresh buffer, the previous released first; null after the standard
// out-of-memory report.
uint8_t* DisplayBuffer(const FittedSize& size, uint8_t* previous, const uint8_t* source, uint64_t* bytes)
{
    const bool sized = platform::CheckedProduct(size.width, size.height, kBytesPerPixel, bytes);
    if (sized && Reusable(previous, source, *bytes)) {
        return previous;
    }
    delete[] previous;
    try {
        if (!sized) {
            throw std::bad_alloc();
        }
        uint8_t* buffer = platform::NewPixelBuffer(*bytes);
        platform::AdviseHugePages(buffer, *bytes);
        return buffer;
    } catch (const std::bad_alloc&) {
        frame::ReportOutOfMemory();
        return nullptr;
    }
}

} // namespace

FittedSize FitIntoWindow(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t windowWidth,
                         uint32_t windowHeight)
{
    if (sourceWidth == 0 || sourceHeight == 0) {
        return {};
    }
    FittedSize fitted;
    fitted.width = LessMargin(windowWidth);
    fitted.height = sourceHeight * fitted.width / sourceWidth;
    // Against the whole height: a fitted height within the margin stands as computed.
    if (static_cast<int32_t>(fitted.height) > static_cast<int32_t>(windowHeight)) {
        fitted.height = LessMargin(windowHeight);
        fitted.width = sourceWidth * fitted.height / sourceHeight;
    }
    return fitted;
}

// Paths:
//  - any null argument pointer (`source` included) but the window: 0, nothing read or written;
//  - a null window is a window object without a window, which measures 0 x 0;
//  - otherwise the previous copy is released (or its buffer taken again for the new copy,
//    see Reusable) and the sizes become 0, then the fitted sizes are stored;
//  - a fitted width or height of 0 (an empty source, a window of 4 pixels or less, an
//    extreme aspect ratio): a new 0-pixel copy (a live 1-byte buffer, released like any
//    other) and 1, without scaling;
//  - a copy that the allocation limit or memory does not allow: the "Out of memory." report,
//    *display null (the host treats it as empty) and 0; the fitted sizes stay;
//  - otherwise the scaled copy and 1. Should the scaling refuse the source (a null *source),
//    the copy is black rather than uninitialised.
int32_t DisplayFrame(uint8_t* const* source, const uint32_t* sourceWidth, const uint32_t* sourceHeight,
                     uint8_t** display, uint32_t* displayWidth, uint32_t* displayHeight,
                     const ZvWindow* window)
{
    if (source == nullptr || sourceWidth == nullptr || sourceHeight == nullptr || display == nullptr ||
        displayWidth == nullptr || displayHeight == nullptr) {
        return 0;
    }
    uint8_t* const previous = *display;
    *display = nullptr;
    *displayWidth = 0;
    *displayHeight = 0;

    const FittedSize windowSize = WindowSize(window);
    const FittedSize fitted = FitIntoWindow(*sourceWidth, *sourceHeight, windowSize.width, windowSize.height);
    *displayWidth = fitted.width;
    *displayHeight = fitted.height;

    uint64_t bytes = 0;
    uint8_t* copy = DisplayBuffer(fitted, previous, *source, &bytes);
    if (copy == nullptr) {
        return 0;
    }
    *display = copy;
    if (bytes == 0) {
        return 1;
    }
    const uint32_t resized = IS40_ResizeImage(*source, *sourceWidth, *sourceHeight, *sourceWidth * kBytesPerPixel,
                                              copy, fitted.width, fitted.height, fitted.width * kBytesPerPixel,
                                              kBytesPerPixel, kHighQualityResize, 0);
    if (resized == 0) {
        std::memset(copy, 0, bytes);
    }
    return 1;
}

} // namespace zv::imageproc
