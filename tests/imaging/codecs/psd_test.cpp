// The Photoshop reader: the merged image of the corpus documents against PIL, every colour
// mode, depth and compression through documents written here, and damaged or hostile input.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "tests/support/imaging_support.h"
#include "tests/support/raster_reading.h"
#include "raster_writers.h"
#include "sample_writers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using zv::samples::PsdDocument;
using zv::samples::PsdFile;
using zv::samples::PutU16BE;
using zv::samples::PutU32BE;
using zv::samples::PsdColour;
using zv::samples::PsdCompression;
using zv::test::RgbImage;

namespace {

// ---- Running the reader ----------------------------------------------------------------------

using zv::test::Decoded;

Decoded DecodePsd(const fs::path& file, uint32_t bitDepth = 24)
{
    return zv::test::DecodeWith(
        [bitDepth](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadPSD(s, w, h, bitDepth, nullptr, 0); }, file);
}

using zv::test::Measured;

Measured MeasurePsd(const fs::path& file)
{
    return zv::test::MeasureFileWith(IS40_GetPSDDims, file);
}

// A plane of 8-bit samples with smooth areas (long runs for PackBits) and busy ones, every
// value 0..255 appearing somewhere.
std::vector<uint8_t> Plane8(uint32_t width, uint32_t height, uint32_t seed)
{
    std::vector<uint8_t> plane(static_cast<size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const bool flat = x < width / 3;
            plane[y * width + x] = static_cast<uint8_t>(flat ? seed * 40 + y * 7
                                                              : (x * 37 + y * 91 + seed * 53) ^ (x * y));
        }
    }
    return plane;
}

// The same samples widened to 16 bits: the high byte is the 8-bit value, the low byte noise.
std::vector<uint8_t> Widen16(const std::vector<uint8_t>& plane8)
{
    std::vector<uint8_t> plane;
    for (size_t i = 0; i < plane8.size(); ++i) {
        plane.push_back(plane8[i]);
        plane.push_back(static_cast<uint8_t>(i * 131 + 17));
    }
    return plane;
}

std::vector<uint8_t> RainbowPalette()
{
    std::vector<uint8_t> palette(768);
    for (int i = 0; i < 256; ++i) {
        palette[i] = static_cast<uint8_t>(i);
        palette[256 + i] = static_cast<uint8_t>(255 - i);
        palette[512 + i] = static_cast<uint8_t>(i * 7);
    }
    return palette;
}

PsdDocument Document8(uint16_t mode, uint32_t channels, uint16_t compression, uint32_t width = 23,
                      uint32_t height = 9)
{
    PsdDocument doc;
    doc.mode = mode;
    doc.width = width;
    doc.height = height;
    doc.compression = compression;
    for (uint32_t c = 0; c < channels; ++c) {
        doc.planes.push_back(Plane8(width, height, c));
    }
    if (mode == 2) {
        doc.colourData = RainbowPalette();
    }
    return doc;
}

fs::path Save(const zv::test::TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    const fs::path file = dir / name;
    zv::test::WriteFile(file, bytes);
    return file;
}

bool IsCleanFailure(uint32_t error)
{
    using namespace zv::imaging;
    return error == kErrInvalidPSD || error == kErrPSDUnsupported || error == kErrOutOfMemory;
}

// A document that cannot be compared must still fail cleanly or decode to the size it measures.
void ExpectCleanOutcome(const fs::path& file)
{
    const Decoded decoded = DecodePsd(file);
    if (!decoded.ok) {
        EXPECT_TRUE(IsCleanFailure(decoded.error)) << "error " << decoded.error;
        return;
    }
    const Measured measured = MeasurePsd(file);
    ASSERT_NE(measured.result, 0u);
    EXPECT_EQ(static_cast<int>(measured.width), decoded.image.width);
    EXPECT_EQ(static_cast<int>(measured.height), decoded.image.height);
}

// ---- Corpus ----------------------------------------------------------------------------------

