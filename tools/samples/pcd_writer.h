// Photo CD image packs with only the Base image (768 x 512) filled in, which is all the
// library reads of a pack.
#ifndef ZV_SAMPLES_PCD_WRITER_H
#define ZV_SAMPLES_PCD_WRITER_H

#include "sample_writers.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv::samples {

inline constexpr size_t kPcdSector = 2048;
inline constexpr size_t kPcdBaseAt = 96 * kPcdSector;
inline constexpr uint32_t kPcdBaseWidth = 768;
inline constexpr uint32_t kPcdBaseHeight = 512;
inline constexpr size_t kPcdBaseEnd = kPcdBaseAt + kPcdBaseWidth * kPcdBaseHeight * 3 / 2;
inline constexpr size_t kPcdOrientationAt = 0x0e02;

// Luma and chroma (Y, C1, C2) of the Base image's pixel at x, y; chroma is sampled at even x
// and y, as the pack stores it.
using YccAt = std::function<void(uint32_t x, uint32_t y, uint8_t* ycc)>;

// The bytes of a pack: signature, orientation byte, and the Base image's YCC planes.
std::vector<uint8_t> PhotoCdPack(const YccAt& yccAt, uint8_t orientation);

// The picture stretched to 768 x 512 and converted to Photo YCC.
bool WritePcd(const std::string& path, const Picture& picture);

} // namespace zv::samples

#endif
