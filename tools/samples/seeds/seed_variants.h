// More fuzzing seeds for the codec-backed readers: one small file per colour model, bit depth
// and layout the reader converts differently, so that the fuzzer starts inside each branch.
#ifndef ZV_SAMPLES_SEED_VARIANTS_H
#define ZV_SAMPLES_SEED_VARIANTS_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zv::fuzz {

using Seed = std::pair<std::string, std::vector<uint8_t>>;  // "<target>/<name>", bytes

std::vector<Seed> PngVariants();
std::vector<Seed> JpegVariants();
// libtiff writes through a file, so the TIFF seeds pass through `scratch`.
std::vector<Seed> TiffVariants(const std::filesystem::path& scratch);
// Written with the sample writers (tools/samples/raster_writers.h) in the layouts each reader
// converts differently.
std::vector<Seed> BmpVariants();
std::vector<Seed> TgaVariants();
std::vector<Seed> PcxVariants();
// giflib writes through a file too.
std::vector<Seed> GifVariants(const std::filesystem::path& scratch);
// Files of each format the metadata reader takes, with every block the format carries.
std::vector<Seed> MetadataVariants(const std::filesystem::path& scratch);

} // namespace zv::fuzz

#endif