// Hostile documents, and those PIL cannot read, must still fail cleanly or decode to the size
// they measure.
TEST(PsdReader, CorpusDocumentsMatchPilWhereItReadsThem)
{
    const auto corpus = zv::test::CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "no corpus";
    }
    int compared = 0;
    for (const fs::path& file : zv::test::FilesIn(*corpus / "pillow", {".psd"})) {
        SCOPED_TRACE(file.filename().string());
        const auto reference = zv::test::PilReference(file);
        if (zv::test::IsHostile(file) || !reference) {
            ExpectCleanOutcome(file);
            continue;
        }
        const Decoded decoded = DecodePsd(file);
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        EXPECT_EQ(zv::test::MaxDifference(*reference, decoded.image), 0);
        const Measured measured = MeasurePsd(file);
        EXPECT_EQ(measured.result, 1u);
        EXPECT_EQ(static_cast<int>(measured.width), decoded.image.width);
        EXPECT_EQ(static_cast<int>(measured.height), decoded.image.height);
        ++compared;
    }
    EXPECT_GE(compared, 4) << "PIL should read most of the corpus documents";
}

// ---- Every variant, written here -------------------------------------------------------------

struct VariantRow {
    const char* name;
    uint16_t mode;
    uint32_t channels;
    uint16_t compression;
};

// Each is decoded as written and compared with PIL's decode of the same document.
const VariantRow kVariants[] = {
    {"rgb raw", 3, 3, 0},
    {"rgb packbits", 3, 3, 1},
    {"rgb with alpha", 3, 4, 1},
    {"rgb with alpha and a spot channel", 3, 5, 0},
    {"greyscale raw", 1, 1, 0},
    {"greyscale packbits with alpha", 1, 2, 1},
    {"indexed raw", 2, 1, 0},
    {"indexed packbits", 2, 1, 1},
    {"cmyk raw", 4, 4, 0},
    {"cmyk packbits with alpha", 4, 5, 1},
};

// PIL's decode of the document with only its colour channels. Extra channels must not change
// the picture, and PIL itself misplaces PackBits data behind a table with extra channels (it
// reads only the colour channels' part of the table), except for RGB with one alpha channel.
std::optional<RgbImage> ColourOnlyReference(const zv::test::TempDir& dir, PsdDocument doc)
{
    const size_t colourPlanes = doc.mode == 3 ? 3 : doc.mode == 4 ? 4 : 1;
    doc.planes.resize(colourPlanes);
    return zv::test::PilReference(Save(dir, "colour-only.psd", PsdFile(doc)));
}

// Every variant decodes as PIL decodes its 8-bit PSD; 16-bit samples and large documents (PSB)
// decode like the 8-bit PSD holding the same high bytes. Each measures as written.
TEST(PsdReader, EveryVariantMatchesPilOnItsEightBitTwin)
{
    zv::test::TempDir dir;
    for (const VariantRow& row : kVariants) {
        const PsdDocument twin = Document8(row.mode, row.channels, row.compression);
        const auto reference = ColourOnlyReference(dir, twin);
        if (!reference) {
            GTEST_SKIP() << "PIL is not available";
        }
        for (uint16_t version : {1, 2}) {
            for (uint16_t depth : {8, 16}) {
                if (depth == 16 && row.mode == 2) {
                    continue;  // indexed documents are 8-bit only
                }
                SCOPED_TRACE(std::string(row.name) + (version == 2 ? ", PSB" : ", PSD") +
                             (depth == 16 ? ", 16-bit" : ", 8-bit"));
                PsdDocument doc = twin;
                doc.version = version;
                doc.depth = depth;
                if (depth == 16) {
                    for (auto& plane : doc.planes) {
                        plane = Widen16(plane);
                    }
                }
                const fs::path file = Save(dir, "wide.psd", PsdFile(doc));
                const Decoded decoded = DecodePsd(file);
                ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
                EXPECT_EQ(zv::test::MaxDifference(*reference, decoded.image), 0);
                const Measured measured = MeasurePsd(file);
                EXPECT_EQ(measured.result, 1u);
                EXPECT_EQ(measured.width, doc.width);
                EXPECT_EQ(measured.height, doc.height);
                EXPECT_EQ(measured.depth, row.channels);
                EXPECT_EQ(measured.info.width, doc.width);
                EXPECT_EQ(measured.info.height, doc.height);
                EXPECT_EQ(measured.info.bitsPerSample, depth);
                EXPECT_EQ(measured.info.samplesPerPixel, row.channels);
                EXPECT_EQ(measured.info.formatDetail, row.compression);
            }
        }
    }
}

