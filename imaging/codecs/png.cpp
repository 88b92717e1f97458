// PNG on libpng: every bit depth and colour type, interlaced or not, comes out as 3-byte RGB.
// Palettes are expanded, greyscale is replicated, 16-bit samples keep their high byte (as
// most decoders do), and alpha is dropped without compositing: the colour samples are
// delivered as stored, whatever their opacity, and tRNS is ignored the same way.
//
// Screen gamma: with a screen gamma above 0 set, samples are corrected from the file's gamma
// (gAMA, or the usual 1/2.2 when the file has none) to the screen's. With 0, the default,
// samples are delivered unchanged. The setting is process-wide, like the imaging library's
// other settings, and atomic so that threads may read while one sets it.
//
// libpng reports fatal errors by longjmp back to the function that called setjmp; everything
// that needs cleaning up lives in a PngSession owned by that function's caller.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csetjmp>
#include <cstring>

#include <png.h>

namespace zv::imaging {
namespace {

std::atomic<double> g_screenGamma{0.0};

// What a file without gAMA is taken to be encoded for: the usual 2.2 display exponent.
constexpr double kDefaultFileGamma = 0.45455;

// Ancillary chunks (text, ICC profiles) above this size are skipped with a warning.
constexpr png_alloc_size_t kMaxAncillaryChunkBytes = 8'000'000;
constexpr png_uint_32 kMaxAncillaryChunks = 1000;

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

struct PngSession {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    bool truncated = false;
    Problem problem = Problem::Corrupt;
    png_structp png = nullptr;
    png_infop info = nullptr;
    OwnedBlock block;
    platform::PageMapper pages;  // after the block: done with it before the block goes

    explicit PngSession(const IS40Source& source) : data(source.data), size(source.size) {}
    PngSession(const PngSession&) = delete;
    PngSession& operator=(const PngSession&) = delete;
    ~PngSession() { png_destroy_read_struct(&png, &info, nullptr); }

    Problem Outcome() const { return truncated ? Problem::Truncated : problem; }
};

Problem ProblemForMessage(const char* message)
{
    if (std::strstr(message, "memory") != nullptr) {
        return Problem::OutOfMemory;
    }
    if (std::strstr(message, "exceeds user limit") != nullptr) {
        return Problem::TooLarge;
    }
    return Problem::Corrupt;
}

void OnError(png_structp png, png_const_charp message)
{
    auto* session = static_cast<PngSession*>(png_get_error_ptr(png));
    session->problem = ProblemForMessage(message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, size_t count)
{
    auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
    if (count > session->size - session->position) {
        session->truncated = true;
        png_error(png, "unexpected end of file");
    }
    std::memcpy(out, session->data + session->position, count);
    session->position += count;
}

bool CreateReader(PngSession& session)
{
    session.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session, OnError, OnWarning);
    if (session.png != nullptr) {
        session.info = png_create_info_struct(session.png);
    }
    if (session.info == nullptr) {
        Fail(Format::Png, Problem::OutOfMemory);
        return false;
    }
    const uint64_t perAxis = std::min<uint64_t>(platform::AllocationLimit() / 3, PNG_UINT_31_MAX);
    png_set_user_limits(session.png, static_cast<png_uint_32>(perAxis), static_cast<png_uint_32>(perAxis));
    png_set_chunk_malloc_max(session.png, kMaxAncillaryChunkBytes);
    png_set_chunk_cache_max(session.png, kMaxAncillaryChunks);
    png_set_read_fn(session.png, &session, ReadBytes);
    return true;
}

// Checks the signature and the IHDR dimensions before libpng reads further, so that a file
// claiming a huge image fails at once, even when nothing follows its header.
bool CheckHeader(const IS40Source& source)
{
    ByteReader reader(source);
    uint8_t signature[8];
    uint8_t type[4];
    uint32_t length = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    if (!reader.Bytes(signature, sizeof signature)) {
        Fail(Format::Png, Problem::Truncated);
        return false;
    }
    if (std::memcmp(signature, kSignature, sizeof signature) != 0) {
        Fail(Format::Png, Problem::Corrupt);
        return false;
    }
    if (!reader.U32BE(&length) || !reader.Bytes(type, sizeof type) || !reader.U32BE(&width) ||
        !reader.U32BE(&height)) {
        Fail(Format::Png, Problem::Truncated);
        return false;
    }
    if (std::memcmp(type, "IHDR", 4) != 0) {
        Fail(Format::Png, Problem::Corrupt);
        return false;
    }
    uint64_t bytes = 0;
    if (!platform::CheckedProduct(width, height, 3, &bytes) || !platform::FitsAllocationLimit(bytes)) {
        Fail(Format::Png, Problem::TooLarge);
        return false;
    }
    return true;
}

void CorrectGamma(PngSession& session, double screenGamma)
{
    double fileGamma = 0.0;
    if (png_get_gAMA(session.png, session.info, &fileGamma) == 0 || fileGamma <= 0.0) {
        fileGamma = kDefaultFileGamma;
    }
    png_set_gamma(session.png, screenGamma, fileGamma);
}

// Asks libpng for 8-bit RGB whatever is stored. Returns the number of interlace passes.
int RequestRgb(PngSession& session)
{
    png_structp png = session.png;
    const int colourType = png_get_color_type(png, session.info);
    const int bitDepth = png_get_bit_depth(png, session.info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    // Drops the alpha channel, and also the one that palette expansion adds for tRNS.
    if ((colourType & PNG_COLOR_MASK_ALPHA) != 0 ||
        (colourType == PNG_COLOR_TYPE_PALETTE && png_get_valid(png, session.info, PNG_INFO_tRNS) != 0)) {
        png_set_strip_alpha(png);
    }
    const double screenGamma = g_screenGamma.load(std::memory_order_relaxed);
    if (screenGamma > 0.0) {
        CorrectGamma(session, screenGamma);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, session.info);
    return passes;
}

// May longjmp. False when the block could not be allocated (the last error is then set).
bool Decode(PngSession& session)
{
    png_structp png = session.png;
    png_read_info(png, session.info);
    const int passes = RequestRgb(session);
    const png_uint_32 width = png_get_image_width(png, session.info);
    const png_uint_32 height = png_get_image_height(png, session.info);
    const size_t stride = static_cast<size_t>(width) * 3;
    if (png_get_rowbytes(png, session.info) != stride) {
        png_error(png, "unexpected row layout");
    }
    session.block.Reset(AllocateImageBlock(Format::Png, width, height, 3, session.pages));
    if (session.block.get() == nullptr) {
        return false;
    }
    // Row by row, pass by pass: libpng merges each interlace pass into the rows already there.
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, session.block.bytes() + y * stride, nullptr);
        }
    }
    return true;
}

