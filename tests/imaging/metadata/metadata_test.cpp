// Photo metadata through the host functions, on files written by the sample writers.
#include "exif_writer.h"
#include "icc_writer.h"
#include "imaging/core/imaging.h"
#include "jpeg_writer.h"
#include "raster_writers.h"
#include "sample_writers.h"
#include "tests/support/test_support.h"
#include "tiff_writer.h"
#include "zvdll.h"

#include <gtest/gtest.h>
#include <libexif/exif-data.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zv::samples;
using Bytes = std::vector<uint8_t>;
using Metadata = std::unique_ptr<ZvMetadata, decltype(&ZvMetadataFree)>;

// IPTC records: an odd length, so that resource padding is exercised.
const Bytes kIptc = {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04, 0x1C, 0x02, 0x78, 0x00, 0x05, 'h', 'e', 'l', 'l', 'o'};

Bytes Concat(const std::string& prefix, const Bytes& bytes)
{
    Bytes out(prefix.begin(), prefix.end());
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}
Bytes ExifApp1(const Bytes& block) { return Concat(std::string("Exif\0\0", 6), block); }
Bytes XmpApp1(const std::string& packet)
{
    return Concat(std::string("http://ns.adobe.com/xap/1.0/\0", 29), Bytes(packet.begin(), packet.end()));
}
Bytes IptcApp13(const Bytes& iptc) { return Concat(std::string("Photoshop 3.0\0", 14), PhotoshopResource(0x0404, iptc)); }

Bytes Jpeg(const Bytes& exif, const std::string& xmp = {}, const Bytes& icc = {})
{
    JpegLayout layout;
    layout.width = 8;
    layout.height = 8;
    if (!exif.empty()) {
        layout.markers.push_back({JPEG_APP0 + 1, ExifApp1(exif)});
    }
    if (!xmp.empty()) {
        layout.markers.push_back({JPEG_APP0 + 1, XmpApp1(xmp)});
    }
    layout.markers.push_back({JPEG_APP0 + 13, IptcApp13(kIptc)});
    layout.iccProfile = icc;
    return JpegFile(layout, [](uint32_t) { return Bytes(8 * 3, 128); });
}

Metadata Read(const Bytes& file)
{
    return Metadata(ZvReadMetadataFromMemory(file.data(), file.size()), ZvMetadataFree);
}

Bytes Block(const Metadata& metadata, int32_t block)
{
    size_t size = 0;
    const uint8_t* data = ZvMetadataBlock(metadata.get(), block, &size);
    return data != nullptr ? Bytes(data, data + size) : Bytes();
}

std::string Text(const Metadata& metadata, int32_t field)
{
    ZvString* text = ZvMetadataText(metadata.get(), field);
    std::string value = ZvStringText(text);
    ZvStringFree(text);
    return value;
}

Bytes ForOutput(const Metadata& metadata, int32_t block, int32_t width, int32_t height)
{
    size_t size = 0;
    uint8_t* data = ZvMetadataBlockForOutput(metadata.get(), block, width, height, &size);
    Bytes out = data != nullptr ? Bytes(data, data + size) : Bytes();
    ZvFreeBuffer(data);
    return out;
}

TEST(Metadata, EveryOrientationReadsBackFromJpegInEitherByteOrder)
{
    for (bool bigEndian : {false, true}) {
        for (uint16_t value = 0; value <= 9; ++value) {
            SCOPED_TRACE(testing::Message() << "orientation " << value << (bigEndian ? " MM" : " II"));
            ExifFields fields;
            fields.bigEndian = bigEndian;
            fields.orientation = value;
            fields.make = "Maker";
            const Metadata metadata = Read(Jpeg(ExifBlock(fields)));
            ASSERT_NE(metadata, nullptr);
            EXPECT_EQ(ZvMetadataOrientation(metadata.get()), value >= 1 && value <= 8 ? value : 1);
            EXPECT_EQ(ZvMetadataRefusedBlocks(metadata.get()), 0u);
        }
    }
}