// PIL reads bitmap documents with the bits the wrong way round, so the expectation is built
// here: a set bit is black, a clear one white, rows padded to whole bytes.
TEST(PsdReader, BitmapDocumentsAreBlackOnWhite)
{
    zv::test::TempDir dir;
    const uint32_t width = 13;
    const uint32_t height = 5;
    for (uint16_t compression : {0, 1}) {
        SCOPED_TRACE(compression == 0 ? "raw" : "packbits");
        PsdDocument doc;
        doc.mode = 0;
        doc.depth = 1;
        doc.width = width;
        doc.height = height;
        doc.compression = compression;
        const size_t rowBytes = doc.RowBytes();
        std::vector<uint8_t> bits(rowBytes * height, 0);
        std::vector<uint8_t> expected;
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                const bool black = (x + 2 * y) % 3 == 0 || x == width - 1;
                if (black) {
                    bits[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                }
                expected.insert(expected.end(), 3, black ? 0 : 255);
            }
            bits[y * rowBytes + rowBytes - 1] |= 0x01;  // padding bits are never pixels
        }
        doc.planes.push_back(bits);
        const fs::path file = Save(dir, "bitmap.psd", PsdFile(doc));
        const Decoded decoded = DecodePsd(file);
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        EXPECT_EQ(decoded.image.width, static_cast<int>(width));
        EXPECT_EQ(decoded.image.height, static_cast<int>(height));
        EXPECT_EQ(decoded.image.pixels, expected);
        EXPECT_EQ(MeasurePsd(file).info.bitsPerSample, 1u);
    }
}

// A layer section full of nonsense is skipped by its length.
TEST(PsdReader, LayerSectionIsSkippedByItsLength)
{
    zv::test::TempDir dir;
    PsdDocument plain = Document8(3, 3, 1);
    PsdDocument layered = plain;
    layered.layers.assign(301, 0xFF);
    layered.resources.assign(40, 0xAB);
    const Decoded expected = DecodePsd(Save(dir, "plain.psd", PsdFile(plain)));
    const Decoded decoded = DecodePsd(Save(dir, "layered.psd", PsdFile(layered)));
    ASSERT_TRUE(expected.ok);
    ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
    EXPECT_EQ(decoded.image.pixels, expected.image.pixels);
}

// ---- Damaged, unsupported and hostile documents ----------------------------------------------

// Byte offsets of header fields.
constexpr size_t kVersionAt = 4;
constexpr size_t kChannelsAt = 12;
constexpr size_t kHeightAt = 14;
constexpr size_t kWidthAt = 18;
constexpr size_t kDepthAt = 22;
constexpr size_t kModeAt = 24;
constexpr size_t kHeaderSize = 26;

struct DamageRow {
    const char* name;
    void (*damage)(std::vector<uint8_t>& bytes, size_t imageDataAt);
    uint32_t expected;
};

using zv::imaging::kErrInvalidPSD;
using zv::imaging::kErrPSDUnsupported;

