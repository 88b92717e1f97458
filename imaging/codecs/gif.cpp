// GIF on giflib's record-level interface: the first image of the file, as palette indices on
// the logical screen. Pixels outside the image's frame take the screen's background index;
// interlaced images are put back in row order. Only the first image is decoded, and only
// until every row that lands on the screen has arrived, so a frame that extends far beyond
// a small screen costs no more than what is visible.
//
// The 1024-byte palette block gets 256 entries of red, green, blue, 0: the image's local
// colour table when it has one, else the global one, else a grey ramp (entry i is i, i, i).
// Entries past the table's end are black.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

namespace zv::imaging {
namespace {

constexpr uint32_t kNoTransparency = 0xFFFFFFFFu;

struct GifInput {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    bool ranShort = false;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int count)
{
    auto* input = static_cast<GifInput*>(gif->UserData);
    const size_t wanted = count > 0 ? static_cast<size_t>(count) : 0;
    const size_t taken = std::min(wanted, input->size - input->position);
    if (taken < wanted) {
        input->ranShort = true;
    }
    if (taken > 0) {
        std::memcpy(out, input->data + input->position, taken);
        input->position += taken;
    }
    return static_cast<int>(taken);
}

class GifFile {
public:
    explicit GifFile(const IS40Source& source)
    {
        input_.data = source.data;
        input_.size = source.size;
        gif_ = DGifOpen(&input_, ReadGifBytes, &openError_);
    }
    ~GifFile()
    {
        if (gif_ != nullptr) {
            int ignored = 0;
            DGifCloseFile(gif_, &ignored);
        }
    }
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;

    GifFileType* get() const { return gif_; }

    // Sets the last error after a giflib failure. A read that ran out of data is truncation
    // whatever giflib calls it.
    void FailFromCodec() const
    {
        const int code = gif_ != nullptr ? gif_->Error : openError_;
        if (input_.ranShort) {
            Fail(Format::Gif, Problem::Truncated);
        } else if (code == D_GIF_ERR_NOT_ENOUGH_MEM) {
            Fail(Format::Gif, Problem::OutOfMemory);
        } else {
            Fail(Format::Gif, Problem::Corrupt);
        }
    }

private:
    GifInput input_;
    GifFileType* gif_ = nullptr;
    int openError_ = 0;
};

// Skips one extension, noting the transparent index of a graphic control extension.
bool SkipExtension(GifFileType* gif, uint32_t* transparentIndex)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
        return false;
    }
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        *transparentIndex = (block[1] & 0x01) != 0 ? block[4] : kNoTransparency;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
            return false;
        }
    }
    return true;
}

// Opens the file and reads up to and including the first image descriptor. False with the
// last error set.
bool SeekFirstImage(const GifFile& file, uint32_t* transparentIndex)
{
    GifFileType* gif = file.get();
    if (gif == nullptr) {
        file.FailFromCodec();
        return false;
    }
    if (gif->SWidth <= 0 || gif->SHeight <= 0) {
        Fail(Format::Gif, Problem::Corrupt);
        return false;
    }
    *transparentIndex = kNoTransparency;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            file.FailFromCodec();
            return false;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR) {
                file.FailFromCodec();
                return false;
            }
            return true;
        }
        if (type != EXTENSION_RECORD_TYPE) {  // the trailer, or garbage, before any image
            Fail(Format::Gif, Problem::Corrupt);
            return false;
        }
        if (!SkipExtension(gif, transparentIndex)) {
            file.FailFromCodec();
            return false;
        }
    }
}

const ColorMapObject* ImageColourMap(const GifFileType* gif)
{
    return gif->Image.ColorMap != nullptr ? gif->Image.ColorMap : gif->SColorMap;
}

void FillPalette(const ColorMapObject* map, uint8_t* palette1024)
{
    std::memset(palette1024, 0, 1024);
    if (map == nullptr || map->Colors == nullptr) {
        for (int i = 0; i < 256; ++i) {
            std::memset(palette1024 + i * 4, i, 3);
        }
        return;
    }
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        palette1024[i * 4 + 0] = map->Colors[i].Red;
        palette1024[i * 4 + 1] = map->Colors[i].Green;
        palette1024[i * 4 + 2] = map->Colors[i].Blue;
    }
}

// The frame row that arrives as the n-th line: interlaced images send every 8th row from 0,
// then every 8th from 4, every 4th from 2, and every 2nd from 1.
class RowOrder {
public:
    RowOrder(int height, bool interlaced) : height_(height), interlaced_(interlaced) {}

    int Next()
    {
        if (!interlaced_) {
            return row_ < height_ ? row_++ : -1;
        }
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        while (pass_ < 4) {
            if (row_ < height_) {
                const int row = row_;
                row_ += kStep[pass_];
                return row;
            }
            if (++pass_ < 4) {
                row_ = kStart[pass_];
            }
        }
        return -1;
    }

private:
    int height_;
    bool interlaced_;
    int pass_ = 0;
    int row_ = 0;
};

