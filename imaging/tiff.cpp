// TIFF on libtiff, reading straight from the mapped file. libtiff's RGBA interface does the
// pixel work: strips and tiles, contiguous and planar samples, 1 to 16 bits, bilevel,
// greyscale, palette, RGB, CMYK (8-bit), YCbCr, CIE L*a*b* and every compression libtiff was
// built with. What it cannot render (floating-point samples, for one) fails as an invalid TIFF.
//
// Two choices keep the delivered pixels those that are stored:
//  - Rows come in the order they are stored; the Orientation tag is not applied (as for the
//    EXIF orientation of a JPEG).
//  - Alpha is dropped, not composited: extra samples are declared associated before
//    rendering, which keeps libtiff from premultiplying the colour samples.
//
// libtiff's messages go to per-handle handlers, never to standard error; the first error of
// a handle decides the code that a failure reports.
#include "imaging/errors.h"
#include "imaging/imaging.h"
#include "imaging/source.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <tiffio.h>

namespace zv::imaging {
namespace {

struct TiffInput {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
    bool failed = false;
    Problem problem = Problem::Corrupt;
};

Problem ProblemForMessage(const char* text)
{
    if (std::strstr(text, "Read error") != nullptr || std::strstr(text, "Seek error") != nullptr ||
        std::strstr(text, "end of file") != nullptr || std::strstr(text, "past end") != nullptr) {
        return Problem::Truncated;
    }
    if (std::strstr(text, "byte limit") != nullptr) {
        return Problem::TooLarge;
    }
    if (std::strstr(text, "Out of memory") != nullptr || std::strstr(text, "Failed to allocate") != nullptr) {
        return Problem::OutOfMemory;
    }
    return Problem::Corrupt;
}

int OnError(TIFF*, void* userData, const char*, const char* format, va_list args)
{
    auto* input = static_cast<TiffInput*>(userData);
    if (!input->failed) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        input->failed = true;
        input->problem = ProblemForMessage(text);
    }
    return 1;  // handled: nothing reaches the global handler or standard error
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count)
{
    auto* input = static_cast<TiffInput*>(handle);
    if (count <= 0 || input->position >= input->size) {
        return 0;
    }
    const uint64_t available = input->size - input->position;
    const uint64_t taken = std::min<uint64_t>(static_cast<uint64_t>(count), available);
    std::memcpy(buffer, input->data + input->position, taken);
    input->position += taken;
    return static_cast<tmsize_t>(taken);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t)
{
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* input = static_cast<TiffInput*>(handle);
    uint64_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = input->position;
        break;
    case SEEK_END:
        base = input->size;
        break;
    default:
        return static_cast<toff_t>(-1);
    }
    // Offsets arrive as unsigned; a relative move backwards wraps, which the addition undoes.
    const uint64_t target = base + offset;
    if (whence != SEEK_SET && static_cast<int64_t>(offset) < 0 && target > base) {
        return static_cast<toff_t>(-1);
    }
    input->position = target;
    return target;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t handle)
{
    return static_cast<TiffInput*>(handle)->size;
}

// libtiff reads strips straight from the mapping instead of copying them.
int MapProc(thandle_t handle, void** base, toff_t* size)
{
    auto* input = static_cast<TiffInput*>(handle);
    if (input->data == nullptr) {
        return 0;
    }
    *base = const_cast<uint8_t*>(input->data);  // libtiff only reads through it in read mode
    *size = input->size;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

class TiffFile {
public:
    explicit TiffFile(const IS40Source& source)
    {
        input_.data = source.data;
        input_.size = source.size;
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr) {
            return;
        }
        const uint64_t limit = std::min<uint64_t>(platform::AllocationLimit(), INT64_MAX);
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(limit));
        TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &input_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &input_);
        tiff_ = TIFFClientOpenExt("image", "r", &input_, ReadProc, WriteProc, SeekProc, CloseProc,
                                  SizeProc, MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffFile()
    {
        if (tiff_ != nullptr) {
            TIFFClose(tiff_);
        }
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    TIFF* get() const { return tiff_; }
    bool SelectImage(uint32_t index) const
    {
        return index == 0 || TIFFSetDirectory(tiff_, static_cast<tdir_t>(index)) == 1;
    }

    // Sets the last error for a failure: what libtiff reported first, else `fallback`.
    void Fail(Problem fallback) const
    {
        SetLastError(CodeFor(Format::Tiff, input_.failed ? input_.problem : fallback));
    }

private:
    TiffInput input_;
    TIFF* tiff_ = nullptr;
};

bool Open(const TiffFile& file, uint32_t frameIndex)
{
    if (file.get() == nullptr) {
        file.Fail(Problem::Corrupt);
        return false;
    }
    if (!file.SelectImage(frameIndex)) {
        file.Fail(Problem::Corrupt);
        return false;
    }
    return true;
}

// Declares every extra sample associated alpha, so that colour samples are rendered as
// stored instead of being multiplied by an unassociated alpha.
void KeepColourAsStored(TIFF* tiff)
{
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) != 1 || count == 0) {
        return;
    }
    const std::vector<uint16_t> associated(count, EXTRASAMPLE_ASSOCALPHA);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, static_cast<int>(count), associated.data());
}

