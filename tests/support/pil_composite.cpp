#include "tests/support/pil_composite.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace zv::test {
namespace {

std::optional<RgbImage> ReadDump(const fs::path& dump)
{
    std::ifstream in(dump, std::ios::binary);
    RgbImage image;
    if (!(in >> image.width >> image.height) || image.width <= 0 || image.height <= 0) {
        return std::nullopt;
    }
    in.get();
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    in.read(reinterpret_cast<char*>(image.pixels.data()), static_cast<std::streamsize>(image.pixels.size()));
    if (!in) {
        return std::nullopt;
    }
    return image;
}

// Keyed by content and extension, not by path: tests generate their files in fresh folders.
std::string CacheKey(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::to_string(std::hash<std::string>{}(file.extension().string() + '\n' + bytes));
}

} // namespace

std::optional<RgbImage> PilCompositeReference(const fs::path& file)
{
    const fs::path cache = fs::path(ZV_BINARY_DIR) / "pil-composite-references";
    std::error_code ignored;
    fs::create_directories(cache, ignored);
    const std::string key = CacheKey(file);
    const fs::path dump = cache / (key + ".rgb");
    const fs::path failed = cache / (key + ".none");
    if (fs::exists(failed)) {
        return std::nullopt;
    }
    if (!fs::exists(dump)) {
        const std::string script = std::string(ZV_SOURCE_DIR) + "/tests/support/pil_composite_reference.py";
        const std::string command = "/usr/bin/python3 '" + script + "' '" + file.string() + "' '" +
                                    dump.string() + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::ofstream(failed).put('\n');
            return std::nullopt;
        }
    }
    return ReadDump(dump);
}

} // namespace zv::test
