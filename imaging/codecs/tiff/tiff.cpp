// TIFF on libtiff, reading straight from the mapped file. libtiff's RGBA interface does the
// pixel work: strips and tiles, contiguous and planar samples, 1 to 16 bits, bilevel,
// greyscale, palette, RGB, CMYK (8-bit), YCbCr, CIE L*a*b* and every compression libtiff was
// built with. What it refuses, tiff_samples converts from the samples libtiff decodes: other
// unsigned depths up to 16 bits (12-bit, say), 32-bit unsigned, signed and floating-point
// (half, single, double) greyscale and RGB, 16-bit CMYK. What neither takes (16-bit palettes,
// other inksets, ...) fails as an invalid TIFF.
//
// The Orientation tag is applied: images come out upright, turned and mirrored as the tag
// says (libtiff's own handling only mirrors, so we place the pixels ourselves).
//
// Alpha is dropped, not composited: extra samples are declared associated before rendering,
// which keeps libtiff from multiplying unassociated alpha into the colour, and colour that
// the file stores premultiplied is divided back by its alpha.
//
// libtiff's messages go to per-handle handlers, never to standard error; the first error of
// a handle decides the code that a failure reports.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"
#include "imaging/codecs/tiff/tiff_fax.h"
#include "imaging/codecs/tiff/tiff_file.h"
#include "imaging/codecs/tiff/tiff_samples.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>
#include <vector>

#include <tiffio.h>

namespace zv::imaging {
namespace {

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

// Declares every extra sample associated alpha, so that libtiff renders colour samples as
// stored instead of multiplying them by an unassociated alpha. Returns whether the file's
// own colour samples are premultiplied (its first extra sample is associated alpha).
bool KeepColourAsStored(TIFF* tiff)
{
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) != 1 || count == 0 || kinds == nullptr) {
        return false;
    }
    const bool premultiplied = kinds[0] == EXTRASAMPLE_ASSOCALPHA;
    const std::vector<uint16_t> associated(count, EXTRASAMPLE_ASSOCALPHA);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, static_cast<int>(count), associated.data());
    return premultiplied;
}

// Where the stored pixel (row, column) goes for each Orientation value, so that the image
// comes out upright: 2-4 mirror and turn, 5-8 also swap rows and columns.
struct Placement {
    uint32_t outWidth;
    uint32_t outHeight;
    uint16_t orientation;

    static Placement For(uint16_t orientation, uint32_t width, uint32_t height)
    {
        const bool transposed = orientation >= ORIENTATION_LEFTTOP && orientation <= ORIENTATION_LEFTBOT;
        return transposed ? Placement{height, width, orientation} : Placement{width, height, orientation};
    }
    bool Identity() const { return orientation < ORIENTATION_TOPRIGHT || orientation > ORIENTATION_LEFTBOT; }

    // Output index of stored pixel (row, column) of an image `width` x `height` as stored.
    uint64_t Index(uint32_t row, uint32_t column, uint32_t width, uint32_t height) const
    {
        uint32_t x = column;
        uint32_t y = row;
        switch (orientation) {
        case ORIENTATION_TOPRIGHT: x = width - 1 - column; break;
        case ORIENTATION_BOTRIGHT: x = width - 1 - column; y = height - 1 - row; break;
        case ORIENTATION_BOTLEFT: y = height - 1 - row; break;
        case ORIENTATION_LEFTTOP: x = row; y = column; break;
        case ORIENTATION_RIGHTTOP: x = height - 1 - row; y = column; break;
        case ORIENTATION_RIGHTBOT: x = height - 1 - row; y = width - 1 - column; break;
        case ORIENTATION_LEFTBOT: x = row; y = width - 1 - column; break;
        default: break;
        }
        return static_cast<uint64_t>(y) * outWidth + x;
    }
};

// One raster pixel (A, B, G, R from the high byte down) to 3 bytes. Premultiplied colour is
// divided back by its alpha, as decoders that drop alpha commonly do.
void PutPixel(uint32_t abgr, bool premultiplied, uint8_t* out)
{
    uint32_t red = TIFFGetR(abgr);
    uint32_t green = TIFFGetG(abgr);
    uint32_t blue = TIFFGetB(abgr);
    const uint32_t alpha = TIFFGetA(abgr);
    if (premultiplied && alpha != 0 && alpha != 255) {
        red = std::min<uint32_t>(255, red * 255 / alpha);
        green = std::min<uint32_t>(255, green * 255 / alpha);
        blue = std::min<uint32_t>(255, blue * 255 / alpha);
    }
    out[0] = static_cast<uint8_t>(red);
    out[1] = static_cast<uint8_t>(green);
    out[2] = static_cast<uint8_t>(blue);
}

