#include "tests/support/pil_rendering.h"

#include <cstdlib>
#include <fstream>
#include <functional>

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
    const fs::path cache = fs::path(ZV_BINARY_DIR) / "pil-renderings";
    std::error_code ignored;
    fs::create_directories(cache, ignored);
    const std::string key = std::to_string(std::hash<std::string>{}(fs::absolute(file).string()));
    const fs::path dump = cache / (key + ".rgb");
    const fs::path failed = cache / (key + ".none");
    if (fs::exists(failed)) {
        return std::nullopt;
    }
    if (!fs::exists(dump)) {
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

} // namespace zv::test
