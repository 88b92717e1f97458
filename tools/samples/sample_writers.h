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

// TIFF samples: how each 8-bit value v of the picture is stored. Unsigned: v widened to the
// depth by repeating it (v * 257 for 16 bits); Signed: that less 2^(bits-1); Float: v / 255
// (16-bit half, 32-bit single). The default is what the demo uses: 8-bit RGB, LZW.
enum class SampleKind { Unsigned, Signed, Float };
struct TiffOptions {
    uint16_t bitsPerSample = 8;
    SampleKind kind = SampleKind::Unsigned;
};

// Two overloads rather than a default, so that the plain writers stay usable as pointers.
bool WriteTiff(const std::string& path, const Picture& picture);
bool WriteTiff(const std::string& path, const Picture& picture, const TiffOptions& options);
// A picture of 12 colours in bands and blocks, for the writers that need a small palette.
Picture MakePalettePicture(uint32_t width, uint32_t height);

// BMP pixel layouts, each from the picture. Rgb24: plain 24-bit rows. Linear64: blue, green,
// red and alpha as s2.13 fixed point in linear light (the sRGB decoding of v / 255). Cmyk32:
// cyan, magenta, yellow and black bytes, the naive inverse of RGB (black = 255 - the largest
// channel). CmykRle8, CmykRle4: a CMYK palette of the picture's colours (at most 256 or 16, so
// use MakePalettePicture) and runs. Jpeg, Png: the picture encoded whole by libjpeg (quality
// 90) or libpng. Huffman: an OS/2 2.x 1-bit bitmap, white and black (pixels whose GreyOf is
// below 128), coded with libtiff's fax encoder.
enum class BmpPixels { Rgb24, Linear64, Cmyk32, CmykRle8, CmykRle4, Jpeg, Png, Huffman };
struct BmpOptions {
    BmpPixels pixels = BmpPixels::Rgb24;
};
bool WriteBmp(const std::string& path, const Picture& picture, const BmpOptions& options = {});

// The picture as a JPEG (quality 90) or PNG file's bytes; empty on failure.
std::vector<uint8_t> JpegBytes(const Picture& picture);
std::vector<uint8_t> PngBytes(const Picture& picture);
// Metadata chunks, written before the image data: eXIf (a TIFF-structured EXIF block), iCCP
// and the XMP packet as an iTXt chunk. Empty ones are left out.
struct PngMetadata {
    std::vector<uint8_t> exif;
    std::vector<uint8_t> icc;
    std::string xmp;
};
std::vector<uint8_t> PngBytes(const Picture& picture, const PngMetadata& metadata);
bool WritePng(const std::string& path, const Picture& picture);

bool WriteGif(const std::string& path, const Picture& picture);   // 6x6x6 colour cube
bool WriteTga(const std::string& path, const Picture& picture);   // RLE, 24-bit, top-left origin
bool WritePcx(const std::string& path, const Picture& picture);   // 24-bit, three planes, RLE
// PSD and PSB merged images. Colour: Rgb stores the picture; Lab its CIE L*a*b* (D50);
// Duotone and one- or two-channel Multichannel a grey base of the picture's luma
// (299 R + 587 G + 114 B) / 1000, rounded; Multichannel with three or more channels the
// picture's red, green and blue, then white (no ink) in the rest. Depth 16 stores v * 257;
// depth 32 (RGB only) stores linear light, the sRGB decoding of v / 255. ZIP deflates all
// planes as one stream, or one stream per channel.
enum class PsdColour { Rgb, Lab, Duotone, Multichannel };
enum class PsdCompression { Raw, PackBits, Zip, ZipPredicted };
struct PsdOptions {
    PsdColour colour = PsdColour::Rgb;
    uint16_t depth = 8;
    PsdCompression compression = PsdCompression::PackBits;
    uint16_t channels = 3;             // Multichannel only
    bool streamPerChannel = false;     // ZIP only
    bool largeDocument = false;        // PSB
};
bool WritePsd(const std::string& path, const Picture& picture);  // RGB, 8-bit, PackBits
bool WritePsd(const std::string& path, const Picture& picture, const PsdOptions& options);
std::vector<uint8_t> PsdBytes(const Picture& picture, const PsdOptions& options = {});

// The luma that grey PSD variants store for an RGB pixel.
uint8_t GreyOf(const uint8_t* rgb);

} // namespace zv::samples

#endif
