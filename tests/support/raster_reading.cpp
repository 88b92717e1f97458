#include "tests/support/raster_reading.h"

#include "imaging/core/errors.h"
#include "imaging/core/source.h"
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

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
        ImageBlockFree(block);
    }
    return result;
}

} // namespace

RasterResult ReadRaster(RasterReader reader, const std::filesystem::path& file)
{
    HISSRC source = IS40_OpenFileSource(file.string().c_str());
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

Measured MeasureWith(Measurer measure, const std::vector<uint8_t>& bytes)
{
    IS40Source source;
    source.data = bytes.empty() ? nullptr : bytes.data();
    source.size = bytes.size();
    Measured measured;
    measured.result = measure(&source, &measured.width, &measured.height, &measured.depth, &measured.info, 0);
    return measured;
}

Measured MeasureFileWith(Measurer measure, const std::filesystem::path& file)
{
    return MeasureWith(measure, ReadFile(file));
}

void ExpectEveryPrefixFails(RasterReader reader, const std::vector<uint8_t>& bytes, uint32_t error)
{
    for (size_t length = 0; length < bytes.size(); ++length) {
        const RasterResult result = ReadRasterBytes(reader, {bytes.begin(), bytes.begin() + static_cast<long>(length)});
        ASSERT_FALSE(result.image.has_value()) << length;
        ASSERT_EQ(result.error, error) << length;
    }
}

void ExpectAllocationLimitHonoured(RasterReader reader, const std::vector<uint8_t>& bytes)
{
    const RasterResult whole = ReadRasterBytes(reader, bytes);
    ASSERT_TRUE(whole.image.has_value()) << "error " << whole.error;
    RasterResult refused, exact;
    {
        AllocationLimitScope limit(whole.image->pixels.size() - 1);
        refused = ReadRasterBytes(reader, bytes);
    }
    {
        AllocationLimitScope limit(whole.image->pixels.size());
        exact = ReadRasterBytes(reader, bytes);
    }
    EXPECT_FALSE(refused.image.has_value());
    EXPECT_EQ(refused.error, imaging::kErrOutOfMemory);
    EXPECT_TRUE(exact.image.has_value()) << "a limit of the picture's own size is enough";
}

void ExpectCorpusMatchesReferences(RasterReader reader, const std::string& extension, uint32_t error,
                                   const MeasureBytes& measure, const ReferenceOf& reference)
{
    const auto corpus = CorpusDir();
    if (!corpus || !std::filesystem::is_directory(*corpus / "pillow")) {
        GTEST_SKIP() << "pillow corpus not present";
    }
    const auto files = FilesIn(*corpus / "pillow", {extension});
    ASSERT_FALSE(files.empty());
    for (const std::filesystem::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const RasterResult result = ReadRaster(reader, file);
        const auto expected = reference ? reference(file) : PilReference(file);
        if (!expected || IsHostile(file)) {
            EXPECT_FALSE(result.image.has_value());
            EXPECT_EQ(result.error, error);
            continue;
        }
        ASSERT_TRUE(result.image.has_value()) << "error " << result.error;
        EXPECT_EQ(MaxDifference(*expected, *result.image), 0);
        const auto size = measure(ReadFile(file));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->first, static_cast<uint32_t>(result.image->width));
        EXPECT_EQ(size->second, static_cast<uint32_t>(result.image->height));
    }
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
