#include "imageio/display_open.h"

#include "frame/frame.h"
#include "imageio/image_open.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"
#include "imaging/metadata/icc_profile.h"
#include "imaging/metadata/metadata.h"
#include "imaging/pixels/orient.h"
#include "platform/memory.h"
#include "zvdll/string.h"

#include <new>
#include <utility>
#include <vector>

namespace zv::imageio {
namespace {

imaging::PhotoMetadata ReadMetadata(const char* path)
{
    HISSRC source = IS40_OpenFileSource(CString(path));
    if (source == nullptr) {
        return {};
    }
    imaging::PhotoMetadata metadata = imaging::ReadPhotoMetadata(*source);
    IS40_CloseSource(source);
    return metadata;
}

bool SwapsSides(uint32_t orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// Turns the host's buffer upright: in place when the size stays, else into a new buffer that
// replaces it. False (the buffer as it was) when that buffer can't be had.
bool TurnUpright(uint32_t orientation, uint8_t** pixels, int32_t* width, int32_t* height)
{
    const auto w = static_cast<uint32_t>(*width);
    const auto h = static_cast<uint32_t>(*height);
    if (!SwapsSides(orientation)) {
        return orientation == 1 || imaging::OrientPixels(*pixels, w, h, static_cast<int>(orientation), *pixels);
    }
    uint8_t* turned = nullptr;
    try {
        turned = platform::NewPixelBuffer(static_cast<uint64_t>(w) * h * 3);
    } catch (const std::bad_alloc&) {
        frame::ReportOutOfMemory();
        return false;
    }
    imaging::OrientPixels(*pixels, w, h, static_cast<int>(orientation), turned);
    delete[] std::exchange(*pixels, turned);
    std::swap(*width, *height);
    return true;
}

} // namespace

int32_t OpenImageFileForDisplay(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                                int32_t maxWidth, int32_t maxHeight, uint32_t options)
{
    const imaging::PhotoMetadata metadata =
        (options & (kOpenUpright | kOpenSrgb)) != 0 && path != nullptr ? ReadMetadata(path) : imaging::PhotoMetadata{};
    const uint32_t orientation = (options & kOpenUpright) != 0 ? metadata.orientation : 1;
    if (SwapsSides(orientation)) {
        std::swap(maxWidth, maxHeight);
    }
    uint8_t* pixels = nullptr;
    int32_t w = 0;
    int32_t h = 0;
    if (!OpenImageFileForSize(path, &pixels, &w, &h, maxWidth, maxHeight)) {
        return 0;
    }
    if (!TurnUpright(orientation, &pixels, &w, &h)) {
        delete[] pixels;
        return 0;
    }
    const std::vector<uint8_t>& profile = metadata.blocks[imaging::kBlockIcc];
    if ((options & kOpenSrgb) != 0 && !profile.empty()) {
        // A profile that cannot be used leaves the pixels as decoded, which is the best left.
        imaging::ConvertRgbToSrgb(pixels, static_cast<uint32_t>(w), static_cast<uint32_t>(h), profile.data(),
                                  profile.size(), 0);
    }
    if (rgbOut != nullptr) {
        *rgbOut = pixels;
    } else {
        delete[] pixels;
    }
    if (width != nullptr) {
        *width = w;
    }
    if (height != nullptr) {
        *height = h;
    }
    return 1;
}

} // namespace zv::imageio
