// Camera RAW files through LibRaw (thread-safe build): reading into 24-bit RGB and measuring.
//
// Both operations work on the bytes of the already opened source (LibRaw's buffer input), one
// LibRaw object per call, so concurrent calls on different threads share nothing.
//
// How LibRaw's failures become this library's errors (codes through the one table in
// errors.cpp; for RAW "corrupt" is 3 and "unsupported" is 45):
//   LIBRAW_FILE_UNSUPPORTED, LIBRAW_REQUEST_FOR_NONEXISTENT_IMAGE,
//   LIBRAW_NOT_IMPLEMENTED                       -> Problem::Unsupported (45)
//   LIBRAW_IO_ERROR, a data error at end of data -> Problem::Truncated   (3)
//   LIBRAW_DATA_ERROR, any other data error, and
//   every other LibRaw error                     -> Problem::Corrupt     (3)
//   LIBRAW_UNSUFFICIENT_MEMORY,
//   LIBRAW_MEMPOOL_OVERFLOW, std::bad_alloc      -> Problem::OutOfMemory (1)
//   LIBRAW_TOO_BIG, or an image whose buffers
//   would exceed the allocation limit            -> Problem::TooLarge    (1)
// LibRaw reports damaged pixel data through a callback and carries on; a read that saw any
// such report fails rather than hand over a partly invented picture.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"
#include "platform/memory.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace zv::imaging {
namespace {

constexpr size_t kMakerBytes = 64;
constexpr size_t kModelBytes = 72;
constexpr uint64_t kMebibyte = 1024 * 1024;
// LibRaw keeps a demosaicing image of four 16-bit channels per pixel.
constexpr uint64_t kWorkingBytesPerPixel = 8;
// A colour filter mosaic keeps one 16-bit sample per sensor pixel; a full-colour raw four.
constexpr uint64_t kMosaicBytesPerPixel = 2;
constexpr uint64_t kFullColourBytesPerPixel = 8;

// What LibRaw's data-error callback saw during unpacking.
struct DataErrors {
    bool endOfData = false;
    bool damaged = false;
};

void RecordDataError(void* context, const char* /*file*/, const int offset)
{
    auto* errors = static_cast<DataErrors*>(context);
    if (offset < 0) {
        errors->endOfData = true;
    } else {
        errors->damaged = true;
    }
}

Problem ProblemFor(int librawError)
{
    switch (librawError) {
    case LIBRAW_FILE_UNSUPPORTED:
    case LIBRAW_REQUEST_FOR_NONEXISTENT_IMAGE:
    case LIBRAW_NOT_IMPLEMENTED:
        return Problem::Unsupported;
    case LIBRAW_IO_ERROR:
        return Problem::Truncated;
    case LIBRAW_UNSUFFICIENT_MEMORY:
    case LIBRAW_MEMPOOL_OVERFLOW:
        return Problem::OutOfMemory;
    case LIBRAW_TOO_BIG:
        return Problem::TooLarge;
    default:
        return Problem::Corrupt;
    }
}

std::nullptr_t FailRaw(Problem problem)
{
    return Fail(Format::Raw, problem);
}

std::nullptr_t FailRaw(int librawError)
{
    return FailRaw(ProblemFor(librawError));
}

// LibRaw's own ceiling on raw data, in whole mebibytes, following the allocation limit.
unsigned RawMemoryCeilingMb()
{
    const uint64_t mebibytes = (platform::AllocationLimit() + kMebibyte - 1) / kMebibyte;
    return static_cast<unsigned>(std::clamp<uint64_t>(mebibytes, 1, UINT_MAX));
}

// A fresh LibRaw object with the source's bytes opened (file identified, nothing decoded).
// On failure sets the last error and returns null.
std::unique_ptr<LibRaw> OpenDecoder(const IS40Source* source, DataErrors* errors)
{
    if (source == nullptr) {
        return FailRaw(Problem::BadArgument);
    }
    if (source->data == nullptr || source->size == 0) {
        return FailRaw(Problem::Truncated);
    }
    // The object is large; its failure to allocate is an ordinary out-of-memory result.
    std::unique_ptr<LibRaw> decoder(new (std::nothrow) LibRaw(
        LIBRAW_OPIONS_NO_MEMERR_CALLBACK | LIBRAW_OPIONS_NO_DATAERR_CALLBACK));
    if (!decoder) {
        return FailRaw(Problem::OutOfMemory);
    }
    decoder->set_dataerror_handler(RecordDataError, errors);
    decoder->imgdata.params.max_raw_memory_mb = RawMemoryCeilingMb();
    // LibRaw's buffer input only reads; its interface just lacks the const.
    const int opened = decoder->open_buffer(const_cast<uint8_t*>(source->data), source->size);
    if (opened != LIBRAW_SUCCESS) {
        return FailRaw(opened);
    }
    return decoder;
}

bool FitsLimit(uint64_t a, uint64_t b, uint64_t c)
{
    uint64_t bytes = 0;
    return platform::CheckedProduct(a, b, c, &bytes) && platform::FitsAllocationLimit(bytes);
}

// Checks, before anything proportional to the image is allocated, that the raw data, the
// working image and the output each fit the allocation limit.
bool FitsDecodeLimits(const libraw_data_t& data)
{
    const libraw_image_sizes_t& sizes = data.sizes;
    const bool mosaic = data.idata.filters != 0 || data.idata.colors == 1;
    const uint64_t rawBytesPerPixel = mosaic ? kMosaicBytesPerPixel : kFullColourBytesPerPixel;
    // Non-square sensor pixels are stretched to square ones, which makes one side longer.
    double width = sizes.width;
    double height = sizes.height;
    if (sizes.pixel_aspect > 0 && sizes.pixel_aspect < 1) {
        height /= sizes.pixel_aspect;
    } else if (sizes.pixel_aspect > 1) {
        width *= sizes.pixel_aspect;
    }
    const uint64_t outputWidth = static_cast<uint64_t>(std::ceil(width));
    const uint64_t outputHeight = static_cast<uint64_t>(std::ceil(height));
    return FitsLimit(sizes.raw_width, sizes.raw_height, rawBytesPerPixel) &&
           FitsLimit(outputWidth, outputHeight, kWorkingBytesPerPixel) &&
           FitsLimit(outputWidth, outputHeight, 3);
}

bool IsPositiveFinite(double value)
{
    return std::isfinite(value) && value > 0;
}

// The demosaicing methods a caller may pick: -1 LibRaw's default (AHD), 0 bilinear, 1 VNG,
// 2 PPG, 3 AHD, 4 DCB.
bool IsKnownQuality(int32_t quality)
{
    return quality >= -1 && quality <= 4;
}

void SetReadParameters(libraw_output_params_t* params, double brightness, int32_t quality)
{
    params->use_camera_wb = 1;  // the white balance the camera recorded
    params->output_color = 1;   // sRGB
    params->output_bps = 8;
    params->user_flip = -1;     // the orientation stored in the file
    params->user_qual = quality;
    // The output brightness follows the file and `brightness` alone: histogram-driven
    // brightening would make the same scene lighter or darker depending on its content.
    // Everything else stays as LibRaw sets it: BT.709 gamma, clipped highlights, its
    // saturation-level correction, no noise reduction, Fuji sensors rotated upright.
    params->no_auto_bright = 1;
    params->bright = static_cast<float>(brightness);
}

// Scales the red and blue white-balance multipliers: the as-shot ones, and the camera's
// daylight ones that LibRaw falls back on when the file records none. Must run between
// opening and unpacking, which is when LibRaw takes its copy of the colour data.
void ScaleWhiteBalance(libraw_colordata_t* color, double redScale, double blueScale)
{
    if (redScale == 1.0 && blueScale == 1.0) {
        return;
    }
    for (float* multipliers : {color->cam_mul, color->pre_mul}) {
        if (multipliers[0] > 0 && multipliers[2] > 0) {
            multipliers[0] = static_cast<float>(multipliers[0] * redScale);
            multipliers[2] = static_cast<float>(multipliers[2] * blueScale);
        }
    }
}

// Grey values (one byte a pixel, packed at the block's start) spread to three bytes a pixel
// in place, from the last pixel back so that nothing is overwritten before it is read.
void ExpandGreyInPlace(uint8_t* pixels, uint64_t count)
{
    for (uint64_t i = count; i-- > 0;) {
        const uint8_t grey = pixels[i];
        pixels[3 * i] = grey;
        pixels[3 * i + 1] = grey;
        pixels[3 * i + 2] = grey;
    }
}

// Copies LibRaw's processed picture into a new image block of three bytes a pixel.
HGLOBAL CopyProcessedImage(LibRaw* decoder, uint32_t* widthOut, uint32_t* heightOut)
{
    int width = 0;
    int height = 0;
    int colours = 0;
    int bits = 0;
    decoder->get_mem_image_format(&width, &height, &colours, &bits);
    if (width <= 0 || height <= 0 || bits != 8 || (colours != 3 && colours != 1)) {
        return FailRaw(Problem::Unsupported);
    }
    HGLOBAL block = AllocateImageBlock(Format::Raw, static_cast<uint64_t>(width),
                                       static_cast<uint64_t>(height), 3);
    if (block == nullptr) {
        return nullptr;
    }
    const int copied = decoder->copy_mem_image(block, width * colours, 0);
    if (copied != LIBRAW_SUCCESS) {
        ImageBlockFree(block);
        return FailRaw(copied);
    }
    if (colours == 1) {
        ExpandGreyInPlace(static_cast<uint8_t*>(block),
                          static_cast<uint64_t>(width) * static_cast<uint64_t>(height));
    }
    if (widthOut != nullptr) {
        *widthOut = static_cast<uint32_t>(width);
    }
    if (heightOut != nullptr) {
        *heightOut = static_cast<uint32_t>(height);
    }
    return block;
}

HGLOBAL ReadRaw(HISSRC source, uint32_t* width, uint32_t* height, double brightness,
                double redScale, double blueScale, int32_t quality)
{
    if (!IsPositiveFinite(brightness) || !IsPositiveFinite(redScale) ||
        !IsPositiveFinite(blueScale) || !IsKnownQuality(quality)) {
        return FailRaw(Problem::BadArgument);
    }
    DataErrors errors;
    std::unique_ptr<LibRaw> decoder = OpenDecoder(source, &errors);
    if (!decoder) {
        return nullptr;
    }
    if (!FitsDecodeLimits(decoder->imgdata)) {
        return FailRaw(Problem::TooLarge);
    }
    SetReadParameters(&decoder->imgdata.params, brightness, quality);
    ScaleWhiteBalance(&decoder->imgdata.color, redScale, blueScale);
    const int unpacked = decoder->unpack();
    if (unpacked != LIBRAW_SUCCESS) {
        return FailRaw(errors.endOfData ? LIBRAW_IO_ERROR : unpacked);
    }
    if (errors.endOfData || errors.damaged || decoder->error_count() > 0) {
        return FailRaw(errors.endOfData ? Problem::Truncated : Problem::Corrupt);
    }
    const int processed = decoder->dcraw_process();
    if (processed != LIBRAW_SUCCESS) {
        return FailRaw(processed);
    }
    return CopyProcessedImage(decoder.get(), width, height);
}

// Copies a LibRaw text field into a caller's buffer of `capacity` bytes, cut to fit and
// always zero-terminated.
void CopyText(const char* text, size_t textCapacity, char* out, size_t capacity)
{
    const size_t length = std::min(strnlen(text, textCapacity), capacity - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}

template <typename T, typename V>
void Store(T* out, V value)
{
    if (out != nullptr) {
        *out = static_cast<T>(value);
    }
}

uint32_t MeasureRaw(HISSRC source, uint32_t* width, uint32_t* height, char* makerOut,
                    char* modelOut, double* isoSpeed, double* shutterSeconds, double* aperture,
                    double* focalLength)
{
    DataErrors errors;
    std::unique_ptr<LibRaw> decoder = OpenDecoder(source, &errors);
    if (!decoder) {
        return 0;
    }
    // Works out the output size (iwidth x iheight) with the file's orientation and pixel
    // aspect applied, without decoding.
    const int adjusted = decoder->adjust_sizes_info_only();
    if (adjusted != LIBRAW_SUCCESS) {
        FailRaw(adjusted);
        return 0;
    }
    const libraw_data_t& data = decoder->imgdata;
    Store(width, data.sizes.iwidth);
    Store(height, data.sizes.iheight);
    if (makerOut != nullptr) {
        CopyText(data.idata.make, sizeof data.idata.make, makerOut, kMakerBytes);
    }
    if (modelOut != nullptr) {
        CopyText(data.idata.model, sizeof data.idata.model, modelOut, kModelBytes);
    }
    Store(isoSpeed, data.other.iso_speed);
    Store(shutterSeconds, data.other.shutter);
    Store(aperture, data.other.aperture);
    Store(focalLength, data.other.focal_len);
    return 1;
}

} // namespace
} // namespace zv::imaging