// Packs the 4-byte pixels of the raster into 3-byte pixels in place, front to back: each
// pixel is read before any later write can reach it.
void PackRgbInPlace(uint8_t* pixels, uint64_t count)
{
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t abgr = 0;
        std::memcpy(&abgr, pixels + i * 4, sizeof abgr);
        uint8_t* out = pixels + i * 3;
        out[0] = static_cast<uint8_t>(TIFFGetR(abgr));
        out[1] = static_cast<uint8_t>(TIFFGetG(abgr));
        out[2] = static_cast<uint8_t>(TIFFGetB(abgr));
    }
}

// Renders the current image into a block allocated for 4-byte pixels, then packs it to
// 3 bytes a pixel; the block keeps its size, of which the first width*height*3 bytes count.
HGLOBAL Render(const TiffFile& file, uint32_t* widthOut, uint32_t* heightOut)
{
    TIFF* tiff = file.get();
    KeepColourAsStored(tiff);
    char message[1024] = "";
    TIFFRGBAImage image{};
    if (TIFFRGBAImageOK(tiff, message) != 1 || TIFFRGBAImageBegin(&image, tiff, 1, message) != 1) {
        file.Fail(Problem::Unsupported);
        return nullptr;
    }
    const uint32_t width = image.width;
    const uint32_t height = image.height;
    OwnedBlock block(AllocateImageBlock(Format::Tiff, width, height, 4));
    if (block.get() == nullptr) {
        TIFFRGBAImageEnd(&image);
        return nullptr;
    }
    image.req_orientation = image.orientation;  // rows as stored
    const int rendered = TIFFRGBAImageGet(&image, reinterpret_cast<uint32_t*>(block.bytes()), width, height);
    TIFFRGBAImageEnd(&image);
    if (rendered != 1) {
        file.Fail(Problem::Corrupt);
        return nullptr;
    }
    PackRgbInPlace(block.bytes(), static_cast<uint64_t>(width) * height);
    Store(widthOut, width);
    Store(heightOut, height);
    return block.Release();
}

} // namespace
} // namespace zv::imaging

using namespace zv::imaging;

HGLOBAL IS40_ReadTIFF(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth, uint8_t*,
                      uint32_t frameIndex, uint32_t)
{
    if (source == nullptr || bitDepth != 24) {
        return Fail(Format::Tiff, Problem::BadArgument);
    }
    TiffFile file(*source);
    if (!Open(file, frameIndex)) {
        return nullptr;
    }
    return Render(file, width, height);
}

uint32_t IS40_GetTIFFDims(HISSRC source, uint32_t frameIndex, uint32_t* width, uint32_t* height,
                          uint32_t* bitsPerPixel, IS40DimInfo* info, uint32_t)
{
    if (source == nullptr) {
        Fail(Format::Tiff, Problem::BadArgument);
        return 0;
    }
    TiffFile file(*source);
    if (!Open(file, frameIndex)) {
        return 0;
    }
    TIFF* tiff = file.get();
    uint32_t w = 0;
    uint32_t h = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t compression = COMPRESSION_NONE;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w) != 1 || TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h) != 1) {
        file.Fail(Problem::Corrupt);
        return 0;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    Store(width, w);
    Store(height, h);
    Store(bitsPerPixel, static_cast<uint32_t>(bitsPerSample) * samplesPerPixel);
    if (info != nullptr) {
        *info = IS40DimInfo{w, h, bitsPerSample, samplesPerPixel, compression};
    }
    return 1;
}
