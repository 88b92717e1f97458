#include "imaging/codecs/tiff_samples.h"

#include "imaging/core/source.h"
#include "platform/memory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zv::imaging {
namespace {

uint16_t ColourChannels(TIFF* tiff, uint16_t photometric, uint16_t samplesPerPixel)
{
    switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        return 1;
    case PHOTOMETRIC_RGB:
        return samplesPerPixel >= 3 ? 3 : 0;
    case PHOTOMETRIC_SEPARATED: {
        uint16_t inkSet = INKSET_CMYK;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkSet);
        return inkSet == INKSET_CMYK && samplesPerPixel >= 4 ? 4 : 0;
    }
    default:
        return 0;
    }
}

// Files that leave out Photometric get what libtiff's RGBA interface assumes for them.
uint16_t AssumedPhotometric(TIFF* tiff, uint16_t samplesPerPixel)
{
    uint16_t extra = 0;
    uint16_t* kinds = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extra, &kinds);
    const int colour = samplesPerPixel - extra;
    return colour == 1 ? PHOTOMETRIC_MINISBLACK : colour == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MASK;
}

bool SampleFormatConvertible(uint16_t format, uint16_t bits)
{
    switch (format) {
    case SAMPLEFORMAT_UINT:
        return (bits >= 1 && bits <= 16) || bits == 32;
    case SAMPLEFORMAT_INT:
        return bits == 8 || bits == 16 || bits == 32;
    case SAMPLEFORMAT_IEEEFP:
        return bits == 16 || bits == 32 || bits == 64;
    default:
        return false;
    }
}

bool DescribeBlocks(TIFF* tiff, SampleLayout& layout)
{
    layout.tiled = TIFFIsTiled(tiff) != 0;
    if (layout.tiled) {
        if (TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &layout.blockWidth) != 1 ||
            TIFFGetField(tiff, TIFFTAG_TILELENGTH, &layout.blockHeight) != 1) {
            return false;
        }
    } else {
        uint32_t rowsPerStrip = layout.height;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        layout.blockWidth = layout.width;
        layout.blockHeight = std::min(rowsPerStrip, layout.height);
    }
    return layout.blockWidth != 0 && layout.blockHeight != 0;
}

// Unsigned samples narrower than 16 bits other than 8, packed from the high bit down; every
// row starts on a byte. Reads only the bytes the sample covers.
uint32_t PackedSample(const uint8_t* row, uint64_t index, uint16_t bits)
{
    const uint64_t firstBit = index * bits;
    const uint64_t lastBit = firstBit + bits - 1;
    uint32_t window = 0;
    for (uint64_t byte = firstBit / 8; byte <= lastBit / 8; ++byte) {
        window = (window << 8) | row[byte];
    }
    window >>= 7 - (lastBit % 8);
    return window & ((1u << bits) - 1);
}

uint8_t FloatTo8(double value)
{
    if (!(value > 0.0)) {  // also NaN
        return 0;
    }
    return static_cast<uint8_t>(std::lround(std::min(value, 1.0) * 255.0));
}

// An IEEE half (1 sign, 5 exponent, 10 fraction bits) as a double; infinities and NaN come
// out as such, and FloatTo8 settles them.
double HalfToDouble(uint16_t half)
{
    const int exponent = (half >> 10) & 0x1F;
    const int fraction = half & 0x3FF;
    const double sign = (half & 0x8000) != 0 ? -1.0 : 1.0;
    if (exponent == 0x1F) {
        return fraction == 0 ? sign * HUGE_VAL : std::nan("");
    }
    if (exponent == 0) {
        return sign * std::ldexp(fraction, -24);  // subnormal
    }
    return sign * std::ldexp(fraction + 1024, exponent - 25);
}

uint8_t FloatSample8(const uint8_t* row, uint64_t index, uint16_t bits)
{
    if (bits == 16) {
        uint16_t value = 0;  // libtiff has put it in native byte order
        std::memcpy(&value, row + index * 2, sizeof value);
        return FloatTo8(HalfToDouble(value));
    }
    if (bits == 32) {
        float value = 0;
        std::memcpy(&value, row + index * 4, sizeof value);
        return FloatTo8(value);
    }
    double value = 0;
    std::memcpy(&value, row + index * 8, sizeof value);
    return FloatTo8(value);
}