// Applied to an 8-bit RGB PackBits document of 23 x 9 pixels without other sections, so the
// image data starts at kHeaderSize + 12 and its table of 27 row lengths right after the code.
const DamageRow kDamage[] = {
    {"bad signature", [](auto& b, size_t) { b[0] = 'X'; }, kErrInvalidPSD},
    {"version 0", [](auto& b, size_t) { PutU16BE(b, kVersionAt, 0); }, kErrInvalidPSD},
    {"version 3", [](auto& b, size_t) { PutU16BE(b, kVersionAt, 3); }, kErrInvalidPSD},
    {"no channels", [](auto& b, size_t) { PutU16BE(b, kChannelsAt, 0); }, kErrInvalidPSD},
    {"57 channels", [](auto& b, size_t) { PutU16BE(b, kChannelsAt, 57); }, kErrInvalidPSD},
    {"too few channels for RGB", [](auto& b, size_t) { PutU16BE(b, kChannelsAt, 2); }, kErrInvalidPSD},
    {"width 0", [](auto& b, size_t) { PutU32BE(b, kWidthAt, 0); }, kErrInvalidPSD},
    {"height 0", [](auto& b, size_t) { PutU32BE(b, kHeightAt, 0); }, kErrInvalidPSD},
    {"width 300001", [](auto& b, size_t) { PutU32BE(b, kWidthAt, 300001); }, kErrInvalidPSD},
    {"height 2^32-1", [](auto& b, size_t) { PutU32BE(b, kHeightAt, 0xFFFFFFFF); }, kErrInvalidPSD},
    {"depth 12", [](auto& b, size_t) { PutU16BE(b, kDepthAt, 12); }, kErrInvalidPSD},
    {"depth 1 outside bitmap mode", [](auto& b, size_t) { PutU16BE(b, kDepthAt, 1); }, kErrInvalidPSD},
    {"unknown mode 5", [](auto& b, size_t) { PutU16BE(b, kModeAt, 5); }, kErrInvalidPSD},
    {"indexed without palette", [](auto& b, size_t) { PutU16BE(b, kModeAt, 2); }, kErrInvalidPSD},
    {"compression 4", [](auto& b, size_t at) { PutU16BE(b, at, 4); }, kErrInvalidPSD},
    {"colour data longer than the file", [](auto& b, size_t) { PutU32BE(b, kHeaderSize, 0x7FFFFFFF); },
     kErrInvalidPSD},
    {"layer section longer than the file", [](auto& b, size_t) { PutU32BE(b, kHeaderSize + 8, 100000); },
     kErrInvalidPSD},
    {"row length past the end", [](auto& b, size_t at) { PutU16BE(b, at + 2, 0xFFFF); }, kErrInvalidPSD},
    {"row length too short", [](auto& b, size_t at) { PutU16BE(b, at + 2, 1); }, kErrInvalidPSD},
    {"row unpacks short", [](auto& b, size_t at) { PutU16BE(b, at + 2, 2); }, kErrInvalidPSD},
    // The first packed byte is a packet header; 0x81 repeats a byte 128 times in a 23-byte row.
    {"run passes the row's end", [](auto& b, size_t at) { b[at + 2 + 27 * 2] = 0x81; },
     kErrInvalidPSD},
    {"32-bit lab", [](auto& b, size_t) { PutU16BE(b, kDepthAt, 32); PutU16BE(b, kModeAt, 9); }, kErrPSDUnsupported},
    {"packed rows labelled zip", [](auto& b, size_t at) { PutU16BE(b, at, 2); }, kErrInvalidPSD},
    {"packed rows labelled zip with prediction", [](auto& b, size_t at) { PutU16BE(b, at, 3); }, kErrInvalidPSD},
};

TEST(PsdReader, DamagedAndUnsupportedDocumentsReportTheirCode)
{
    zv::test::TempDir dir;
    const std::vector<uint8_t> valid = PsdFile(Document8(3, 3, 1));
    const size_t imageDataAt = kHeaderSize + 12;
    ASSERT_TRUE(DecodePsd(Save(dir, "valid.psd", valid)).ok);
    for (const DamageRow& row : kDamage) {
        SCOPED_TRACE(row.name);
        std::vector<uint8_t> bytes = valid;
        row.damage(bytes, imageDataAt);
        const Decoded decoded = DecodePsd(Save(dir, "damaged.psd", bytes));
        EXPECT_FALSE(decoded.ok);
        EXPECT_EQ(decoded.error, row.expected);
    }
}

