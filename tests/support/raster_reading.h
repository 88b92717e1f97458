// Reading images through the imaging library the way the exports do: open a source, call
// one reader or measuring operation, copy the block out, free it, close the source.
#ifndef ZV_TESTS_RASTER_READING_H
#define ZV_TESTS_RASTER_READING_H

#include "imaging/core/imaging.h"
#include "tests/support/test_support.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
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

// Every proper prefix of `bytes` is refused with `error`.
void ExpectEveryPrefixFails(RasterReader reader, const std::vector<uint8_t>& bytes, uint32_t error);

// An allocation limit one byte short of the decoded picture refuses the read with
// out-of-memory; a limit of exactly its size, or none, lets the same bytes decode.
void ExpectAllocationLimitHonoured(RasterReader reader, const std::vector<uint8_t>& bytes);

// The size a measuring function reports for a file's bytes, or nothing when it fails.
using MeasureBytes = std::function<std::optional<std::pair<uint32_t, uint32_t>>(const std::vector<uint8_t>&)>;
using ReferenceOf = std::function<std::optional<RgbImage>(const std::filesystem::path&)>;

// Every corpus/pillow file with `extension` decodes to its reference (PIL's decode unless
// `reference` says otherwise) and measures at that size; files without a reference and the
// deliberately hostile ones are refused with `error`. Skips the test without the corpus.
void ExpectCorpusMatchesReferences(RasterReader reader, const std::string& extension, uint32_t error,
                                   const MeasureBytes& measure, const ReferenceOf& reference = {});

// Writes bytes under `folder` of the build tree, named after their content, and returns the
// path: a cached PIL decode of that path then always belongs to the same bytes.
std::filesystem::path WriteByContent(const std::vector<uint8_t>& bytes, const std::string& folder,
                                     const std::string& extension);

// What a measuring operation reported for a file's bytes.
struct Measured {
    uint32_t result = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;  // bits per pixel, or channels for PSD
    IS40DimInfo info{};
};

// The shape shared by the BMP, PCX and PSD measuring operations.
using Measurer = uint32_t (*)(HISSRC, uint32_t*, uint32_t*, uint32_t*, IS40DimInfo*, uint32_t);
Measured MeasureWith(Measurer measure, const std::vector<uint8_t>& bytes);
Measured MeasureFileWith(Measurer measure, const std::filesystem::path& file);

// Largest byte difference between two images; -1 when their sizes differ.
int MaxDifference(const RgbImage& a, const RgbImage& b);

} // namespace zv::test

#endif