TEST(Metadata, DateMakeAndModelComeFromTheExifBlock)
{
    struct Case {
        std::string original, dateTime, make, expectedDate, expectedMake;
    };
    const Case cases[] = {
        {"2021:03:04 05:06:07", "1999:01:01 00:00:00", "Canon", "2021:03:04 05:06:07", "Canon"},
        {"", "1999:01:01 00:00:00", "NIKON CORPORATION   ", "1999:01:01 00:00:00", "NIKON CORPORATION"},
        {std::string("2022:02:02 02:02:02\0\0", 21), "", "", "2022:02:02 02:02:02", ""},
    };
    for (const Case& c : cases) {
        ExifFields fields;
        fields.dateTimeOriginal = c.original;
        fields.dateTime = c.dateTime;
        fields.make = c.make;
        fields.model = "Model 7";
        const Metadata metadata = Read(Jpeg(ExifBlock(fields)));
        EXPECT_EQ(Text(metadata, ZV_FIELD_DATE_TAKEN), c.expectedDate);
        EXPECT_EQ(Text(metadata, ZV_FIELD_CAMERA_MAKE), c.expectedMake);
        EXPECT_EQ(Text(metadata, ZV_FIELD_CAMERA_MODEL), "Model 7");
    }
}

// One file per format with every block it can carry, and what must come back from it.
struct FormatCase {
    const char* name;
    std::function<Bytes(const zv::test::TempDir&)> write;
    bool hasExif;
    bool hasIptc;
};

Bytes TiffWithTags(const zv::test::TempDir& dir)
{
    const std::string path = (dir / "tags.tif").string();
    TiffHeader header;
    header.width = header.height = 4;
    header.orientation = 6;
    TIFF* tiff = CreateTiff(path, header);
    const Bytes icc = DisplayP3Profile();
    const std::string xmp = XmpPacket(6, false);
    TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(icc.size()), icc.data());
    TIFFSetField(tiff, TIFFTAG_XMLPACKET, static_cast<uint32_t>(xmp.size()), xmp.data());
    TIFFSetField(tiff, TIFFTAG_RICHTIFFIPTC, static_cast<uint32_t>(kIptc.size()), kIptc.data());
    TIFFSetField(tiff, TIFFTAG_MAKE, "Maker");
    TIFFSetField(tiff, TIFFTAG_DATETIME, "2020:01:02 03:04:05");
    WriteTiffPixelsAndClose(tiff, {4, 4}, [](uint32_t, uint32_t, uint32_t count, int) { return Bytes(count, 9); });
    return zv::test::ReadFile(path);
}

ExifFields CameraFields()
{
    ExifFields fields;
    fields.orientation = 6;
    fields.make = "Maker";
    fields.dateTimeOriginal = "2020:01:02 03:04:05";
    return fields;
}

const FormatCase kFormats[] = {
    {"jpeg", [](const auto&) { return Jpeg(ExifBlock(CameraFields()), XmpPacket(6, false), DisplayP3Profile()); },
     true, true},
    {"png",
     [](const auto&) {
         return PngBytes(MakeTestPicture(4, 4), {ExifBlock(CameraFields()), DisplayP3Profile(), XmpPacket(6, false)});
     },
     true, false},
    {"psd",
     [](const auto&) {
         PsdDocument psd;
         psd.width = psd.height = 1;
         psd.planes = {{1}, {2}, {3}};
         const std::string xmp = XmpPacket(6, false);
         const Bytes resources[] = {PhotoshopResource(0x03ED, Bytes(16, 0)), PhotoshopResource(0x0404, kIptc),
                                    PhotoshopResource(0x040F, DisplayP3Profile()),
                                    PhotoshopResource(0x0422, ExifBlock(CameraFields())),
                                    PhotoshopResource(0x0424, Bytes(xmp.begin(), xmp.end()))};
         for (const Bytes& resource : resources) {
             psd.resources.insert(psd.resources.end(), resource.begin(), resource.end());
         }
         return PsdFile(psd);
     },
     true, true},
    {"tiff", TiffWithTags, false, true},
};