TEST(PsdReader, EveryTruncationFailsCleanly)
{
    zv::test::TempDir dir;
    for (uint16_t compression : {0, 1}) {
        for (uint16_t version : {1, 2}) {
            PsdDocument doc = Document8(3, 3, compression, 7, 4);
            doc.version = version;
            doc.resources.assign(12, 0x42);
            const std::vector<uint8_t> bytes = PsdFile(doc);
            ASSERT_TRUE(DecodePsd(Save(dir, "whole.psd", bytes)).ok);
            for (size_t length = 0; length < bytes.size(); ++length) {
                SCOPED_TRACE("compression " + std::to_string(compression) + ", version " +
                             std::to_string(version) + ", " + std::to_string(length) + " bytes");
                const fs::path file = Save(dir, "cut.psd", {bytes.begin(), bytes.begin() + length});
                const Decoded decoded = DecodePsd(file);
                EXPECT_FALSE(decoded.ok);
                EXPECT_EQ(decoded.error, kErrInvalidPSD);
                EXPECT_EQ(MeasurePsd(file).result != 0, length >= kHeaderSize);
            }
        }
    }
}

TEST(PsdReader, MeasuringNeedsOnlyTheHeader)
{
    zv::test::TempDir dir;
    std::vector<uint8_t> bytes = PsdFile(Document8(4, 5, 1));
    PutU32BE(bytes, kHeaderSize + 8, 1u << 30);  // the layer section runs far past the end
    const Measured measured = MeasurePsd(Save(dir, "cut.psd", bytes));
    EXPECT_EQ(measured.result, 1u);
    EXPECT_EQ(measured.width, 23u);
    EXPECT_EQ(measured.height, 9u);
    EXPECT_EQ(measured.depth, 5u);
    EXPECT_EQ(measured.info.samplesPerPixel, 5u);
    EXPECT_EQ(measured.info.formatDetail, 0u) << "the compression lies beyond reach";
    EXPECT_EQ(DecodePsd(Save(dir, "cut.psd", bytes)).error, kErrInvalidPSD);
}

// A header may promise any size; with no data behind it the read must fail before it asks
// for memory, which the tiny allocation limit would refuse with code 1.
TEST(PsdReader, AbsurdDimensionsFailBeforeAllocating)
{
    zv::test::TempDir dir;
    zv::test::AllocationLimitScope limit(4096);
    for (uint16_t compression : {0, 1}) {
        for (uint16_t version : {1, 2}) {
            SCOPED_TRACE("compression " + std::to_string(compression) + ", version " +
                         std::to_string(version));
            PsdDocument doc = Document8(3, 3, compression, 3, 2);
            doc.version = version;
            std::vector<uint8_t> bytes = PsdFile(doc);
            PutU32BE(bytes, kWidthAt, 300000);
            PutU32BE(bytes, kHeightAt, 300000);
            const fs::path file = Save(dir, "huge.psd", bytes);
            EXPECT_EQ(DecodePsd(file).error, kErrInvalidPSD);
            const Measured measured = MeasurePsd(file);
            EXPECT_EQ(measured.result, 1u);
            EXPECT_EQ(measured.width, 300000u);
        }
    }
}

TEST(PsdReader, ImageAboveTheAllocationLimitFailsWithOutOfMemory)
{
    zv::test::ExpectAllocationLimitHonoured(IS40_ReadPSD, PsdFile(Document8(3, 3, 1, 40, 30)));
}

TEST(PsdReader, BadArgumentsAreRefused)
{
    zv::test::TempDir dir;
    const fs::path file = Save(dir, "valid.psd", PsdFile(Document8(1, 1, 0)));
    EXPECT_EQ(DecodePsd(file, 8).error, zv::imaging::kErrBadParameter);
    uint32_t width = 0;
    uint32_t height = 0;
    EXPECT_EQ(IS40_ReadPSD(nullptr, &width, &height, 24, nullptr, 0), nullptr);
    EXPECT_EQ(IS40_GetLastError(), zv::imaging::kErrBadParameter);
    EXPECT_EQ(IS40_GetPSDDims(nullptr, &width, &height, nullptr, nullptr, 0), 0u);
    EXPECT_EQ(IS40_GetLastError(), zv::imaging::kErrBadParameter);
}

// ---- Variants of a picture, written by the sample writer ------------------------------------

