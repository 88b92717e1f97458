#include "encoders.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <memory>
#include <vector>

namespace zvtool {
namespace {

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

bool WritePng(const std::string& path, const RgbView& image, std::string* error)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.pixels, 0, nullptr)) {
        *error = std::string("PNG encoder: ") + png.message;
        return false;
    }
    return true;
}

// libjpeg reports errors by calling error_exit, which must not return: jump back out of the
// C library rather than throwing through it.
struct JpegErrorExit {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOnJpegError(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegErrorExit*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

bool WriteJpeg(const std::string& path, const RgbView& image, int quality, std::string* error)
{
    FilePtr file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        *error = std::string("cannot create: ") + std::strerror(errno);
        return false;
    }
    jpeg_compress_struct info{};
    JpegErrorExit errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpOnJpegError;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&info);
        *error = std::string("JPEG encoder: ") + errors.message;
        return false;
    }
    {
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, file.get());
        info.image_width = image.width;
        info.image_height = image.height;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        jpeg_start_compress(&info, TRUE);
        const size_t stride = static_cast<size_t>(image.width) * 3;
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(image.pixels + stride * info.next_scanline);
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    }
    jpeg_destroy_compress(&info);
    return true;
}

void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A plain 24-bit bottom-up BMP with a BITMAPINFOHEADER, rows padded to 4 bytes.
bool WriteBmp(const std::string& path, const RgbView& image, std::string* error)
{
    const uint64_t rowBytes = (static_cast<uint64_t>(image.width) * 3 + 3) & ~uint64_t{3};
    const uint64_t pixelBytes = rowBytes * image.height;
    if (pixelBytes + 54 > 0xFFFFFFFFull) {
        *error = "image too large for BMP";
        return false;
    }
    std::vector<uint8_t> header;
    header.push_back('B');
    header.push_back('M');
    PutLE(header, static_cast<uint32_t>(54 + pixelBytes), 4);
    PutLE(header, 0, 4);
    PutLE(header, 54, 4);
    PutLE(header, 40, 4);
    PutLE(header, image.width, 4);
    PutLE(header, image.height, 4);
    PutLE(header, 1, 2);
    PutLE(header, 24, 2);
    PutLE(header, 0, 4);
    PutLE(header, static_cast<uint32_t>(pixelBytes), 4);
    PutLE(header, 2835, 4);  // 72 dpi
    PutLE(header, 2835, 4);
    PutLE(header, 0, 4);
    PutLE(header, 0, 4);

    FilePtr file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file || std::fwrite(header.data(), 1, header.size(), file.get()) != header.size()) {
        *error = std::string("cannot write: ") + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> row(rowBytes, 0);
    for (uint32_t y = image.height; y-- > 0;) {
        const uint8_t* source = image.pixels + static_cast<size_t>(y) * image.width * 3;
        for (uint32_t x = 0; x < image.width; ++x) {
            row[x * 3 + 0] = source[x * 3 + 2];
            row[x * 3 + 1] = source[x * 3 + 1];
            row[x * 3 + 2] = source[x * 3 + 0];
        }
        if (std::fwrite(row.data(), 1, row.size(), file.get()) != row.size()) {
            *error = std::string("cannot write: ") + std::strerror(errno);
            return false;
        }
    }
    if (std::fflush(file.get()) != 0) {
        *error = std::string("cannot write: ") + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

std::optional<OutputFormat> ParseOutputFormat(const std::string& name)
{
    if (name == "png") {
        return OutputFormat::Png;
    }
    if (name == "jpg" || name == "jpeg") {
        return OutputFormat::Jpeg;
    }
    if (name == "bmp") {
        return OutputFormat::Bmp;
    }
    return std::nullopt;
}

const char* ExtensionOf(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Png:
        return ".png";
    case OutputFormat::Jpeg:
        return ".jpg";
    case OutputFormat::Bmp:
        return ".bmp";
    }
    return "";
}

bool WriteImage(const std::string& path, const RgbView& image, OutputFormat format, int jpegQuality,
                std::string* error)
{
    if (image.pixels == nullptr || image.width == 0 || image.height == 0) {
        *error = "empty image";
        return false;
    }
    switch (format) {
    case OutputFormat::Png:
        return WritePng(path, image, error);
    case OutputFormat::Jpeg:
        return WriteJpeg(path, image, jpegQuality, error);
    case OutputFormat::Bmp:
        return WriteBmp(path, image, error);
    }
    return false;
}

} // namespace zvtool
