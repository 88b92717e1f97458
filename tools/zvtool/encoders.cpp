#include "encoders.h"

#include "metadata_payloads.h"

#include <png.h>

#include <array>
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

// libpng reports errors by calling its error function, which must not return: jump back out.
[[noreturn]] void JumpOnPngError(png_structp png, png_const_charp message)
{
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    *text = message;
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

// libpng measures text with strlen, so each text is held NUL-terminated in `held`, which must
// live until the header is written.
void PutPngMetadata(png_structp png, png_infop info, const OutputMetadata& metadata, std::vector<png_text>* texts,
                    std::array<std::string, 2>* held)
{
    if (!metadata.icc.empty()) {
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, metadata.icc.data(),
                     static_cast<png_uint_32>(metadata.icc.size()));
    } else {
        // As libpng's simplified writer always did: the pixels are sRGB.
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    }
    if (!metadata.exif.empty()) {
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(metadata.exif.size()),
                       const_cast<png_bytep>(metadata.exif.data()));
    }
    if (!metadata.xmp.empty()) {
        (*held)[0].assign(metadata.xmp.begin(), metadata.xmp.end());
        png_text xmp{};
        xmp.compression = PNG_ITXT_COMPRESSION_NONE;
        xmp.key = const_cast<char*>("XML:com.adobe.xmp");
        xmp.text = (*held)[0].data();
        xmp.itxt_length = (*held)[0].size();
        texts->push_back(xmp);
    }
    if (!metadata.iptc.empty()) {
        (*held)[1] = PngIptcText(metadata.iptc);
        png_text iptc{};
        iptc.compression = PNG_TEXT_COMPRESSION_zTXt;
        iptc.key = const_cast<char*>(kPngIptcKeyword);
        iptc.text = (*held)[1].data();
        iptc.text_length = (*held)[1].size();
        texts->push_back(iptc);
    }
    if (!texts->empty()) {
        png_set_text(png, info, texts->data(), static_cast<int>(texts->size()));
    }
}

bool WritePng(const std::string& path, const RgbView& image, const OutputMetadata& metadata, std::string* error)
{
    FilePtr file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        *error = std::string("cannot create: ") + std::strerror(errno);
        return false;
    }
    std::string message;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, JumpOnPngError, IgnorePngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        *error = "PNG encoder: out of memory";
        return false;
    }
    std::vector<png_text> texts;  // the chunks' texts must live until the header is written
    std::array<std::string, 2> heldTexts;
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        *error = "PNG encoder: " + message;
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    PutPngMetadata(png, info, metadata, &texts, &heldTexts);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(image.width) * 3;
    for (uint32_t y = 0; y < image.height; ++y) {
        png_write_row(png, image.pixels + stride * y);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) {
        *error = std::string("cannot write: ") + std::strerror(errno);
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

// A block too large for one marker is left out: EXIF, XMP and IPTC must each fit in one.
void WriteMarkerIfItFits(j_compress_ptr info, int marker, const std::vector<uint8_t>& payload)
{
    if (payload.size() <= kMaxJpegMarkerPayload) {
        jpeg_write_marker(info, marker, payload.data(), static_cast<unsigned>(payload.size()));
    }
}

void PutJpegMetadata(j_compress_ptr info, const OutputMetadata& metadata)
{
    if (!metadata.exif.empty()) {
        WriteMarkerIfItFits(info, JPEG_APP0 + 1, JpegExifPayload(metadata.exif));
    }
    if (!metadata.xmp.empty()) {
        WriteMarkerIfItFits(info, JPEG_APP0 + 1, JpegXmpPayload(metadata.xmp));
    }
    if (!metadata.iptc.empty()) {
        WriteMarkerIfItFits(info, JPEG_APP0 + 13, JpegIptcPayload(metadata.iptc));
    }
    if (!metadata.icc.empty()) {
        // libjpeg-turbo splits a profile across as many APP2 markers as it needs.
        jpeg_write_icc_profile(info, metadata.icc.data(), static_cast<unsigned>(metadata.icc.size()));
    }
}

bool WriteJpeg(const std::string& path, const RgbView& image, int quality, const OutputMetadata& metadata,
               std::string* error)
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
        PutJpegMetadata(&info, metadata);
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
                const OutputMetadata& metadata, std::string* error)
{
    if (image.pixels == nullptr || image.width == 0 || image.height == 0) {
        *error = "empty image";
        return false;
    }
    switch (format) {
    case OutputFormat::Png:
        return WritePng(path, image, metadata, error);
    case OutputFormat::Jpeg:
        return WriteJpeg(path, image, jpegQuality, metadata, error);
    case OutputFormat::Bmp:
        return WriteBmp(path, image, error);
    }
    return false;
}

} // namespace zvtool