TEST(PsdVariants, ShowTheWrittenPicture)
{
    // Lab keeps L in steps of 100/255 and a and b in whole units (16-bit Lab is read by its
    // high byte too): for a saturated colour with a channel near 0, where sRGB is steepest, one
    // unit moves that channel by up to 10; leaving out the D50 -> D65 adaptation would be off by
    // 61 on this picture. Grey variants show the picture's luma. Everything else is exact.
    const struct {
        const char* name;
        zv::samples::PsdOptions options;
        bool grey;
        int tolerance;  // per channel
    } variants[] = {
        {"zip", {PsdColour::Rgb, 8, PsdCompression::Zip}, false, 0},
        {"zip, a stream per channel", {PsdColour::Rgb, 8, PsdCompression::Zip, 3, true}, false, 0},
        {"zip with prediction", {PsdColour::Rgb, 8, PsdCompression::ZipPredicted}, false, 0},
        {"16-bit zip with prediction", {PsdColour::Rgb, 16, PsdCompression::ZipPredicted}, false, 0},
        {"32-bit raw", {PsdColour::Rgb, 32, PsdCompression::Raw}, false, 0},
        {"32-bit zip with prediction", {PsdColour::Rgb, 32, PsdCompression::ZipPredicted}, false, 0},
        {"psb zip with prediction", {PsdColour::Rgb, 8, PsdCompression::ZipPredicted, 3, false, true}, false, 0},
        {"lab", {PsdColour::Lab, 8, PsdCompression::PackBits}, false, 10},
        {"16-bit lab zip", {PsdColour::Lab, 16, PsdCompression::Zip}, false, 10},
        {"duotone", {PsdColour::Duotone, 8, PsdCompression::PackBits}, true, 0},
        {"multichannel, one channel", {PsdColour::Multichannel, 8, PsdCompression::Raw, 1}, true, 0},
        {"multichannel, four channels", {PsdColour::Multichannel, 8, PsdCompression::ZipPredicted, 4}, false, 0},
    };
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(41, 23);
    const RgbImage colour{41, 23, picture.rgb};
    RgbImage grey = colour;
    for (size_t i = 0; i < grey.pixels.size(); i += 3) {
        std::fill_n(&grey.pixels[i], 3, zv::samples::GreyOf(&picture.rgb[i]));
    }
    zv::test::TempDir dir;
    for (const auto& variant : variants) {
        SCOPED_TRACE(variant.name);
        const Decoded decoded = DecodePsd(Save(dir, "variant.psd", zv::samples::PsdBytes(picture, variant.options)));
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        const int difference = zv::test::MaxDifference(variant.grey ? grey : colour, decoded.image);
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, variant.tolerance);
    }
}

TEST(PsdVariants, ZipDataIsTrustedOnlyAsFarAsTheImageNeeds)
{
    const std::vector<uint8_t> valid =
        zv::samples::PsdBytes(zv::samples::MakeTestPicture(41, 23), {PsdColour::Rgb, 8, PsdCompression::ZipPredicted});
    zv::test::TempDir dir;
    // A stream that stops early, and one whose bytes are damaged.
    EXPECT_EQ(DecodePsd(Save(dir, "cut.psd", {valid.begin(), valid.end() - 40})).error, kErrInvalidPSD);
    std::vector<uint8_t> bytes = valid;
    std::fill(bytes.end() - 60, bytes.end() - 20, 0xA5);
    EXPECT_EQ(DecodePsd(Save(dir, "damaged.psd", bytes)).error, kErrInvalidPSD);
    // A bomb: a small stream claiming 30000 x 30000 pixels is refused before the image block is
    // allocated, which a limit just below that block's size would otherwise report.
    bytes = valid;
    PutU32BE(bytes, kWidthAt, 30000);
    PutU32BE(bytes, kHeightAt, 30000);
    zv::test::AllocationLimitScope limit(uint64_t{30000} * 30000 * 3 - 1);
    EXPECT_EQ(DecodePsd(Save(dir, "bomb.psd", bytes)).error, kErrInvalidPSD);
}

} // namespace
