// What the metafile tests share: the font caches released before leak checkers look, and a
// metafile rendered through the library at 100 x 100 as 0x00RRGGBB pixels.
#ifndef ZV_TESTS_IMAGING_METAFILE_PICTURES_H
#define ZV_TESTS_IMAGING_METAFILE_PICTURES_H

#include "imaging/core/imaging.h"
#include "imaging/metafile/drawing/text.h"
#include "metafile/metafile_writer.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zv::test::metafile {

// Font caches live for the whole process; releasing them at the end keeps leak checkers quiet.
class FontCacheRelease : public ::testing::Environment {
public:
    void TearDown() override { zv::imaging::metafile::ReleaseFontCaches(); }
};
inline const auto* const kFontCacheRelease = ::testing::AddGlobalTestEnvironment(new FontCacheRelease);

// A 100 x 100 rendering (no pixels when the metafile was refused, with its error).
struct Picture {
    std::vector<uint32_t> pixels;
    uint32_t error = 0;
    uint32_t At(int x, int y) const { return pixels.at(static_cast<size_t>(y) * 100 + x); }

    // The smallest box [left, right] x [top, bottom] of pixels within `area` that are not `background`.
    samples::IntRect Changed(const samples::IntRect& area, uint32_t background) const
    {
        samples::IntRect box{100, 100, -1, -1};
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (At(x, y) != background) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
                }
            }
        }
        return box;
    }
    // How many pixels within `area` are `colour`.
    int Count(const samples::IntRect& area, uint32_t colour) const
    {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                count += At(x, y) == colour ? 1 : 0;
            }
        }
        return count;
    }
};

inline Picture RenderPicture(const std::vector<uint8_t>& bytes)
{
    TempDir dir;
    const auto file = dir / "case.wmf";
    WriteFile(file, bytes);
    uint32_t width = 0;
    uint32_t height = 0;
    HGLOBAL block = IS40_ReadMetafile(file.string().c_str(), &width, &height, 100, 100, 0, 0);
    Picture picture;
    picture.error = IS40_GetLastError();
    if (block != nullptr) {
        const auto* rgb = static_cast<const uint8_t*>(block);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            picture.pixels.push_back((rgb[3 * i] << 16) | (rgb[3 * i + 1] << 8) | rgb[3 * i + 2]);
        }
        ImageBlockFree(block);
    }
    return picture;
}

} // namespace zv::test::metafile

#endif
