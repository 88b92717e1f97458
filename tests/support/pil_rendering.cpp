#include "tests/support/pil_rendering.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace zv::test {
namespace {

std::optional<PilRendering> ReadRendering(const fs::path& dump)
{
    std::ifstream in(dump, std::ios::binary);
    PilRendering rendering;
    if (!(in >> rendering.mode >> rendering.width >> rendering.height)) {
        return std::nullopt;
    }
    in.get();
    const size_t bytes = static_cast<size_t>(rendering.width) * rendering.height * 3;
    rendering.image.width = rendering.width;
    rendering.image.height = rendering.height;
    rendering.image.pixels.resize(bytes);
    in.read(reinterpret_cast<char*>(rendering.image.pixels.data()), static_cast<std::streamsize>(bytes));
    rendering.hasPixels = bytes > 0 && static_cast<size_t>(in.gcount()) == bytes;
    if (!rendering.hasPixels) {
        rendering.image.pixels.clear();
    }
    return rendering;
}

} // namespace

std::optional<PilRendering> PilRender(const fs::path& file)
{
    const fs::path cache = fs::path(ZV_PIL_CACHE_DIR);
    std::error_code ignored;
    fs::create_directories(cache, ignored);
    // Keyed by content: tests write different images under the same name.
    const std::vector<uint8_t> bytes = ReadFile(file);
    std::string key = std::to_string(std::hash<std::string>{}(std::string(bytes.begin(), bytes.end()))) + "-" +
                      std::to_string(bytes.size());
    // A JPEG's pixels may depend on whether libjpeg-turbo runs its vector code, which a test can
    // turn off for itself and the PIL it starts: such renderings are cached apart.
    if (const char* portable = std::getenv("JSIMD_FORCENONE"); portable && std::string(portable) == "1") {
        key += "-c";
    }
    const fs::path dump = cache / (key + ".render");
    const fs::path failed = cache / (key + ".unreadable");
    if (fs::exists(failed)) {
        return std::nullopt;
    }
    if (!fs::exists(dump)) {
#if defined(_WIN32)
        // Python does not run under Wine: references come from the cache that the Linux build
        // of the same sources filled (same keys on 64-bit). A missing one is "no reference".
        return std::nullopt;
#endif
        const std::string script = std::string(ZV_SOURCE_DIR) + "/tests/support/pil_rendering.py";
        const std::string command = "/usr/bin/python3 '" + script + "' '" + file.string() + "' '" +
                                    dump.string() + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::ofstream(failed).put('\n');
            return std::nullopt;
        }
    }
    return ReadRendering(dump);
}

std::optional<RgbImage> PilReference(const fs::path& file)
{
    std::optional<PilRendering> rendering = PilRender(file);
    if (!rendering || !rendering->hasPixels) {
        return std::nullopt;
    }
    return std::move(rendering->image);
}

} // namespace zv::test
