// Writers that produce one small file of each format family the library opens, for the demo
// and the tool's tests. They write what a careful encoder writes, from an RGB picture.
#ifndef ZV_SAMPLES_SAMPLE_WRITERS_H
#define ZV_SAMPLES_SAMPLE_WRITERS_H

#include <cstdint>
#include <string>
#include <vector>

namespace zv::samples {

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;  // rows of width * 3 bytes, top first
};

// A colourful test picture: gradients, a disc and bars, so that scaling and blurring show.
Picture MakeTestPicture(uint32_t width, uint32_t height);

// A photograph-like picture: a sky gradient, hills with a fine grain on their slopes and a
// house with windows, so that smooth areas, texture and sharp edges all meet a resampler as
// they do in photographs. Each seed moves the hills and the house.
Picture MakePhotoLikePicture(uint32_t width, uint32_t height, uint32_t seed);

bool WriteTiff(const std::string& path, const Picture& picture);
bool WriteGif(const std::string& path, const Picture& picture);   // 6x6x6 colour cube
bool WriteTga(const std::string& path, const Picture& picture);   // RLE, 24-bit, top-left origin
bool WritePcx(const std::string& path, const Picture& picture);   // 24-bit, three planes, RLE
bool WritePsd(const std::string& path, const Picture& picture);   // RGB, 8-bit, RLE composite

} // namespace zv::samples

#endif
