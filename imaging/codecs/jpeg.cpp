// JPEG on libjpeg-turbo: baseline, progressive and arithmetic-coded files in greyscale, YCbCr,
// RGB, CMYK and YCCK all come out as 3-byte RGB, decoded straight into the image block.
//
// libjpeg reports fatal errors through a callback that must not return; we leave it with
// longjmp. Every function that can reach that callback keeps only trivially destructible
// locals, and the state that needs cleaning up lives in a JpegSession owned by the caller of
// the function that calls setjmp.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

namespace zv::imaging {
namespace {

// Progressive files decode all their scans before the first row comes out, and a hostile file
// can carry thousands of tiny scans that each cost a pass over the whole coefficient buffer.
// TurboJPEG refuses more than 500 scans for the same reason; so do we.
constexpr int kMaxProgressiveScans = 500;

// Rows handed to libjpeg per call; it fills as many as its upsampler produces at once.
constexpr JDIMENSION kRowBatch = 16;

struct JpegErrors {
    jpeg_error_mgr base;  // first member: libjpeg only sees this part
    std::jmp_buf jump;
    Problem problem;
};

[[noreturn]] void Abort(j_common_ptr cinfo, Problem problem)
{
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    errors->problem = problem;
    std::longjmp(errors->jump, 1);
}

Problem ProblemFor(int messageCode)
{
    switch (messageCode) {
    case JERR_INPUT_EMPTY:
    case JERR_INPUT_EOF:
        return Problem::Truncated;
    case JERR_OUT_OF_MEMORY:
        return Problem::OutOfMemory;
    case JERR_NO_BACKING_STORE:  // the coefficient buffer would exceed the memory limit
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
        return Problem::TooLarge;
    default:
        return Problem::Corrupt;
    }
}

void OnError(j_common_ptr cinfo)
{
    Abort(cinfo, ProblemFor(cinfo->err->msg_code));
}

// Warnings about recoverable damage (stray bytes before a marker, a bad restart interval) are
// tolerated as every common viewer does. Running out of data is not: libjpeg would invent the
// missing pixels, so a file cut short fails as truncated.
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        Abort(cinfo, Problem::Truncated);
    }
}

void OnOutputMessage(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo)
{
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->progressive_mode && decompress->input_scan_number > kMaxProgressiveScans) {
        Abort(cinfo, Problem::Corrupt);
    }
}

struct JpegSession {
    jpeg_decompress_struct cinfo{};  // zeroed, so destroying it is safe at any point
    JpegErrors errors{};
    jpeg_progress_mgr progress{};
    OwnedBlock block;
    platform::PageMapper pages;  // after the block: done with it before the block goes

    JpegSession() = default;
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;
    ~JpegSession() { jpeg_destroy_decompress(&cinfo); }
};

void ReadHeader(JpegSession& session, const IS40Source& source)
{
    j_decompress_ptr cinfo = &session.cinfo;
    cinfo->err = jpeg_std_error(&session.errors.base);
    session.errors.base.error_exit = OnError;
    session.errors.base.emit_message = OnMessage;
    session.errors.base.output_message = OnOutputMessage;
    jpeg_create_decompress(cinfo);
    // Coefficient buffers of progressive files come from libjpeg's own pool; without a
    // backing store, a request above this limit fails instead of allocating.
    cinfo->mem->max_memory_to_use =
        static_cast<long>(std::min<uint64_t>(platform::AllocationLimit(), LONG_MAX));
    session.progress.progress_monitor = OnProgress;
    cinfo->progress = &session.progress;
    jpeg_mem_src(cinfo, source.data, static_cast<unsigned long>(source.size));
    jpeg_read_header(cinfo, TRUE);
}

bool IsCmyk(const jpeg_decompress_struct& cinfo)
{
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

// a * b / 255, rounded, in integers.
unsigned MulDiv255(unsigned a, unsigned b)
{
    const unsigned t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// Ink amounts to light: each colour is what its ink lets through of what black lets through.
void CmykRowToRgb(const JSAMPLE* cmyk, uint8_t* rgb, JDIMENSION width, bool inverted)
{
    const unsigned flip = inverted ? 255 : 0;
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const unsigned notBlack = 255 - (cmyk[3] ^ flip);
        for (int channel = 0; channel < 3; ++channel) {
            rgb[channel] = static_cast<uint8_t>(notBlack - MulDiv255(cmyk[channel] ^ flip, notBlack));
        }
    }
}

void ReadRgbRows(JpegSession& session)
{
    j_decompress_ptr cinfo = &session.cinfo;
    const size_t stride = static_cast<size_t>(cinfo->output_width) * 3;
    JSAMPROW rows[kRowBatch];
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION count = std::min(kRowBatch, cinfo->output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = session.block.bytes() + (first + i) * stride;
        }
        jpeg_read_scanlines(cinfo, rows, count);
    }
}

// Adobe applications write CMYK (and YCCK) with every sample inverted and say so with their
// APP14 marker; files without the marker hold plain ink amounts.
void ReadCmykRows(JpegSession& session)
{
    j_decompress_ptr cinfo = &session.cinfo;
    const size_t stride = static_cast<size_t>(cinfo->output_width) * 3;
    const bool inverted = cinfo->saw_Adobe_marker != 0;
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                 cinfo->output_width * 4, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION y = cinfo->output_scanline;
        if (jpeg_read_scanlines(cinfo, row, 1) == 1) {
            CmykRowToRgb(row[0], session.block.bytes() + y * stride, cinfo->output_width, inverted);
        }
    }
}

