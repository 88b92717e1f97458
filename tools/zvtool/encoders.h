// Writers for the tool's output formats. Encoding belongs to the tool, not the library.
#ifndef ZVTOOL_ENCODERS_H
#define ZVTOOL_ENCODERS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvtool {

enum class OutputFormat { Png, Jpeg, Bmp };

std::optional<OutputFormat> ParseOutputFormat(const std::string& name);
const char* ExtensionOf(OutputFormat format);  // with its dot: ".png"

struct RgbView {
    const uint8_t* pixels;  // rows of exactly width * 3 bytes
    uint32_t width;
    uint32_t height;
};

// The metadata blocks an output file carries, each empty when it carries none. JPEG and PNG
// carry all four; BMP none.
struct OutputMetadata {
    std::vector<uint8_t> exif;  // TIFF-structured, without JPEG's "Exif\0\0"
    std::vector<uint8_t> xmp;   // the XMP packet
    std::vector<uint8_t> iptc;  // IPTC-IIM records
    std::vector<uint8_t> icc;   // the ICC profile the pixels are in
};

// Writes the image to `path` (a POSIX path). On failure returns false and says why in `error`.
bool WriteImage(const std::string& path, const RgbView& image, OutputFormat format, int jpegQuality,
                const OutputMetadata& metadata, std::string* error);

} // namespace zvtool

#endif
