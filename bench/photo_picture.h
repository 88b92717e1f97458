// The 24-megapixel photo the benchmarks decode and turn: a picture with camera-like content and
// its JPEG file, made with libjpeg so that every benchmark measures the same file.
#ifndef ZV_BENCH_PHOTO_PICTURE_H
#define ZV_BENCH_PHOTO_PICTURE_H

#include <cstdint>
#include <cstdio>  // before jpeglib.h, which uses FILE without declaring it
#include <jpeglib.h>
#include <string>
#include <vector>

namespace zv::bench {

constexpr int kPhotoWidth = 6000;  // 24 megapixels
constexpr int kPhotoHeight = 4000;

// Smooth gradients with fine texture, so that codecs have realistic work to do (neither flat
// nor pure noise).
inline std::vector<uint8_t> MakePhotoPicture()
{
    std::vector<uint8_t> rgb(static_cast<size_t>(kPhotoWidth) * kPhotoHeight * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < kPhotoHeight; ++y) {
        for (int x = 0; x < kPhotoWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = static_cast<int>(noise >> 28);  // 0..15
            uint8_t* p = &rgb[(static_cast<size_t>(y) * kPhotoWidth + x) * 3];
            p[0] = static_cast<uint8_t>((x * 255 / kPhotoWidth + grain) & 0xFF);
            p[1] = static_cast<uint8_t>((y * 255 / kPhotoHeight + grain) & 0xFF);
            p[2] = static_cast<uint8_t>(((x + y) / 40 % 256 + grain) & 0xFF);
        }
    }
    return rgb;
}

// Writes the picture as a quality-90 JPEG.
inline bool WritePhotoJpeg(const std::string& path, const std::vector<uint8_t>& rgb)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = kPhotoWidth;
    cinfo.image_height = kPhotoHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&rgb[static_cast<size_t>(cinfo.next_scanline) * kPhotoWidth * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0;
}

} // namespace zv::bench

#endif