uint32_t RasterPixel(const uint8_t* raster, uint64_t index)
{
    uint32_t abgr = 0;
    std::memcpy(&abgr, raster + index * 4, sizeof abgr);
    return abgr;
}

// Packs the 4-byte pixels into 3-byte pixels in place, front to back: each pixel is read
// before any later write can reach it. The block keeps its size; the first width*height*3
// bytes count.
void PackInPlace(uint8_t* pixels, uint64_t count, bool premultiplied)
{
    for (uint64_t i = 0; i < count; ++i) {
        PutPixel(RasterPixel(pixels, i), premultiplied, pixels + i * 3);
    }
}

void PlaceInto(const uint8_t* raster, uint32_t width, uint32_t height, const Placement& placement,
               bool premultiplied, uint8_t* out)
{
    for (uint32_t row = 0; row < height; ++row) {
        for (uint32_t column = 0; column < width; ++column) {
            const uint32_t abgr = RasterPixel(raster, static_cast<uint64_t>(row) * width + column);
            PutPixel(abgr, premultiplied, out + placement.Index(row, column, width, height) * 3);
        }
    }
}

// A raster of 4-byte pixels (A, B, G, R from the high byte down) in stored row order.
struct Raster {
    OwnedBlock block;
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t orientation = ORIENTATION_TOPLEFT;
};

enum class Rendered { Done, Failed, Refused };

// libtiff's RGBA interface takes 8- and 16-bit signed samples but reads them as unsigned, so
// that negative values would come out brighter than positive ones.
bool HasSignedSamples(TIFF* tiff)
{
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    return sampleFormat == SAMPLEFORMAT_INT;
}

// libtiff's RGBA interface; Refused when it will not take the layout, before any allocation.
Rendered RenderWithLibtiff(const TiffFile& file, Raster& raster)
{
    TIFF* tiff = file.get();
    if (HasSignedSamples(tiff)) {
        return Rendered::Refused;
    }
    char message[1024] = "";
    TIFFRGBAImage image{};
    if (TIFFRGBAImageOK(tiff, message) != 1 || TIFFRGBAImageBegin(&image, tiff, 1, message) != 1) {
        return Rendered::Refused;
    }
    raster.width = image.width;
    raster.height = image.height;
    raster.orientation = image.orientation;
    raster.block.Reset(AllocateImageBlock(Format::Tiff, raster.width, raster.height, 4));
    if (raster.block.get() == nullptr) {
        TIFFRGBAImageEnd(&image);
        return Rendered::Failed;  // the allocation has set the error
    }
    image.req_orientation = image.orientation;  // no flips by libtiff: rows as stored
    const int rendered =
        TIFFRGBAImageGet(&image, reinterpret_cast<uint32_t*>(raster.block.bytes()), raster.width, raster.height);
    TIFFRGBAImageEnd(&image);
    if (rendered != 1) {
        file.Fail(Problem::Corrupt);
        return Rendered::Failed;
    }
    return Rendered::Done;
}

// The layouts the RGBA interface refuses (other depths, 32-bit, signed and floating-point
// samples, 16-bit CMYK): libtiff decodes the samples, tiff_samples converts them.
Rendered RenderFromSamples(TiffFile& file, bool premultiplied, Raster& raster)
{
    TIFF* tiff = file.get();
    file.ForgetErrors();
    const std::optional<SampleLayout> layout = DescribeSamples(tiff, premultiplied);
    if (!layout) {
        return Rendered::Refused;
    }
    raster.width = layout->width;
    raster.height = layout->height;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &raster.orientation);
    raster.block.Reset(AllocateImageBlock(Format::Tiff, raster.width, raster.height, 4));
    if (raster.block.get() == nullptr) {
        return Rendered::Failed;
    }
    switch (ReadSamples(tiff, *layout, raster.block.bytes())) {
    case SampleRead::Done:
        return Rendered::Done;
    case SampleRead::Failed:
        file.Fail(Problem::Corrupt);
        return Rendered::Failed;
    case SampleRead::NoMemory:
        break;
    }
    return Rendered::Failed;
}

