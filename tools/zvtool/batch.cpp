#include "batch.h"

#include "inputs.h"
#include "progress.h"

#include <zvdll.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace zvtool {
namespace {

// A buffer that the library allocated; released through the library.
struct LibraryBuffer {
    uint8_t* pixels = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;

    LibraryBuffer() = default;
    LibraryBuffer(const LibraryBuffer&) = delete;
    LibraryBuffer& operator=(const LibraryBuffer&) = delete;
    ~LibraryBuffer() { ZvFreeBuffer(pixels); }

    void Replace(uint8_t* newPixels, uint32_t newWidth, uint32_t newHeight)
    {
        if (newPixels != pixels) {
            ZvFreeBuffer(pixels);
        }
        pixels = newPixels;
        width = newWidth;
        height = newHeight;
    }
};

std::string LastImagingError()
{
    const zv::CString text = ZV_GetISerror();
    return text.IsEmpty() ? std::string("unknown imaging error") : std::string(text.GetString());
}

bool OpenImage(const std::string& path, const BatchOptions& options, LibraryBuffer* image, std::string* error)
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 0;
    ZvDimInfo info{};
    // Measuring first costs a header read and lets a metafile be rendered at the size it
    // will be shown at.
    ZV_GetImageDims(path.c_str(), &width, &height, &bits, &info);
    const int32_t metaWidth = options.fit ? static_cast<int32_t>(options.fit->width) : 0;
    const int32_t metaHeight = options.fit ? static_cast<int32_t>(options.fit->height) : 0;
    uint8_t* pixels = nullptr;
    if (!ZV_OpenImageFile(path.c_str(), &pixels, &width, &height, 0.0, metaWidth, metaHeight)) {
        *error = LastImagingError();
        return false;
    }
    image->Replace(pixels, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    return true;
}

bool Blur(double amount, LibraryBuffer* image, std::string* error)
{
    const size_t bytes = static_cast<size_t>(image->width) * image->height * 3;
    std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[bytes]);
    if (!work) {
        *error = "out of memory for the blur";
        return false;
    }
    const int32_t result = ZV_BlurGaussian(image->pixels, static_cast<int32_t>(image->width),
                                           static_cast<int32_t>(image->height), amount, work.get());
    if (result != 0) {
        std::memcpy(image->pixels, work.get(), bytes);  // the fractional step finished in `work`
    }
    return true;
}

// The library fits a display copy into a window less a 4-pixel margin; a window 4 pixels
// larger than the box fits the image into the box.
bool Fit(const Size& box, LibraryBuffer* image, std::string* error)
{
    zv::CWnd window(zv::CRect(0, 0, static_cast<int32_t>(box.width) + 4, static_cast<int32_t>(box.height) + 4));
    uint8_t* source = image->pixels;
    uint32_t sourceWidth = image->width;
    uint32_t sourceHeight = image->height;
    uint8_t* display = nullptr;
    uint32_t displayWidth = 0;
    uint32_t displayHeight = 0;
    if (!ZV_DisplayFrame(&source, &sourceWidth, &sourceHeight, &display, &displayWidth, &displayHeight, &window) ||
        display == nullptr || displayWidth == 0 || displayHeight == 0) {
        ZvFreeBuffer(display);
        *error = "cannot fit the image into " + std::to_string(box.width) + "x" + std::to_string(box.height);
        return false;
    }
    image->Replace(display, displayWidth, displayHeight);
    return true;
}

// Writes through a temporary name and renames, so that an interrupted run never leaves a
// half-written file under the final name.
bool WriteOutput(const std::string& target, const LibraryBuffer& image, const BatchOptions& options,
                 std::string* error)
{
    const std::string temporary = target + ".part-" + std::to_string(getpid());
    const RgbView view{image.pixels, image.width, image.height};
    if (!WriteImage(temporary, view, options.format, options.jpegQuality, error)) {
        std::remove(temporary.c_str());
        return false;
    }
    if (!options.overwrite && fs::exists(target)) {
        std::remove(temporary.c_str());
        *error = "exists: " + target + " (use --overwrite)";
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        *error = "cannot write " + target + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool ConvertOne(const std::string& input, const std::string& folder, const BatchOptions& options,
                const Counters& counters, std::string* output, std::string* error)
{
    LibraryBuffer image;
    if (!OpenImage(input, options, &image, error)) {
        return false;
    }
    if (options.blurAmount > 0.0 && !Blur(options.blurAmount, &image, error)) {
        return false;
    }
    if (options.fit && !Fit(*options.fit, &image, error)) {
        return false;
    }
    const std::string name = ExpandName(options.nameTemplate, options.dateFormat, input, image.width,
                                        image.height, counters);
    if (name.empty() || name.find('/') != std::string::npos) {
        *error = "the template gives an unusable file name: \"" + name + "\"";
        return false;
    }
    *output = (fs::path(folder) / WithExtension(name, ExtensionOf(options.format))).string();
    if (!options.overwrite && fs::exists(*output)) {
        *error = "exists: " + *output + " (use --overwrite)";
        return false;
    }
    return WriteOutput(*output, image, options, error);
}

} // namespace

BatchSummary RunBatch(const BatchOptions& options, FILE* progressStream, FILE* summaryStream)
{
    BatchSummary summary;
    const InputList inputs = ExpandInputs(options.inputs);
    Progress progress(progressStream, inputs.files.size() + inputs.missing.size());
    for (const std::string& missing : inputs.missing) {
        progress.Failed(missing, "no such file or folder");
        ++summary.failed;
    }
    std::string error;
    const std::optional<std::string> folder = PrepareOutputFolder(options.outputFolder, &error);
    if (!folder) {
        progress.Finish();
        std::fprintf(summaryStream, "zvtool: %s\n", error.c_str());
        summary.failed += inputs.files.size();
        return summary;
    }

    Counters counters = options.counters;
    for (const std::string& input : inputs.files) {
        std::string output;
        if (ConvertOne(input, *folder, options, counters, &output, &error)) {
            progress.Succeeded(input, output);
            ++summary.converted;
        } else {
            progress.Failed(input, error);
            ++summary.failed;
        }
        ++counters.values[0];
    }
    progress.Finish();
    std::fprintf(summaryStream, "%zu converted, %zu failed, into %s\n", summary.converted, summary.failed,
                 folder->c_str());
    return summary;
}

} // namespace zvtool
