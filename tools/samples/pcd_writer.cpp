#include "pcd_writer.h"

#include <algorithm>
#include <fstream>

namespace zv::samples {
namespace {

uint8_t Clamp8(double value)
{
    return static_cast<uint8_t>(std::clamp(value + 0.5, 0.0, 255.0));
}

// The inverse of the Photo YCC expansion: L = 1.3584 Y, B - L = 2.2179 (C1 - 156),
// R - L = 1.8215 (C2 - 137).
void RgbToPhotoYcc(const uint8_t* rgb, uint8_t* ycc)
{
    const double luma = 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2];
    ycc[0] = Clamp8(luma / 1.3584);
    ycc[1] = Clamp8((rgb[2] - luma) / 2.2179 + 156);
    ycc[2] = Clamp8((rgb[0] - luma) / 1.8215 + 137);
}

} // namespace

std::vector<uint8_t> PhotoCdPack(const YccAt& yccAt, uint8_t orientation)
{
    std::vector<uint8_t> bytes(kPcdBaseEnd + kPcdSector, 0);
    const char signature[] = "PCD_IPI";
    std::copy(signature, signature + 7, bytes.begin() + 0x800);
    bytes[kPcdOrientationAt] = orientation;
    size_t at = kPcdBaseAt;
    for (uint32_t y = 0; y < kPcdBaseHeight; y += 2) {
        uint8_t ycc[3];
        for (uint32_t line = 0; line < 2; ++line) {
            for (uint32_t x = 0; x < kPcdBaseWidth; ++x) {
                yccAt(x, y + line, ycc);
                bytes[at++] = ycc[0];
            }
        }
        for (uint32_t chroma = 1; chroma <= 2; ++chroma) {
            for (uint32_t x = 0; x < kPcdBaseWidth; x += 2) {
                yccAt(x, y, ycc);
                bytes[at++] = ycc[chroma];
            }
        }
    }
    return bytes;
}

bool WritePcd(const std::string& path, const Picture& picture)
{
    if (picture.width == 0 || picture.height == 0) {
        return false;
    }
    const auto yccAt = [&picture](uint32_t x, uint32_t y, uint8_t* ycc) {
        const uint32_t sx = x * picture.width / kPcdBaseWidth;
        const uint32_t sy = y * picture.height / kPcdBaseHeight;
        RgbToPhotoYcc(&picture.rgb[(static_cast<size_t>(sy) * picture.width + sx) * 3], ycc);
    };
    const std::vector<uint8_t> bytes = PhotoCdPack(yccAt, 0);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace zv::samples
