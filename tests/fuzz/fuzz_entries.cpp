#include "tests/fuzz/fuzz_entries.h"

#include "imaging/core/imaging.h"
#include "zvdll.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace zv::fuzz {
namespace {

// Decoding stops at 64 MiB per buffer so that the fuzzer explores parsing, not allocation.
constexpr uint64_t kFuzzAllocationLimit = 64ull << 20;

// Opens the bytes as a source, runs one reader on it, and checks that a returned block is as
// large as the size it reports (bytesPerPixel: 3, or 1 for palette indices).
template <typename Read>
void WithSource(const uint8_t* data, size_t size, Read read, size_t bytesPerPixel = 3)
{
    ZvSetAllocationLimit(kFuzzAllocationLimit);
    HISSRC source = IS40_OpenMemorySource(data, size);
    if (source == nullptr) {
        return;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    HGLOBAL block = read(source, &width, &height);
    if (block != nullptr && width > 0 && height > 0) {
        const auto* bytes = static_cast<const uint8_t*>(block);
        volatile uint8_t last = bytes[static_cast<size_t>(width) * height * bytesPerPixel - 1];
        (void)last;
    }
    ImageBlockFree(block);
    IS40_CloseSource(source);
}

void Jpeg(const uint8_t* d, size_t n)
{
    WithSource(d, n, [](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadJPG(s, w, h, 24, 0); });
}
// The readers of the one shape that BMP, TGA, PCX, PNG and PSD share.
template <HGLOBAL (*Read)(HISSRC, uint32_t*, uint32_t*, uint32_t, uint8_t*, uint32_t)>
void Raster(const uint8_t* d, size_t n)
{
    WithSource(d, n, [](HISSRC s, uint32_t* w, uint32_t* h) { return Read(s, w, h, 24, nullptr, 0); });
}
void Tiff(const uint8_t* d, size_t n)
{
    WithSource(d, n, [](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadTIFF(s, w, h, 24, nullptr, 0, 0); });
}
void Gif(const uint8_t* d, size_t n)
{
    WithSource(d, n, [](HISSRC s, uint32_t* w, uint32_t* h) {
        uint8_t palette[1024];
        uint32_t transparent = 0;
        return IS40_ReadGIF(s, w, h, &transparent, palette, 0);
    }, 1);
}
// Base/16 as well as Base: a small input already reaches the real colour conversion.
void Pcd(const uint8_t* d, size_t n)
{
    WithSource(d, n, [](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadPCD(s, w, h, 1, 0); });
    WithSource(d, n, [](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadPCD(s, w, h, 3, 0); });
}
void Raw(const uint8_t* d, size_t n)
{
    WithSource(d, n, [](HISSRC s, uint32_t* w, uint32_t* h) {
        return SARAW_ReadRAW(s, w, h, 24, 1.0, 1.0, 1.0, 0, -1, 0, 0, 0, 0, 0, 0, 0);
    });
}

// The metafile reader takes a path, so its input goes through a temporary file.
void Metafile(const uint8_t* d, size_t n)
{
    ZvSetAllocationLimit(kFuzzAllocationLimit);
    char path[] = "/tmp/zvdll-fuzz-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        return;
    }
    const bool written = n == 0 || write(fd, d, n) == static_cast<ssize_t>(n);
    close(fd);
    if (written) {
        uint32_t width = 0;
        uint32_t height = 0;
        ImageBlockFree(IS40_ReadMetafile(path, &width, &height, 64, 64, 0, 0));
        ImageBlockFree(IS40_ReadMetafile(path, &width, &height, 0, 0, 0, 0));
    }
    unlink(path);
}

// Every measuring operation on the same bytes.
void Dims(const uint8_t* d, size_t n)
{
    ZvSetAllocationLimit(kFuzzAllocationLimit);
    HISSRC s = IS40_OpenMemorySource(d, n);
    if (s == nullptr) {
        return;
    }
    uint32_t w = 0, h = 0, bits = 0, a = 0, b = 0, c = 0, e = 0, f = 0, g = 0;
    IS40DimInfo info{};
    uint8_t palette[1024];
    char maker[64];
    char model[72];
    double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
    IS40_GetJPGDims(s, &w, &h, &bits, &a, &b, &info, 0);
    IS40_GetPNGDims(s, &w, &h, &a, &b, &c, nullptr, &e, &f, &g, &a, &info, 0);
    IS40_GetTIFFDims(s, 0, &w, &h, &bits, &info, 0);
    IS40_GetGIFDims(s, &w, &h, &bits, &a, &b, palette, &c, 0);
    IS40_GetBMPDims(s, &w, &h, &bits, &info, 0);
    IS40_GetPCXDims(s, &w, &h, &bits, &info, 0);
    IS40_GetTGADims(s, &w, &h, &bits, 0);
    IS40_GetPSDDims(s, &w, &h, &a, &info, 0);
    SARAW_GetRAWDims(s, &w, &h, maker, model, &v1, &v2, &v3, &v4, 0);
    IS40_CloseSource(s);
}

// The metadata reader on the bytes, then every block rewritten for output, as a host saving an
// upright copy would ask for it.
void Metadata(const uint8_t* d, size_t n)
{
    ZvSetAllocationLimit(kFuzzAllocationLimit);
    ZvMetadata* metadata = ZvReadMetadataFromMemory(d, n);
    if (metadata == nullptr) {
        return;
    }
    for (int32_t block = ZV_BLOCK_EXIF; block <= ZV_BLOCK_ICC; ++block) {
        size_t size = 0;
        const uint8_t* bytes = ZvMetadataBlock(metadata, block, &size);
        if (bytes != nullptr && size > 0) {
            volatile uint8_t last = bytes[size - 1];
            (void)last;
        }
        ZvFreeBuffer(ZvMetadataBlockForOutput(metadata, block, 640, 480, &size));
    }
    for (int32_t field = ZV_FIELD_DATE_TAKEN; field <= ZV_FIELD_PROFILE_DESCRIPTION; ++field) {
        ZvStringFree(ZvMetadataText(metadata, field));
    }
    ZvMetadataFree(metadata);
}

// Random templates, with fixed arguments around them.
void ParseLine(const uint8_t* d, size_t n)
{
    const std::string text(reinterpret_cast<const char*>(d), n);
    const zv::CString result = ZV_ParseLine(text.c_str(), "%Y%m%d", "D:\\in\\", "a.jpg", "a", 640, 480,
                                            1, -2, 3, 2147483647, -2147483647 - 1, 0, 7, 8, 9, 10);
    (void)result.GetLength();
}

} // namespace

const std::vector<Target>& Targets()
{
    static const std::vector<Target> targets = {
        {"jpeg", Jpeg}, {"png", Raster<IS40_ReadPNG>}, {"tiff", Tiff}, {"gif", Gif}, {"bmp", Raster<IS40_ReadBMP>},
        {"tga", Raster<IS40_ReadTGA>}, {"pcx", Raster<IS40_ReadPCX>}, {"psd", Raster<IS40_ReadPSD>}, {"pcd", Pcd}, {"metafile", Metafile}, {"raw", Raw},
        {"dims", Dims}, {"parse_line", ParseLine}, {"metadata", Metadata},
    };
    return targets;
}

Entry FindEntry(const std::string& name)
{
    for (const Target& target : Targets()) {
        if (name == target.name) {
            return target.entry;
        }
    }
    return nullptr;
}

} // namespace zv::fuzz