// Decodes the current image's rows onto the screen block. False with the last error set.
bool DecodeFrame(const GifFile& file, uint8_t* screen)
{
    GifFileType* gif = file.get();
    const GifImageDesc& frame = gif->Image;
    const int screenWidth = gif->SWidth;
    const int screenHeight = gif->SHeight;
    const int left = std::max(frame.Left, 0);
    const int right = std::min(frame.Left + frame.Width, screenWidth);
    const bool anyColumnVisible = frame.Width > 0 && frame.Height > 0 && left < right;
    const int visibleRows =
        anyColumnVisible ? std::clamp(std::min(frame.Height, screenHeight - frame.Top), 0, frame.Height) : 0;
    if (visibleRows == 0) {
        return true;
    }
    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    RowOrder order(frame.Height, frame.Interlace);
    for (int delivered = 0; delivered < visibleRows;) {
        const int row = order.Next();
        if (row < 0) {
            break;
        }
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
            file.FailFromCodec();
            return false;
        }
        const int y = frame.Top + row;
        if (y >= 0 && y < screenHeight) {
            std::memcpy(screen + static_cast<size_t>(y) * screenWidth + left, line.data() + (left - frame.Left),
                        static_cast<size_t>(right - left));
            ++delivered;
        }
    }
    return true;
}

// A logical screen is filled with the background wherever the first image does not cover it,
// so its size costs nothing in the file: a 30-byte file can claim 65535 x 65535. The image
// itself can cover no more pixels than its data can encode: LZW gives at most 4096 pixels per
// code of at least 3 bits, fewer than 11,000 pixels per byte of the file. A screen of more than
// 16 megapixels that is also more than four times what the image can cover is taken for what
// it is, a decompression bomb, and refused.
bool ScreenIsPlausible(const GifFileType* gif, size_t fileBytes)
{
    constexpr uint64_t kFreeScreenPixels = 16u << 20;
    constexpr uint64_t kMaxPixelsPerByte = 4096 * 8 / 3;
    const uint64_t screen = static_cast<uint64_t>(gif->SWidth) * static_cast<uint64_t>(gif->SHeight);
    const uint64_t frame =
        static_cast<uint64_t>(std::max(gif->Image.Width, 0)) * static_cast<uint64_t>(std::max(gif->Image.Height, 0));
    const uint64_t covered = std::min<uint64_t>(frame, static_cast<uint64_t>(fileBytes) * kMaxPixelsPerByte);
    return screen <= kFreeScreenPixels || screen <= 4 * covered;
}

} // namespace
} // namespace zv::imaging

using namespace zv::imaging;

HGLOBAL IS40_ReadGIF(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* transparentIndex,
                     uint8_t* palette1024, uint32_t)
{
    if (source == nullptr) {
        return Fail(Format::Gif, Problem::BadArgument);
    }
    GifFile file(*source);
    uint32_t transparent = kNoTransparency;
    if (!SeekFirstImage(file, &transparent)) {
        return nullptr;
    }
    const GifFileType* gif = file.get();
    if (!ScreenIsPlausible(gif, source->size)) {
        return Fail(Format::Gif, Problem::Corrupt);
    }
    OwnedBlock block(AllocateImageBlock(Format::Gif, static_cast<uint64_t>(gif->SWidth),
                                        static_cast<uint64_t>(gif->SHeight), 1));
    if (block.get() == nullptr) {
        return nullptr;
    }
    std::memset(block.bytes(), gif->SBackGroundColor & 0xFF,
                static_cast<size_t>(gif->SWidth) * static_cast<size_t>(gif->SHeight));
    if (!DecodeFrame(file, block.bytes())) {
        return nullptr;
    }
    if (palette1024 != nullptr) {
        FillPalette(ImageColourMap(gif), palette1024);
    }
    Store(width, static_cast<uint32_t>(gif->SWidth));
    Store(height, static_cast<uint32_t>(gif->SHeight));
    Store(transparentIndex, transparent);
    return block.Release();
}

uint32_t IS40_GetGIFDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         uint32_t* backgroundIndex, uint32_t* transparentIndex, uint8_t* palette1024,
                         uint32_t* colourCount, uint32_t)
{
    if (source == nullptr) {
        Fail(Format::Gif, Problem::BadArgument);
        return 0;
    }
    GifFile file(*source);
    uint32_t transparent = kNoTransparency;
    if (!SeekFirstImage(file, &transparent)) {
        return 0;
    }
    const GifFileType* gif = file.get();
    const ColorMapObject* map = ImageColourMap(gif);
    Store(width, static_cast<uint32_t>(gif->SWidth));
    Store(height, static_cast<uint32_t>(gif->SHeight));
    Store(bitsPerPixel, map != nullptr ? static_cast<uint32_t>(map->BitsPerPixel) : 8u);
    Store(backgroundIndex, static_cast<uint32_t>(gif->SBackGroundColor));
    Store(transparentIndex, transparent);
    Store(colourCount, map != nullptr ? static_cast<uint32_t>(map->ColorCount) : 256u);
    if (palette1024 != nullptr) {
        FillPalette(map, palette1024);
    }
    return 1;
}
