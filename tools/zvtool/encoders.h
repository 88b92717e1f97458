// Writers for the tool's output formats. Encoding belongs to the tool, not the library.
#ifndef ZVTOOL_ENCODERS_H
#define ZVTOOL_ENCODERS_H

#include <cstdint>
#include <optional>
#include <string>

namespace zvtool {

enum class OutputFormat { Png, Jpeg, Bmp };

std::optional<OutputFormat> ParseOutputFormat(const std::string& name);
const char* ExtensionOf(OutputFormat format);  // with its dot: ".png"

struct RgbView {
    const uint8_t* pixels;  // rows of exactly width * 3 bytes
    uint32_t width;
    uint32_t height;
};

// Writes the image to `path` (a POSIX path). On failure returns false and says why in `error`.
bool WriteImage(const std::string& path, const RgbView& image, OutputFormat format, int jpegQuality,
                std::string* error);

} // namespace zvtool

#endif
