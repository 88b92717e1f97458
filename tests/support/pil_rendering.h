// PIL's 8-bit rendering of an image together with the mode PIL decoded it in, so that tests
// can tell which references are meaningful for an 8-bit RGB decoder.
#ifndef ZV_TESTS_PIL_RENDERING_H
#define ZV_TESTS_PIL_RENDERING_H

#include "tests/support/test_support.h"

#include <filesystem>
#include <optional>
#include <string>

namespace zv::test {

struct PilRendering {
    std::string mode;        // PIL's mode for the first frame: "RGB", "P", "I;16", "F", ...
    int width = 0;
    int height = 0;
    bool hasPixels = false;  // false for modes without an 8-bit meaning (F, I, LAB)
    RgbImage image;          // when hasPixels: the 8-bit RGB rendering
};

// Nothing when PIL cannot decode the file. Results are cached in the build folder. On Windows
// only the cache is read (see pil_rendering.cpp).
std::optional<PilRendering> PilRender(const std::filesystem::path& file);

} // namespace zv::test

#endif