// The size an image of width x height needs to be fitted into the box with its proportions
// kept, rounded up so that any rounding of the fit stays within it.
struct NeededSize {
    uint64_t width;
    uint64_t height;
};

NeededSize SizeToFit(uint64_t width, uint64_t height, uint64_t boxWidth, uint64_t boxHeight)
{
    return {std::min(boxWidth, (width * boxHeight + height - 1) / height),
            std::min(boxHeight, (height * boxWidth + width - 1) / width)};
}

// May longjmp. Picks the smallest of libjpeg's fast DCT scales (1/8, 1/4, 1/2) whose output
// still covers the fitted size, so that the resampler only ever shrinks; full size otherwise.
// The entropy decoding costs the same at every scale, but the inverse DCT, the upsampling,
// the colour conversion and the image block shrink with the square of the scale.
void ChooseScaleToFit(j_decompress_ptr cinfo, uint32_t boxWidth, uint32_t boxHeight)
{
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    if (boxWidth == 0 || boxHeight == 0 || cinfo->image_width == 0 || cinfo->image_height == 0) {
        return;
    }
    const NeededSize needed = SizeToFit(cinfo->image_width, cinfo->image_height, boxWidth, boxHeight);
    for (const unsigned denominator : {8u, 4u, 2u}) {
        cinfo->scale_denom = denominator;
        jpeg_calc_output_dimensions(cinfo);
        if (cinfo->output_width >= needed.width && cinfo->output_height >= needed.height) {
            return;
        }
    }
    cinfo->scale_denom = 1;
}

// May longjmp. False when the block could not be allocated (the last error is then set).
bool Decode(JpegSession& session)
{
    j_decompress_ptr cinfo = &session.cinfo;
    const bool cmyk = IsCmyk(*cinfo);
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGB;
    jpeg_calc_output_dimensions(cinfo);  // at the scale chosen before, full size by default
    session.block.Reset(AllocateImageBlock(Format::Jpeg, cinfo->output_width, cinfo->output_height, 3,
                                           session.pages));
    if (session.block.get() == nullptr) {
        return false;
    }
    jpeg_start_decompress(cinfo);
    if (cmyk) {
        ReadCmykRows(session);
    } else {
        ReadRgbRows(session);
    }
    // The rows are complete; what follows the last scan (normally just EOI) is not needed.
    return true;
}

// A box of 0 x 0 decodes at full size.
bool DecodeGuarded(JpegSession& session, const IS40Source& source, uint32_t boxWidth, uint32_t boxHeight)
{
    if (setjmp(session.errors.jump) != 0) {
        SetLastError(CodeFor(Format::Jpeg, session.errors.problem));
        return false;
    }
    ReadHeader(session, source);
    ChooseScaleToFit(&session.cinfo, boxWidth, boxHeight);
    return Decode(session);
}

HGLOBAL ReadJpeg(HISSRC source, uint32_t* width, uint32_t* height, uint32_t boxWidth, uint32_t boxHeight)
{
    PrefetchWholeFile(*source);
    JpegSession session;
    if (!DecodeGuarded(session, *source, boxWidth, boxHeight)) {
        return nullptr;
    }
    Store(width, session.cinfo.output_width);
    Store(height, session.cinfo.output_height);
    session.pages.Wait();
    return session.block.Release();
}

bool ReadHeaderGuarded(JpegSession& session, const IS40Source& source)
{
    if (setjmp(session.errors.jump) != 0) {
        SetLastError(CodeFor(Format::Jpeg, session.errors.problem));
        return false;
    }
    ReadHeader(session, source);
    return true;
}

} // namespace
} // namespace zv::imaging

using namespace zv::imaging;

HGLOBAL IS40_ReadJPG(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth, uint32_t)
{
    if (source == nullptr || bitDepth != 24) {
        return Fail(Format::Jpeg, Problem::BadArgument);
    }
    return ReadJpeg(source, width, height, 0, 0);
}

HGLOBAL IS40_ReadJPGToFit(HISSRC source, uint32_t* width, uint32_t* height, uint32_t boxWidth,
                          uint32_t boxHeight, uint32_t)
{
    if (source == nullptr) {
        return Fail(Format::Jpeg, Problem::BadArgument);
    }
    return ReadJpeg(source, width, height, boxWidth, boxHeight);
}

uint32_t IS40_GetJPGDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         uint32_t* densityX, uint32_t* densityY, IS40DimInfo* info, uint32_t)
{
    if (source == nullptr) {
        Fail(Format::Jpeg, Problem::BadArgument);
        return 0;
    }
    JpegSession session;
    if (!ReadHeaderGuarded(session, *source)) {
        return 0;
    }
    const jpeg_decompress_struct& cinfo = session.cinfo;
    const uint32_t components = static_cast<uint32_t>(cinfo.num_components);
    const uint32_t precision = static_cast<uint32_t>(cinfo.data_precision);
    Store(width, cinfo.image_width);
    Store(height, cinfo.image_height);
    Store(bitsPerPixel, components * precision);
    Store(densityX, cinfo.saw_JFIF_marker ? cinfo.X_density : 0);
    Store(densityY, cinfo.saw_JFIF_marker ? cinfo.Y_density : 0);
    if (info != nullptr) {
        *info = IS40DimInfo{cinfo.image_width, cinfo.image_height, precision, components,
                            cinfo.progressive_mode ? 1u : 0u};
    }
    return 1;
}
