// Writes small, valid DNG camera RAW files (16-bit Bayer mosaic) for tests and demos: flat
// colour patches, a chosen colour filter layout, camera data and an orientation.
#ifndef ZV_SAMPLES_DNG_WRITER_H
#define ZV_SAMPLES_DNG_WRITER_H

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zv::samples {

// A scene colour in linear light, each channel 0..1 of the sensor's range above black.
struct LinearRgb {
    double red = 0;
    double green = 0;
    double blue = 0;
};

struct DngOptions {
    uint32_t width = 64;
    uint32_t height = 48;
    // A monochrome sensor (LinearRaw, one channel, no colour filters): samples are the
    // patches' green channel.
    bool monochrome = false;
    // The 2 x 2 colour filter layout, top row then bottom row: "RGGB", "BGGR", "GRBG", "GBRG".
    std::string cfaPattern = "RGGB";
    // Flat patches laid out as vertical bands of equal width, left to right as stored.
    std::vector<LinearRgb> patches = {{0.5, 0.5, 0.5}};
    std::string make = "ZVDll";
    std::string model = "Test Bayer";
    double isoSpeed = 200;
    double exposureSeconds = 1.0 / 125.0;
    double fNumber = 5.6;
    double focalLengthMm = 35;
    // TIFF orientation: 1 as stored, 6 rotate 90 degrees clockwise to display, 8 counter-clockwise.
    uint16_t orientation = 1;
    // How the sensor records a neutral grey (AsShotNeutral), each channel 0..1. The samples
    // written are the scene colour times this, so camera white balance turns grey back to grey.
    std::array<double, 3> asShotNeutral = {1, 1, 1};
    uint16_t blackLevel = 256;
    uint16_t whiteLevel = 65535;
    // Size written to the tags when it should differ from the pixels stored (0: the real
    // size), for files that claim more than they hold.
    uint32_t declaredWidth = 0;
    uint32_t declaredHeight = 0;
};

// The 16-bit sensor samples WriteTestDng stores, row by row (width * height values).
std::vector<uint16_t> DngMosaic(const DngOptions& options);

// Writes the DNG file (one uncompressed strip, little-endian, camera data in an EXIF
// directory). False when libtiff fails or the options are unusable.
bool WriteTestDng(const std::filesystem::path& file, const DngOptions& options);

} // namespace zv::samples

#endif
