#include "tests/support/raster_reading.h"

#include "imaging/core/source.h"

#include <cstring>
#include <functional>
#include <memory>

namespace zv::test {

namespace {

RasterResult ReadFromSource(RasterReader reader, HISSRC source)
{
    RasterResult result;
    uint32_t width = 0, height = 0;
    HGLOBAL block = reader(source, &width, &height, 24, nullptr, 0);
    if (block == nullptr) {
        result.error = IS40_GetLastError();
    } else {
        RgbImage image;
        image.width = static_cast<int>(width);
        image.height = static_cast<int>(height);
        image.pixels.resize(static_cast<size_t>(width) * height * 3);
        std::memcpy(image.pixels.data(), block, image.pixels.size());
        result.image = std::move(image);
        GlobalFree(block);
    }
    return result;
}

} // namespace

RasterResult ReadRaster(RasterReader reader, const std::filesystem::path& file)
{
    HISSRC source = IS40_OpenFileSource(file.c_str());
    if (source == nullptr) {
        RasterResult result;
        result.error = IS40_GetLastError();
        return result;
    }
    RasterResult result = ReadFromSource(reader, source);
    IS40_CloseSource(source);
    return result;
}

RasterResult ReadRasterBytes(RasterReader reader, const std::vector<uint8_t>& bytes)
{
    // An exact-size heap copy: a vector's spare capacity would hide over-reads.
    std::unique_ptr<uint8_t[]> copy(bytes.empty() ? nullptr : new uint8_t[bytes.size()]);
    if (!bytes.empty()) {
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    }
    IS40Source source;
    source.data = copy.get();
    source.size = bytes.size();
    return ReadFromSource(reader, &source);
}

bool IsHostileName(const std::string& fileName)
{
    for (const char* word : {"crash", "oom", "timeout", "oob", "fuzz"}) {
        if (fileName.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::filesystem::path WriteByContent(const std::vector<uint8_t>& bytes, const std::string& folder,
                                     const std::string& extension)
{
    const std::filesystem::path dir = std::filesystem::path(ZV_BINARY_DIR) / folder;
    std::filesystem::create_directories(dir);
    const std::string key(bytes.begin(), bytes.end());
    const std::filesystem::path file = dir / (std::to_string(std::hash<std::string>{}(key)) + extension);
    if (!std::filesystem::exists(file)) {
        WriteFile(file, bytes);
    }
    return file;
}

int MaxDifference(const RgbImage& a, const RgbImage& b)
{
    return MaxDifference(a, b.pixels.data(), b.width, b.height);
}

} // namespace zv::test
