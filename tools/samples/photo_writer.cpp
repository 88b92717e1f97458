#include "photo_writer.h"

#include "exif_writer.h"
#include "icc_writer.h"
#include "jpeg_writer.h"

namespace zv::samples {
namespace {

// The stored picture is the upright one turned a quarter counter-clockwise: stored (x, y) is
// upright (width - 1 - y, x).
Picture StoredOnItsSide(const Picture& upright)
{
    Picture stored;
    stored.width = upright.height;
    stored.height = upright.width;
    stored.rgb.resize(upright.rgb.size());
    for (uint32_t y = 0; y < stored.height; ++y) {
        for (uint32_t x = 0; x < stored.width; ++x) {
            const size_t from = (static_cast<size_t>(x) * upright.width + (upright.width - 1 - y)) * 3;
            const size_t to = (static_cast<size_t>(y) * stored.width + x) * 3;
            for (size_t c = 0; c < 3; ++c) {
                stored.rgb[to + c] = upright.rgb[from + c];
            }
        }
    }
    return stored;
}

std::vector<uint8_t> Prefixed(const char* prefix, size_t length, const std::vector<uint8_t>& block)
{
    std::vector<uint8_t> payload(prefix, prefix + length);
    payload.insert(payload.end(), block.begin(), block.end());
    return payload;
}

} // namespace

std::vector<uint8_t> PhotoIptcRecords()
{
    return {0x1C, 0x02, 0x05, 0x00, 0x06, 'S', 'a', 'm', 'p', 'l', 'e'};
}

std::vector<uint8_t> PhonePhotoJpeg(const Picture& upright, const PhotoOptions& options)
{
    const Picture stored = StoredOnItsSide(upright);
    ExifFields fields;
    fields.orientation = 6;
    fields.make = kPhotoMake;
    fields.model = kPhotoModel;
    fields.dateTimeOriginal = kPhotoDateTaken;
    fields.pixelWidth = stored.width;
    fields.pixelHeight = stored.height;
    fields.thumbnail = JpegBytes(MakeTestPicture(16, 12));
    const std::string xmp = XmpPacket(6, false);

    JpegLayout layout;
    layout.width = stored.width;
    layout.height = stored.height;
    layout.quality = options.quality;
    layout.markers = {{JPEG_APP0 + 1, Prefixed("Exif\0\0", 6, ExifBlock(fields))},
                      {JPEG_APP0 + 1, Prefixed("http://ns.adobe.com/xap/1.0/", 29,
                                               std::vector<uint8_t>(xmp.begin(), xmp.end()))},
                      {JPEG_APP0 + 13, Prefixed("Photoshop 3.0", 14, PhotoshopResource(0x0404, PhotoIptcRecords()))}};
    if (options.displayP3) {
        layout.iccProfile = DisplayP3Profile();
    }
    const size_t stride = static_cast<size_t>(stored.width) * 3;
    return JpegFile(layout, [&](uint32_t y) {
        const auto row = stored.rgb.begin() + static_cast<std::ptrdiff_t>(stride * y);
        return std::vector<uint8_t>(row, row + static_cast<std::ptrdiff_t>(stride));
    });
}

} // namespace zv::samples