bool DecodeGuarded(PngSession& session)
{
    if (setjmp(png_jmpbuf(session.png)) != 0) {
        SetLastError(CodeFor(Format::Png, session.Outcome()));
        return false;
    }
    return Decode(session);
}

bool ReadInfoGuarded(PngSession& session)
{
    if (setjmp(png_jmpbuf(session.png)) != 0) {
        SetLastError(CodeFor(Format::Png, session.Outcome()));
        return false;
    }
    png_read_info(session.png, session.info);
    return true;
}

void CopyPalette(PngSession& session, uint8_t* palette1024)
{
    std::memset(palette1024, 0, 1024);
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(session.png, session.info, &entries, &count) == 0) {
        return;
    }
    for (int i = 0; i < std::min(count, 256); ++i) {
        palette1024[i * 4 + 0] = entries[i].red;
        palette1024[i * 4 + 1] = entries[i].green;
        palette1024[i * 4 + 2] = entries[i].blue;
    }
}

} // namespace
} // namespace zv::imaging

using namespace zv::imaging;

void IS40_PNGSetScreenGamma(double gamma)
{
    const double kept = (std::isfinite(gamma) && gamma > 0.0) ? gamma : 0.0;
    g_screenGamma.store(kept, std::memory_order_relaxed);
}

double IS40_PNGGetScreenGamma()
{
    return g_screenGamma.load(std::memory_order_relaxed);
}

HGLOBAL IS40_ReadPNG(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth, uint8_t*, uint32_t)
{
    if (source == nullptr || bitDepth != 24) {
        return Fail(Format::Png, Problem::BadArgument);
    }
    if (!CheckHeader(*source)) {
        return nullptr;
    }
    PrefetchWholeFile(*source);
    PngSession session(*source);
    if (!CreateReader(session) || !DecodeGuarded(session)) {
        return nullptr;
    }
    Store(width, png_get_image_width(session.png, session.info));
    Store(height, png_get_image_height(session.png, session.info));
    session.pages.Wait();
    return session.block.Release();
}

uint32_t IS40_GetPNGDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                         uint32_t* colourType, uint32_t* interlace, uint8_t* palette,
                         uint32_t* compression, uint32_t* filter, uint32_t* pixelsPerUnitX,
                         uint32_t* pixelsPerUnitY, IS40DimInfo* info, uint32_t)
{
    if (source == nullptr) {
        Fail(Format::Png, Problem::BadArgument);
        return 0;
    }
    PngSession session(*source);
    if (!CreateReader(session) || !ReadInfoGuarded(session)) {
        return 0;
    }
    png_structp png = session.png;
    png_infop pngInfo = session.info;
    const uint32_t w = png_get_image_width(png, pngInfo);
    const uint32_t h = png_get_image_height(png, pngInfo);
    Store(width, w);
    Store(height, h);
    Store(bitDepth, png_get_bit_depth(png, pngInfo));
    Store(colourType, png_get_color_type(png, pngInfo));
    Store(interlace, png_get_interlace_type(png, pngInfo));
    Store(compression, png_get_compression_type(png, pngInfo));
    Store(filter, png_get_filter_type(png, pngInfo));
    png_uint_32 unitsX = 0;
    png_uint_32 unitsY = 0;
    int unit = 0;
    png_get_pHYs(png, pngInfo, &unitsX, &unitsY, &unit);  // leaves them 0 without pHYs
    Store(pixelsPerUnitX, unitsX);
    Store(pixelsPerUnitY, unitsY);
    if (palette != nullptr) {
        CopyPalette(session, palette);
    }
    if (info != nullptr) {
        *info = IS40DimInfo{w, h, png_get_bit_depth(png, pngInfo), png_get_channels(png, pngInfo),
                            png_get_interlace_type(png, pngInfo)};
    }
    return 1;
}