// Renders the current image into a raster, then turns that into the 3-byte upright image: in
// place for the usual orientation, through a second block for the others.
HGLOBAL Render(TiffFile& file, uint32_t* widthOut, uint32_t* heightOut)
{
    const bool premultiplied = KeepColourAsStored(file.get());
    Raster raster;
    Rendered rendered = RenderWithLibtiff(file, raster);
    if (rendered == Rendered::Refused) {
        rendered = RenderFromSamples(file, premultiplied, raster);
    }
    if (rendered == Rendered::Refused) {
        file.Fail(Problem::Unsupported);
    }
    if (rendered != Rendered::Done) {
        return nullptr;
    }
    const Placement placement = Placement::For(raster.orientation, raster.width, raster.height);
    if (placement.Identity()) {
        PackInPlace(raster.block.bytes(), static_cast<uint64_t>(raster.width) * raster.height, premultiplied);
    } else {
        OwnedBlock upright(AllocateImageBlock(Format::Tiff, placement.outWidth, placement.outHeight, 3));
        if (upright.get() == nullptr) {
            return nullptr;
        }
        PlaceInto(raster.block.bytes(), raster.width, raster.height, placement, premultiplied, upright.bytes());
        raster.block.Reset(upright.Release());
    }
    Store(widthOut, placement.outWidth);
    Store(heightOut, placement.outHeight);
    return raster.block.Release();
}

// ---- Fax rows for other formats ----------------------------------------------------------------

// A little-endian TIFF that wraps fax-coded rows as its one strip, so that libtiff's decoder
// can read them: the directory first, then the data.
class FaxTiffBuilder {
public:
    static constexpr uint16_t kEntries = 11;
    static constexpr uint32_t kDataAt = 8 + 2 + kEntries * 12 + 4;

    static bool Build(const uint8_t* data, size_t size, uint32_t width, uint32_t height, std::vector<uint8_t>* out)
    {
        if (size > UINT32_MAX - kDataAt) {
            return false;
        }
        FaxTiffBuilder builder(out);
        builder.Bytes({'I', 'I', 42, 0});
        builder.U32(8);
        builder.U16(kEntries);
        builder.Entry(TIFFTAG_IMAGEWIDTH, TIFF_LONG, width);
        builder.Entry(TIFFTAG_IMAGELENGTH, TIFF_LONG, height);
        builder.Entry(TIFFTAG_BITSPERSAMPLE, TIFF_SHORT, 1);
        builder.Entry(TIFFTAG_COMPRESSION, TIFF_SHORT, COMPRESSION_CCITTFAX3);
        builder.Entry(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, PHOTOMETRIC_MINISWHITE);
        builder.Entry(TIFFTAG_FILLORDER, TIFF_SHORT, FILLORDER_MSB2LSB);
        builder.Entry(TIFFTAG_STRIPOFFSETS, TIFF_LONG, kDataAt);
        builder.Entry(TIFFTAG_SAMPLESPERPIXEL, TIFF_SHORT, 1);
        builder.Entry(TIFFTAG_ROWSPERSTRIP, TIFF_LONG, height);
        builder.Entry(TIFFTAG_STRIPBYTECOUNTS, TIFF_LONG, static_cast<uint32_t>(size));
        builder.Entry(TIFFTAG_GROUP3OPTIONS, TIFF_LONG, 0);  // one-dimensional, no fill bits
        builder.U32(0);                                      // no further directory
        out->insert(out->end(), data, data + size);
        return true;
    }

private:
    explicit FaxTiffBuilder(std::vector<uint8_t>* out) : out_(out) {}

    void Bytes(std::initializer_list<uint8_t> bytes) { out_->insert(out_->end(), bytes); }
    void U16(uint32_t value) { Bytes({static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)}); }
    void U32(uint32_t value)
    {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    // One directory entry of a single value, which sits in the entry itself.
    void Entry(uint16_t tag, uint16_t type, uint32_t value)
    {
        U16(tag);
        U16(type);
        U32(1);
        if (type == TIFF_SHORT) {
            U16(value);
            U16(0);
        } else {
            U32(value);
        }
    }

    std::vector<uint8_t>* out_;
};

} // namespace

bool DecodeModifiedHuffmanRows(const uint8_t* data, size_t size, uint32_t width, uint32_t height, uint8_t* rows)
{
    std::vector<uint8_t> wrapped;
    if (!FaxTiffBuilder::Build(data, size, width, height, &wrapped)) {
        return false;
    }
    IS40Source source;
    source.data = wrapped.data();
    source.size = wrapped.size();
    TiffFile file(source);
    if (file.get() == nullptr) {
        return false;
    }
    const tmsize_t expected = static_cast<tmsize_t>((static_cast<uint64_t>(width) + 7) / 8 * height);
    const tmsize_t got = TIFFReadEncodedStrip(file.get(), 0, rows, expected);
    return got == expected && !file.Complained();
}

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
    uint16_t orientation = ORIENTATION_TOPLEFT;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w) != 1 || TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h) != 1) {
        file.Fail(Problem::Corrupt);
        return 0;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    const Placement placement = Placement::For(orientation, w, h);  // the size the image opens at
    w = placement.outWidth;
    h = placement.outHeight;
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
