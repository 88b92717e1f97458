// PNG's metadata chunks through libpng: png_read_info reads every chunk before the image data,
// which is where eXIf, iCCP and the XMP iTXt belong when an encoder writes them with the
// header; chunks after the image data would need the pixels inflated first, and are not read.
//
// libpng reports fatal errors by longjmp back to the function that called setjmp; the reader
// lives in a session owned by that function's caller.
#include "imaging/metadata/block_finders.h"

#include <csetjmp>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include <png.h>

namespace zv::imaging {
namespace {

// The same bounds the image reader sets: larger ancillary chunks are dropped by libpng.
constexpr png_alloc_size_t kMaxAncillaryChunkBytes = 8'000'000;
constexpr png_uint_32 kMaxAncillaryChunks = 1000;

constexpr char kXmpKey[] = "XML:com.adobe.xmp";
// PNG has no IPTC chunk; writers put the records in a text chunk under this key, as "\n", a
// name, "\n", the byte count (after blanks), "\n" and the bytes in hexadecimal over lines.
constexpr char kIptcKey[] = "Raw profile type iptc";

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The bytes of a raw profile text; nothing when it is not one or holds fewer than it claims.
std::optional<std::vector<uint8_t>> DecodeRawProfile(std::string_view text)
{
    if (!text.starts_with('\n')) {
        return std::nullopt;
    }
    const size_t nameEnd = text.find('\n', 1);
    if (nameEnd == std::string_view::npos) {
        return std::nullopt;
    }
    size_t at = text.find_first_not_of(' ', nameEnd + 1);
    uint64_t count = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && count <= text.size(); ++at) {
        count = count * 10 + static_cast<uint64_t>(text[at] - '0');
    }
    if (at >= text.size() || text[at] != '\n' || count > text.size() / 2) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(count);
    int high = -1;
    for (++at; at < text.size() && bytes.size() < count; ++at) {
        const int value = HexValue(text[at]);
        if (value < 0) {
            if (text[at] == '\n' && high < 0) {
                continue;
            }
            return std::nullopt;
        }
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    return bytes.size() == count ? std::optional(std::move(bytes)) : std::nullopt;
}

struct PngSession {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;

    explicit PngSession(const IS40Source& source) : data(source.data), size(source.size) {}
    PngSession(const PngSession&) = delete;
    PngSession& operator=(const PngSession&) = delete;
    ~PngSession() { png_destroy_read_struct(&png, &info, nullptr); }
};

void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, size_t count)
{
    auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
    if (count > session->size - session->position) {
        png_error(png, "unexpected end of file");
    }
    std::memcpy(out, session->data + session->position, count);
    session->position += count;
}

// How much of the file libpng may see: up to the first chunk before the image data that claims
// more bytes than the file still holds, or more than the ancillary limit. libpng allocates a
// chunk's declared length before reading it, so such a chunk would cost memory for nothing.
size_t TrustedPrefix(const uint8_t* data, size_t size)
{
    ByteReader reader(data, size);
    if (!reader.Seek(8)) {
        return size;
    }
    uint32_t length = 0;
    uint8_t type[4];
    while (reader.Has(8)) {
        const size_t start = reader.position();
        if (!reader.U32BE(&length) || !reader.Bytes(type, 4)) {
            break;
        }
        if (std::memcmp(type, "IDAT", 4) == 0) {
            break;  // png_read_info stops here
        }
        if (length > kMaxAncillaryChunkBytes || !reader.Skip(uint64_t{length} + 4)) {
            return start;
        }
    }
    return size;
}

bool ReadInfo(PngSession& session)
{
    session.size = TrustedPrefix(session.data, session.size);
    session.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session, OnError, OnWarning);
    if (session.png == nullptr) {
        return false;
    }
    session.info = png_create_info_struct(session.png);
    if (session.info == nullptr || setjmp(png_jmpbuf(session.png)) != 0) {
        return false;
    }
    // No pixel is allocated, so an image of any size may carry metadata.
    png_set_user_limits(session.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_malloc_max(session.png, kMaxAncillaryChunkBytes);
    png_set_chunk_cache_max(session.png, kMaxAncillaryChunks);
    png_set_read_fn(session.png, &session, ReadBytes);
    png_read_info(session.png, session.info);
    return true;
}

} // namespace

void FindPngBlocks(const IS40Source& source, FoundBlocks* found)
{
    PngSession session(source);
    // What libpng stored before a failure is still there: a damaged chunk after the metadata
    // loses nothing.
    ReadInfo(session);
    if (session.info == nullptr) {
        return;
    }
    png_uint_32 exifLength = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(session.png, session.info, &exifLength, &exif) != 0 && exif != nullptr) {
        found->blocks[kBlockExif].emplace(exif, exif + exifLength);
    }
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(session.png, session.info, &name, &compression, &profile, &profileLength) != 0 &&
        profile != nullptr) {
        found->blocks[kBlockIcc].emplace(profile, profile + profileLength);
    }
    png_textp texts = nullptr;
    const int count = png_get_text(session.png, session.info, &texts, nullptr);
    for (int i = 0; i < count && texts != nullptr; ++i) {
        const png_text& text = texts[i];
        if (text.key == nullptr || text.text == nullptr) {
            continue;
        }
        // The XMP packet is an iTXt chunk (compressed or not) under Adobe's key.
        if (text.compression >= PNG_ITXT_COMPRESSION_NONE && std::strcmp(text.key, kXmpKey) == 0 &&
            !found->blocks[kBlockXmp]) {
            found->blocks[kBlockXmp].emplace(text.text, text.text + text.itxt_length);
        }
        if (text.compression < PNG_ITXT_COMPRESSION_NONE && std::strcmp(text.key, kIptcKey) == 0 &&
            !found->blocks[kBlockIptc]) {
            found->blocks[kBlockIptc] = DecodeRawProfile(std::string_view(text.text, text.text_length));
        }
    }
}

} // namespace zv::imaging
