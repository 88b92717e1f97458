#include "photo_writer.h"

#include "exif_writer.h"
#include "icc_writer.h"
#include "jpeg_writer.h"

#include <algorithm>
#include <utility>

namespace zv::samples {
namespace {

// Where display pixel (x, y) is stored under each orientation, for a stored picture of
// storedWidth x storedHeight: the orientation's turn, read backwards.
std::pair<uint32_t, uint32_t> StoredPlace(int orientation, uint32_t x, uint32_t y, uint32_t storedWidth,
                                          uint32_t storedHeight)
{
    const uint32_t lastColumn = storedWidth - 1;
    const uint32_t lastRow = storedHeight - 1;
    switch (orientation) {
    case 2: return {lastColumn - x, y};
    case 3: return {lastColumn - x, lastRow - y};
    case 4: return {x, lastRow - y};
    case 5: return {y, x};
    case 6: return {y, lastRow - x};
    case 7: return {lastColumn - y, lastRow - x};
    case 8: return {lastColumn - y, x};
    default: return {x, y};
    }
}

Picture StoredFor(const Picture& upright, int orientation)
{
    const bool sideways = orientation >= 5 && orientation <= 8;
    Picture stored;
    stored.width = sideways ? upright.height : upright.width;
    stored.height = sideways ? upright.width : upright.height;
    stored.rgb.resize(upright.rgb.size());
    for (uint32_t y = 0; y < upright.height; ++y) {
        for (uint32_t x = 0; x < upright.width; ++x) {
            const auto [sx, sy] = StoredPlace(orientation, x, y, stored.width, stored.height);
            const size_t from = (static_cast<size_t>(y) * upright.width + x) * 3;
            const size_t to = (static_cast<size_t>(sy) * stored.width + sx) * 3;
            std::copy_n(upright.rgb.begin() + static_cast<std::ptrdiff_t>(from), 3,
                        stored.rgb.begin() + static_cast<std::ptrdiff_t>(to));
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
    const Picture stored = StoredFor(upright, options.orientation);
    ExifFields fields;
    fields.orientation = static_cast<uint16_t>(options.orientation);
    fields.make = kPhotoMake;
    fields.model = kPhotoModel;
    fields.dateTimeOriginal = kPhotoDateTaken;
    fields.pixelWidth = stored.width;
    fields.pixelHeight = stored.height;
    fields.thumbnail = JpegBytes(MakeTestPicture(16, 12));
    const std::string xmp = XmpPacket(options.orientation, false);

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