// Sample `index` of a decoded row, reduced to 8 bits (see the header for the mapping).
uint8_t Sample8(const uint8_t* row, uint64_t index, const SampleLayout& layout)
{
    const uint16_t bits = layout.bitsPerSample;
    if (layout.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        return FloatSample8(row, index, bits);
    }
    // Signed samples move up by half their range: the most negative value becomes 0. Adding
    // 2^(bits-1) modulo 2^bits is flipping the top bit.
    const bool isSigned = layout.sampleFormat == SAMPLEFORMAT_INT;
    switch (bits) {
    case 8:
        return static_cast<uint8_t>(row[index] ^ (isSigned ? 0x80u : 0u));
    case 16: {
        uint16_t value = 0;  // libtiff has put it in native byte order
        std::memcpy(&value, row + index * 2, sizeof value);
        return static_cast<uint8_t>((value ^ (isSigned ? 0x8000u : 0u)) >> 8);
    }
    case 32: {
        uint32_t value = 0;
        std::memcpy(&value, row + index * 4, sizeof value);
        return static_cast<uint8_t>((value ^ (isSigned ? 0x80000000u : 0u)) >> 24);
    }
    default: {
        const uint32_t maximum = (1u << bits) - 1;
        return static_cast<uint8_t>((PackedSample(row, index, bits) * 255 + maximum / 2) / maximum);
    }
    }
}

// Which raster byte a sample goes to: colour channels to 0-3 in order, premultiplied alpha
// to 3 (grey and RGB leave it free); -1 drops the sample.
int RasterSlot(const SampleLayout& layout, uint32_t sample)
{
    if (sample < layout.colourChannels) {
        return static_cast<int>(sample);
    }
    return layout.keepAlpha && sample == layout.colourChannels ? 3 : -1;
}

// One plane of samples: all of them when contiguous, one when planar.
struct Plane {
    uint16_t index;
    uint32_t firstSample;
    uint32_t samples;
};

class BlockReader {
public:
    BlockReader(TIFF* tiff, const SampleLayout& layout, const Plane& plane, uint64_t rowBytes, uint8_t* buffer,
                uint64_t bufferSize)
        : tiff_(tiff), layout_(layout), plane_(plane), rowBytes_(rowBytes), buffer_(buffer), bufferSize_(bufferSize)
    {
    }

    // Decodes the block at (x0, y0) and spreads its samples over the raster.
    bool Read(uint32_t x0, uint32_t y0, uint8_t* raster) const
    {
        const uint32_t rows = std::min(layout_.blockHeight, layout_.height - y0);
        const uint32_t columns = std::min(layout_.blockWidth, layout_.width - x0);
        const tmsize_t size = static_cast<tmsize_t>(bufferSize_);
        const tmsize_t got = layout_.tiled
            ? TIFFReadEncodedTile(tiff_, TIFFComputeTile(tiff_, x0, y0, 0, plane_.index), buffer_, size)
            : TIFFReadEncodedStrip(tiff_, TIFFComputeStrip(tiff_, y0, plane_.index), buffer_, size);
        if (got < 0 || static_cast<uint64_t>(got) < rows * rowBytes_) {
            return false;
        }
        for (uint32_t r = 0; r < rows; ++r) {
            const uint8_t* row = buffer_ + r * rowBytes_;
            uint8_t* out = raster + ((static_cast<uint64_t>(y0) + r) * layout_.width + x0) * 4;
            for (uint32_t c = 0; c < columns; ++c) {
                for (uint32_t s = 0; s < plane_.samples; ++s) {
                    const int slot = RasterSlot(layout_, plane_.firstSample + s);
                    if (slot >= 0) {
                        out[static_cast<uint64_t>(c) * 4 + slot] = Sample8(row, static_cast<uint64_t>(c) * plane_.samples + s, layout_);
                    }
                }
            }
        }
        return true;
    }

private:
    TIFF* tiff_;
    const SampleLayout& layout_;
    Plane plane_;
    uint64_t rowBytes_;
    uint8_t* buffer_;
    uint64_t bufferSize_;
};