TEST(Metadata, EachFormatGivesItsBlocksByteForByte)
{
    const zv::test::TempDir dir;
    for (const FormatCase& format : kFormats) {
        SCOPED_TRACE(format.name);
        const Metadata metadata = Read(format.write(dir));
        ASSERT_NE(metadata, nullptr);
        const std::string xmp = XmpPacket(6, false);
        EXPECT_EQ(Block(metadata, ZV_BLOCK_XMP), Bytes(xmp.begin(), xmp.end()));
        EXPECT_EQ(Block(metadata, ZV_BLOCK_ICC), DisplayP3Profile());
        EXPECT_EQ(Block(metadata, ZV_BLOCK_EXIF), format.hasExif ? ExifBlock(CameraFields()) : Bytes());
        EXPECT_EQ(Block(metadata, ZV_BLOCK_IPTC), format.hasIptc ? kIptc : Bytes());
        // A TIFF's reader applies its Orientation tag, so its pixels need no turn.
        EXPECT_EQ(ZvMetadataOrientation(metadata.get()), std::string(format.name) == "tiff" ? 1 : 6);
        EXPECT_EQ(ZvMetadataRefusedBlocks(metadata.get()), 0u);
        EXPECT_EQ(Text(metadata, ZV_FIELD_PROFILE_DESCRIPTION), "Display P3");
        EXPECT_EQ(Text(metadata, ZV_FIELD_CAMERA_MAKE), "Maker");
        EXPECT_EQ(Text(metadata, ZV_FIELD_DATE_TAKEN), "2020:01:02 03:04:05");
    }
}

// Display P3 with a damaged tag table: an absurd tag count, or the primaries' tag pointing past the end.
Bytes DamagedProfile(bool countOnly)
{
    Bytes profile = DisplayP3Profile();
    if (countOnly) {
        PutU32BE(profile, 128, 0xFFFFFFFF);
        return profile;
    }
    for (size_t entry = 132; entry + 12 <= profile.size(); entry += 12) {
        if (std::memcmp(&profile[entry], "rXYZ", 4) == 0) {
            PutU32BE(profile, entry + 4, static_cast<uint32_t>(profile.size()) + 64);
        }
    }
    return profile;
}

TEST(Metadata, DamagedBlocksAreRefusedAndTheRestStillReads)
{
    struct Case {
        const char* name;
        Bytes exif;
        Bytes icc;
        uint32_t refused;
    };
    const Case cases[] = {
        {"truncated exif", DamagedExifBlock(ExifDamage::Truncated), DisplayP3Profile(), 1u << ZV_BLOCK_EXIF},
        {"exif loop", DamagedExifBlock(ExifDamage::IfdLoop), DisplayP3Profile(), 1u << ZV_BLOCK_EXIF},
        {"absurd entry count", DamagedExifBlock(ExifDamage::AbsurdEntryCount), DisplayP3Profile(), 1u << ZV_BLOCK_EXIF},
        {"not exif at all", Bytes(40, 'x'), DisplayP3Profile(), 1u << ZV_BLOCK_EXIF},
        {"tag count", ExifBlock(CameraFields()), DamagedProfile(true), 1u << ZV_BLOCK_ICC},
        {"tag past the end", ExifBlock(CameraFields()), DamagedProfile(false), 1u << ZV_BLOCK_ICC},
        {"grey profile", ExifBlock(CameraFields()), GreyProfile(), 1u << ZV_BLOCK_ICC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Metadata metadata = Read(Jpeg(c.exif, XmpPacket(3, true), c.icc));
        ASSERT_NE(metadata, nullptr);
        EXPECT_EQ(ZvMetadataRefusedBlocks(metadata.get()), c.refused);
        for (int32_t block : {ZV_BLOCK_EXIF, ZV_BLOCK_ICC}) {
            size_t size = 1;
            const bool refused = (c.refused & (1u << block)) != 0;
            EXPECT_EQ(ZvMetadataBlock(metadata.get(), block, &size) == nullptr, refused);
            EXPECT_EQ(size == 0, refused);
        }
        EXPECT_EQ(Block(metadata, ZV_BLOCK_IPTC), kIptc);
        EXPECT_FALSE(Block(metadata, ZV_BLOCK_XMP).empty());
        EXPECT_EQ(ZvMetadataOrientation(metadata.get()), c.refused == 1u << ZV_BLOCK_EXIF ? 1 : 6);
    }
}

TEST(Metadata, ExifForOutputIsUprightAtTheNewSizeWithoutThumbnail)
{
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "MM" : "II");
        ExifFields fields = CameraFields();
        fields.bigEndian = bigEndian;
        fields.pixelWidth = 40;
        fields.pixelHeight = 30;
        fields.thumbnail = JpegBytes(MakeTestPicture(8, 6));
        const Metadata metadata = Read(Jpeg(ExifBlock(fields)));
        const Bytes output = ForOutput(metadata, ZV_BLOCK_EXIF, 30, 70000);
        ASSERT_GT(output.size(), 8u);
        EXPECT_EQ(std::memcmp(output.data(), bigEndian ? "MM" : "II", 2), 0);
        const Bytes withHeader = ExifApp1(output);
        ExifData* exif = exif_data_new_from_data(withHeader.data(), static_cast<unsigned>(withHeader.size()));
        ASSERT_NE(exif, nullptr);
        const ExifByteOrder order = exif_data_get_byte_order(exif);
        ExifEntry* orientation = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
        ExifEntry* x = exif_content_get_entry(exif->ifd[EXIF_IFD_EXIF], EXIF_TAG_PIXEL_X_DIMENSION);
        ExifEntry* y = exif_content_get_entry(exif->ifd[EXIF_IFD_EXIF], EXIF_TAG_PIXEL_Y_DIMENSION);
        ASSERT_TRUE(orientation != nullptr && x != nullptr && y != nullptr);
        EXPECT_EQ(exif_get_short(orientation->data, order), 1);
        EXPECT_EQ(exif_get_long(x->data, order), 30u);
        EXPECT_EQ(exif_get_long(y->data, order), 70000u);
        EXPECT_EQ(exif->size, 0u);
        EXPECT_EQ(exif->ifd[EXIF_IFD_1]->count, 0u);
        // The rest of the block is kept, and the output reads back through the library.
        const Metadata again = Read(Jpeg(output));
        EXPECT_EQ(Text(again, ZV_FIELD_CAMERA_MAKE), "Maker");
        EXPECT_EQ(ZvMetadataOrientation(again.get()), 1);
        exif_data_unref(exif);
    }
}

