#include "tests/support/test_support.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace zv::test {

TempDir::TempDir(bool enter) : entered_(enter)
{
    std::random_device random;
    for (;;) {
        path_ = fs::temp_directory_path() / ("zvdll-test-" + std::to_string(random()));
        if (fs::create_directory(path_)) {
            break;
        }
    }
    if (entered_) {
        previous_ = fs::current_path();
        fs::current_path(path_);
    }
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (entered_) {
        fs::current_path(previous_, ignored);
    }
    fs::remove_all(path_, ignored);
}

namespace {

void RecordBegin(void* context)
{
    ++static_cast<HostServicesRecorder*>(context)->cursorBegins;
}

void RecordEnd(void* context)
{
    ++static_cast<HostServicesRecorder*>(context)->cursorEnds;
}

void RecordMessage(void* context, const char* text, const char* caption)
{
    auto* recorder = static_cast<HostServicesRecorder*>(context);
    recorder->messages.push_back(std::string(caption) + ": " + text);
    recorder->texts.emplace_back(text);
    if (recorder->throwOnMessage) {
        throw std::runtime_error(text);
    }
}

} // namespace

HostServicesRecorder::HostServicesRecorder()
{
    ZvHostServices services{this, RecordBegin, RecordEnd, RecordMessage};
    ZvSetHostServices(&services);
}

HostServicesRecorder::~HostServicesRecorder()
{
    ZvSetHostServices(nullptr);
}

std::optional<fs::path> CorpusDir()
{
    std::error_code ignored;
    fs::path dir = ZV_CORPUS_DIR;
    if (fs::is_directory(dir, ignored)) {
        return dir;
    }
    return std::nullopt;
}

std::vector<fs::path> FilesIn(const fs::path& folder, const std::vector<std::string>& extensions)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file()) {
            continue;
        }
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (extensions.empty() || std::find(extensions.begin(), extensions.end(), ext) != extensions.end()) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<RgbImage> ReadPngFile(const fs::path& file)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.string().c_str())) {
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGB;
    RgbImage out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return out;
}

int MaxDifference(const RgbImage& a, const uint8_t* pixels, int width, int height)
{
    if (a.width != width || a.height != height) {
        return -1;
    }
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        worst = std::max(worst, std::abs(static_cast<int>(a.pixels[i]) - static_cast<int>(pixels[i])));
    }
    return worst;
}

void WriteFile(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace zv::test
