// The display copy: an image scaled to fit a host window, less a 4-pixel margin, with its
// proportions kept.
#ifndef ZV_IMAGEPROC_DISPLAY_FRAME_H
#define ZV_IMAGEPROC_DISPLAY_FRAME_H

#include <cstdint>

#include "zvdll/window.h"

namespace zv::imageproc {

struct FittedSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// The display copy's size for a source of sourceWidth x sourceHeight in a window of
// windowWidth x windowHeight pixels. The image takes the window's width less 4 pixels unless
// it would then be higher than the whole window; then it takes the height less 4 pixels.
// Arithmetic is unsigned 32-bit with truncating quotients (products wrap); the height test
// compares as signed values. A window of 4 pixels or less in the dimension that decides gives
// 0 rather than a wrapped size, and so does an empty source.
FittedSize FitIntoWindow(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t windowWidth,
                         uint32_t windowHeight);

// Releases the previous display copy in *display, fits the source into the window and makes
// the new copy (see the definition for every path). 1 when a new copy was made.
int32_t DisplayFrame(uint8_t* const* source, const uint32_t* sourceWidth, const uint32_t* sourceHeight,
                     uint8_t** display, uint32_t* displayWidth, uint32_t* displayHeight,
                     const ZvWindow* window);

} // namespace zv::imageproc

#endif
