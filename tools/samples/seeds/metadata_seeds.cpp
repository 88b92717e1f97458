// Seeds for the metadata reader: a small file of each format that carries every block it can,
// so that the fuzzer starts inside each block finder and each block's checks.
#include "exif_writer.h"
#include "icc_writer.h"
#include "jpeg_writer.h"
#include "raster_writers.h"
#include "sample_writers.h"
#include "seeds/seed_variants.h"
#include "tiff_writer.h"

#include <fstream>
#include <iterator>

namespace zv::fuzz {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Prefixed(const std::string& prefix, const Bytes& bytes)
{
    Bytes out(prefix.begin(), prefix.end());
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

samples::ExifFields Camera(bool bigEndian)
{
    samples::ExifFields fields;
    fields.bigEndian = bigEndian;
    fields.orientation = 6;
    fields.make = "Seed";
    fields.model = "Camera";
    fields.dateTime = "2020:01:01 00:00:00";
    fields.dateTimeOriginal = "2020:01:02 03:04:05";
    fields.pixelWidth = 8;
    fields.pixelHeight = 8;
    fields.thumbnail = {0xFF, 0xD8, 0xFF, 0xD9};
    return fields;
}

Bytes Jpeg(bool bigEndian)
{
    const std::string xmp = samples::XmpPacket(6, bigEndian);
    const Bytes iptc = {0x1C, 0x02, 0x78, 0x00, 0x04, 's', 'e', 'e', 'd'};
    samples::JpegLayout layout;
    layout.width = 8;
    layout.height = 8;
    layout.quality = 50;
    layout.markers = {{JPEG_APP0 + 1, Prefixed(std::string("Exif\0\0", 6), samples::ExifBlock(Camera(bigEndian)))},
                      {JPEG_APP0 + 1, Prefixed(std::string("http://ns.adobe.com/xap/1.0/\0", 29), Bytes(xmp.begin(), xmp.end()))},
                      {JPEG_APP0 + 13, Prefixed(std::string("Photoshop 3.0\0", 14), samples::PhotoshopResource(0x0404, iptc))}};
    layout.iccProfile = samples::DisplayP3Profile();
    return samples::JpegFile(layout, [](uint32_t y) { return Bytes(8 * 3, static_cast<uint8_t>(y * 30)); });
}

Bytes Psd()
{
    samples::PsdDocument psd;
    psd.width = psd.height = 1;
    psd.planes = {{1}, {2}, {3}};
    const std::string xmp = samples::XmpPacket(3, true);
    for (const Bytes& resource : {samples::PhotoshopResource(0x040F, samples::DisplayP3Profile()),
                                  samples::PhotoshopResource(0x0422, samples::ExifBlock(Camera(true))),
                                  samples::PhotoshopResource(0x0424, Bytes(xmp.begin(), xmp.end()))}) {
        psd.resources.insert(psd.resources.end(), resource.begin(), resource.end());
    }
    return samples::PsdFile(psd);
}

Bytes Tiff(const std::filesystem::path& scratch)
{
    const std::string path = (scratch / "metadata.tif").string();
    samples::TiffHeader header;
    header.width = header.height = 2;
    header.orientation = 8;
    TIFF* tiff = samples::CreateTiff(path, header);
    if (tiff == nullptr) {
        return {};
    }
    const Bytes icc = samples::DisplayP3Profile();
    const std::string xmp = samples::XmpPacket(8, false);
    TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(icc.size()), icc.data());
    TIFFSetField(tiff, TIFFTAG_XMLPACKET, static_cast<uint32_t>(xmp.size()), xmp.data());
    TIFFSetField(tiff, TIFFTAG_MAKE, "Seed");
    if (!samples::WriteTiffPixelsAndClose(tiff, {2, 2}, [](uint32_t, uint32_t, uint32_t n, int) { return Bytes(n, 7); })) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

std::vector<Seed> MetadataVariants(const std::filesystem::path& scratch)
{
    const std::string xmp = samples::XmpPacket(5, false);
    return {
        {"metadata/seed-jpeg-ii", Jpeg(false)},
        {"metadata/seed-jpeg-mm", Jpeg(true)},
        {"metadata/seed-png", samples::PngBytes(samples::MakeTestPicture(2, 2),
                                                {samples::ExifBlock(Camera(false)), samples::DisplayP3Profile(), xmp})},
        {"metadata/seed-psd", Psd()},
        {"metadata/seed-tiff", Tiff(scratch)},
    };
}

} // namespace zv::fuzz