TEST(Metadata, OtherBlocksForOutput)
{
    for (bool asElement : {false, true}) {
        const Metadata metadata = Read(Jpeg({}, XmpPacket(8, asElement), DisplayP3Profile()));
        const std::string upright = XmpPacket(1, asElement);
        EXPECT_EQ(ForOutput(metadata, ZV_BLOCK_XMP, 5, 5), Bytes(upright.begin(), upright.end()));
        EXPECT_EQ(ForOutput(metadata, ZV_BLOCK_ICC, 5, 5), DisplayP3Profile());
        EXPECT_EQ(ForOutput(metadata, ZV_BLOCK_IPTC, 5, 5), kIptc);
        size_t size = 7;
        EXPECT_EQ(ZvMetadataBlockForOutput(metadata.get(), ZV_BLOCK_EXIF, 5, 5, &size), nullptr);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(ZvMetadataBlockForOutput(metadata.get(), ZV_BLOCK_XMP, 0, 5, &size), nullptr);
        EXPECT_EQ(IS40_GetLastError(), 5u);
    }
}

TEST(Metadata, FilesAreOpenedByPathAndMissingOnesFail)
{
    const zv::test::TempDir dir;
    zv::test::WriteFile(dir / "photo.bin", Jpeg(ExifBlock(CameraFields())));
    const Metadata metadata(ZvReadMetadata((dir / "photo.bin").string().c_str()), ZvMetadataFree);
    ASSERT_NE(metadata, nullptr);
    EXPECT_EQ(ZvMetadataOrientation(metadata.get()), 6);
    EXPECT_EQ(ZvReadMetadata((dir / "missing.jpg").string().c_str()), nullptr);
    EXPECT_EQ(IS40_GetLastError(), 2u);
    // Another format, or bytes of none, hold nothing.
    for (const Bytes& other : {PngBytes(MakeTestPicture(4, 4)), Bytes{'G', 'I', 'F'}, Bytes{}}) {
        const Metadata empty = Read(other);
        ASSERT_NE(empty, nullptr);
        EXPECT_EQ(ZvMetadataRefusedBlocks(empty.get()) + Block(empty, ZV_BLOCK_EXIF).size(), 0u);
        EXPECT_EQ(ZvMetadataOrientation(empty.get()), 1);
    }
}

} // namespace
