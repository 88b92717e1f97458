#include "dng_writer.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace zv::samples {
namespace {

// XYZ (D65) to linear sRGB: with this as the camera's colour matrix the camera's native
// space is linear sRGB, so a decoder's output colours equal the scene colours written.
constexpr float kXyzToLinearSrgb[9] = {
    3.240479f, -1.537150f, -0.498535f,
    -0.969256f, 1.875992f, 0.041556f,
    0.055648f, -0.204043f, 1.057311f,
};
constexpr uint16_t kIlluminantD65 = 21;
constexpr uint16_t kPhotometricCfa = 32803;
constexpr uint16_t kPhotometricLinearRaw = 34892;

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

// CFAPattern codes (0 red, 1 green, 2 blue) of a layout like "RGGB"; false if malformed.
bool ParseCfa(const std::string& pattern, std::array<uint8_t, 4>* codes)
{
    if (pattern.size() != 4) {
        return false;
    }
    for (size_t i = 0; i < 4; ++i) {
        switch (pattern[i]) {
        case 'R': (*codes)[i] = 0; break;
        case 'G': (*codes)[i] = 1; break;
        case 'B': (*codes)[i] = 2; break;
        default: return false;
        }
    }
    return true;
}

double Channel(const LinearRgb& colour, uint8_t code)
{
    return code == 0 ? colour.red : code == 1 ? colour.green : colour.blue;
}

bool Usable(const DngOptions& options)
{
    std::array<uint8_t, 4> codes{};
    return options.width > 0 && options.height > 0 && !options.patches.empty() &&
           options.whiteLevel > options.blackLevel && ParseCfa(options.cfaPattern, &codes);
}

// Writes the camera data into an EXIF directory; returns its offset through `offset`.
bool WriteExifDirectory(TIFF* tiff, const DngOptions& options, uint64_t* offset)
{
    if (TIFFCreateEXIFDirectory(tiff) != 0) {
        return false;
    }
    const uint16_t iso = static_cast<uint16_t>(std::clamp(options.isoSpeed, 0.0, 65535.0));
    return TIFFSetField(tiff, EXIFTAG_ISOSPEEDRATINGS, 1, &iso) &&
           TIFFSetField(tiff, EXIFTAG_EXPOSURETIME, options.exposureSeconds) &&
           TIFFSetField(tiff, EXIFTAG_FNUMBER, options.fNumber) &&
           TIFFSetField(tiff, EXIFTAG_FOCALLENGTH, options.focalLengthMm) &&
           TIFFWriteCustomDirectory(tiff, offset);
}

bool SetCfaTags(TIFF* tiff, const std::array<uint8_t, 4>& cfa)
{
    const uint16_t repeatDim[2] = {2, 2};
    return TIFFSetField(tiff, TIFFTAG_CFAREPEATPATTERNDIM, repeatDim) &&
           TIFFSetField(tiff, TIFFTAG_CFAPATTERN, 4, cfa.data());
}

bool SetColourTags(TIFF* tiff, const DngOptions& options)
{
    const float neutral[3] = {static_cast<float>(options.asShotNeutral[0]),
                              static_cast<float>(options.asShotNeutral[1]),
                              static_cast<float>(options.asShotNeutral[2])};
    return TIFFSetField(tiff, TIFFTAG_COLORMATRIX1, 9, kXyzToLinearSrgb) &&
           TIFFSetField(tiff, TIFFTAG_CALIBRATIONILLUMINANT1, kIlluminantD65) &&
           TIFFSetField(tiff, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
}

bool SetMainTags(TIFF* tiff, const DngOptions& options, uint64_t exifOffset)
{
    const uint32_t width = options.declaredWidth != 0 ? options.declaredWidth : options.width;
    const uint32_t height = options.declaredHeight != 0 ? options.declaredHeight : options.height;
    std::array<uint8_t, 4> cfa{};
    ParseCfa(options.cfaPattern, &cfa);
    const uint8_t dngVersion[4] = {1, 4, 0, 0};
    const float black = options.blackLevel;
    const uint32_t white = options.whiteLevel;
    return TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0) &&
           TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width) &&
           TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height) &&
           TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16) &&
           TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) &&
           TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
           TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                        options.monochrome ? kPhotometricLinearRaw : kPhotometricCfa) &&
           TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
           TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height) &&
           TIFFSetField(tiff, TIFFTAG_ORIENTATION, options.orientation) &&
           TIFFSetField(tiff, TIFFTAG_MAKE, options.make.c_str()) &&
           TIFFSetField(tiff, TIFFTAG_MODEL, options.model.c_str()) &&
           (options.monochrome || SetCfaTags(tiff, cfa)) &&
           TIFFSetField(tiff, TIFFTAG_DNGVERSION, dngVersion) &&
           TIFFSetField(tiff, TIFFTAG_UNIQUECAMERAMODEL,
                        (options.make + " " + options.model).c_str()) &&
           (options.monochrome || SetColourTags(tiff, options)) &&
           TIFFSetField(tiff, TIFFTAG_BLACKLEVEL, 1, &black) &&
           TIFFSetField(tiff, TIFFTAG_WHITELEVEL, 1, &white) &&
           TIFFSetField(tiff, TIFFTAG_EXIFIFD, exifOffset);
}

} // namespace

std::vector<uint16_t> DngMosaic(const DngOptions& options)
{
    std::array<uint8_t, 4> cfa{};
    if (!Usable(options)) {
        return {};
    }
    ParseCfa(options.cfaPattern, &cfa);
    const double range = options.whiteLevel - options.blackLevel;
    std::vector<uint16_t> samples(static_cast<size_t>(options.width) * options.height);
    for (uint32_t y = 0; y < options.height; ++y) {
        for (uint32_t x = 0; x < options.width; ++x) {
            const size_t band = static_cast<size_t>(x) * options.patches.size() / options.width;
            const uint8_t code = options.monochrome ? 1 : cfa[(y % 2) * 2 + (x % 2)];
            const double neutral = options.monochrome ? 1.0 : options.asShotNeutral[code];
            const double level = std::clamp(Channel(options.patches[band], code), 0.0, 1.0) *
                                 std::clamp(neutral, 0.0, 1.0);
            samples[static_cast<size_t>(y) * options.width + x] =
                static_cast<uint16_t>(std::lround(options.blackLevel + level * range));
        }
    }
    return samples;
}

bool WriteTestDng(const std::filesystem::path& file, const DngOptions& options)
{
    const std::vector<uint16_t> samples = DngMosaic(options);
    if (samples.empty()) {
        return false;
    }
    // Little-endian bytes, written as one raw strip so that a declared size may differ from
    // what is stored.
    std::vector<uint8_t> bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(samples[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(samples[i] >> 8);
    }
    TiffFile tiff(TIFFOpen(file.string().c_str(), "wl"));
    if (!tiff) {
        return false;
    }
    uint64_t exifOffset = 0;
    if (!WriteExifDirectory(tiff.get(), options, &exifOffset)) {
        return false;
    }
    // Back to an ordinary image directory; the EXIF one's values are released first.
    TIFFFreeDirectory(tiff.get());
    TIFFCreateDirectory(tiff.get());
    return SetMainTags(tiff.get(), options, exifOffset) &&
           TIFFWriteRawStrip(tiff.get(), 0, bytes.data(), static_cast<tmsize_t>(bytes.size())) >= 0 &&
           TIFFWriteDirectory(tiff.get());
}

} // namespace zv::samples