// bitDepth: RAW files always come out at 24 bits, so it is not examined. brightness scales
// the output (1.0 as the file is exposed); redScale and blueScale multiply the red and blue
// white-balance multipliers (1.0 and 1.0: as shot); all three must be finite and above 0.
// quality picks the demosaicing (see IsKnownQuality; -1 the default). flags and reserved1 to
// reserved7 are reserved. Unusable arguments fail with code 5.
HGLOBAL SARAW_ReadRAW(HISSRC source, uint32_t* width, uint32_t* height, uint32_t /*bitDepth*/,
                      double brightness, double redScale, double blueScale, uint32_t /*flags*/,
                      int32_t quality, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                      uint32_t)
{
    using namespace zv::imaging;
    try {
        return ReadRaw(source, width, height, brightness, redScale, blueScale, quality);
    } catch (const std::bad_alloc&) {
        return FailRaw(Problem::OutOfMemory);
    } catch (...) {
        return FailRaw(Problem::Corrupt);
    }
}

// Every out-pointer may be null (that value is skipped); nothing is written on failure. A
// value the file does not record is 0. option is reserved.
uint32_t SARAW_GetRAWDims(HISSRC source, uint32_t* width, uint32_t* height, char* makerOut,
                          char* modelOut, double* isoSpeed, double* shutterSeconds,
                          double* aperture, double* focalLength, uint32_t /*option*/)
{
    using namespace zv::imaging;
    try {
        return MeasureRaw(source, width, height, makerOut, modelOut, isoSpeed, shutterSeconds,
                          aperture, focalLength);
    } catch (const std::bad_alloc&) {
        FailRaw(Problem::OutOfMemory);
    } catch (...) {
        FailRaw(Problem::Corrupt);
    }
    return 0;
}