SampleRead ReadPlane(TIFF* tiff, const SampleLayout& layout, const Plane& plane, uint8_t* raster)
{
    uint64_t rowBits = 0;
    if (!platform::CheckedProduct(layout.blockWidth, plane.samples, layout.bitsPerSample, &rowBits)) {
        return SampleRead::Failed;
    }
    const uint64_t rowBytes = (rowBits + 7) / 8;
    OwnedBlock buffer(AllocateImageBlock(Format::Tiff, rowBytes, layout.blockHeight, 1));
    if (buffer.get() == nullptr) {
        return SampleRead::NoMemory;
    }
    const BlockReader reader(tiff, layout, plane, rowBytes, buffer.bytes(), rowBytes * layout.blockHeight);
    for (uint32_t y = 0; y < layout.height; y += std::min(layout.blockHeight, layout.height - y)) {
        for (uint32_t x = 0; x < layout.width; x += std::min(layout.blockWidth, layout.width - x)) {
            if (!reader.Read(x, y, raster)) {
                return SampleRead::Failed;
            }
        }
    }
    return SampleRead::Done;
}

// Turns the gathered 8-bit channel values of each pixel into the packed A, B, G, R word.
void ToRasterPixels(const SampleLayout& layout, uint8_t* raster)
{
    const uint64_t count = static_cast<uint64_t>(layout.width) * layout.height;
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t* pixel = raster + i * 4;
        uint32_t red = 0;
        uint32_t green = 0;
        uint32_t blue = 0;
        if (layout.colourChannels == 1) {  // only the bytes that were filled are read
            red = green = blue = layout.photometric == PHOTOMETRIC_MINISWHITE ? 255u - pixel[0] : pixel[0];
        } else if (layout.colourChannels == 3) {
            red = pixel[0];
            green = pixel[1];
            blue = pixel[2];
        } else {
            const uint32_t white = 255u - pixel[3];
            red = white * (255u - pixel[0]) / 255;
            green = white * (255u - pixel[1]) / 255;
            blue = white * (255u - pixel[2]) / 255;
        }
        const uint32_t alpha = layout.keepAlpha ? pixel[3] : 255u;
        const uint32_t abgr = red | (green << 8) | (blue << 16) | (alpha << 24);
        std::memcpy(pixel, &abgr, sizeof abgr);
    }
}

} // namespace

std::optional<SampleLayout> DescribeSamples(TIFF* tiff, bool premultiplied)
{
    SampleLayout layout;
    uint16_t planarConfig = PLANARCONFIG_CONTIG;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width) != 1 ||
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height) != 1 || layout.width == 0 || layout.height == 0) {
        return std::nullopt;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planarConfig);
    if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric) != 1) {
        layout.photometric = AssumedPhotometric(tiff, layout.samplesPerPixel);
    }
    layout.planar = planarConfig == PLANARCONFIG_SEPARATE;
    layout.colourChannels = ColourChannels(tiff, layout.photometric, layout.samplesPerPixel);
    if (layout.colourChannels == 0 || !SampleFormatConvertible(layout.sampleFormat, layout.bitsPerSample) ||
        !DescribeBlocks(tiff, layout)) {
        return std::nullopt;
    }
    layout.keepAlpha = premultiplied && layout.colourChannels < 4 && layout.samplesPerPixel > layout.colourChannels;
    return layout;
}

SampleRead ReadSamples(TIFF* tiff, const SampleLayout& layout, uint8_t* raster)
{
    const uint32_t used = layout.colourChannels + (layout.keepAlpha ? 1u : 0u);
    if (!layout.planar) {
        const SampleRead read = ReadPlane(tiff, layout, Plane{0, 0, layout.samplesPerPixel}, raster);
        if (read != SampleRead::Done) {
            return read;
        }
    } else {
        for (uint32_t sample = 0; sample < used; ++sample) {
            const Plane plane{static_cast<uint16_t>(sample), sample, 1};
            const SampleRead read = ReadPlane(tiff, layout, plane, raster);
            if (read != SampleRead::Done) {
                return read;
            }
        }
    }
    ToRasterPixels(layout, raster);
    return SampleRead::Done;
}

} // namespace zv::imaging
