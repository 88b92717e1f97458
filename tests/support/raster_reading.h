// Reading images through the imaging library the way the exports do: open a source, call
// one reader or measuring operation, copy the block out, free it, close the source.
#ifndef ZV_TESTS_RASTER_READING_H
#define ZV_TESTS_RASTER_READING_H

#include "imaging/core/imaging.h"
#include "tests/support/test_support.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zv::test {

// The shape shared by the BMP, TGA, PCX, PNG and PSD readers.
using RasterReader = HGLOBAL (*)(HISSRC, uint32_t*, uint32_t*, uint32_t, uint8_t*, uint32_t);

struct RasterResult {
    std::optional<RgbImage> image;  // set when the reader returned a block
    uint32_t error = 0;             // IS40_GetLastError after a failed read
};

// Opens `file`, reads it with `reader` asking for 24 bits, and returns the pixels or the error.
RasterResult ReadRaster(RasterReader reader, const std::filesystem::path& file);

// The same on bytes held in memory, as a source over exactly those bytes, so that a read
// past their end is caught by the address sanitizer.
RasterResult ReadRasterBytes(RasterReader reader, const std::vector<uint8_t>& bytes);

// True for the corpus's deliberately hostile files (crash, oom, timeout, oob, fuzz cases).
bool IsHostileName(const std::string& fileName);

// Writes bytes under `folder` of the build tree, named after their content, and returns the
// path: a cached PIL decode of that path then always belongs to the same bytes.
std::filesystem::path WriteByContent(const std::vector<uint8_t>& bytes, const std::string& folder,
                                     const std::string& extension);

// Largest byte difference between two images; -1 when their sizes differ.
int MaxDifference(const RgbImage& a, const RgbImage& b);

} // namespace zv::test

#endif
