#include "convert.h"

#include <zvdll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <memory>

#if defined(_WIN32)
#  include <windows.h>
#endif

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

// A fitted JPEG may decode at a fraction of its size (libjpeg-turbo's DCT scaling), as long
// as that still covers the fit. Not when blurring: the blur amount is in pixels of the full
// image. A metafile renders at the size it will be shown at either way.
bool OpenImage(const std::string& path, const BatchOptions& options, LibraryBuffer* image, std::string* error)
{
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* pixels = nullptr;
    int32_t opened = 0;
    if (options.fit && options.shrinkOnLoad && options.blurAmount <= 0.0) {
        opened = ZvOpenImageFileForSize(path.c_str(), &pixels, &width, &height,
                                        static_cast<int32_t>(options.fit->width),
                                        static_cast<int32_t>(options.fit->height));
    } else {
        const int32_t metaWidth = options.fit ? static_cast<int32_t>(options.fit->width) : 0;
        const int32_t metaHeight = options.fit ? static_cast<int32_t>(options.fit->height) : 0;
        opened = ZV_OpenImageFile(path.c_str(), &pixels, &width, &height, 0.0, metaWidth, metaHeight);
    }
    if (!opened) {
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

// The final name the template gives, below the output folder; its subfolders are created.
std::optional<std::string> TargetPath(const std::string& input, const std::string& folder, const BatchOptions& options,
                                      const LibraryBuffer& image, const Counters& counters, std::string* error)
{
    const std::string name = ExpandName(options.nameTemplate, options.dateFormat, input, image.width, image.height,
                                        counters);
    const std::optional<PlaceInFolder> place = SplitOutputName(name, error);
    if (!place) {
        return std::nullopt;
    }
    fs::path target(folder);
    for (const std::string& level : place->subfolders) {
        target /= level;
    }
    if (!CreateSubfolders(folder, place->subfolders)) {
        *error = "cannot create the folder " + target.string();
        return std::nullopt;
    }
    return (target / WithExtension(place->fileName, ExtensionOf(options.format))).string();
}

#if defined(_WIN32)
// MoveFileExA without MOVEFILE_REPLACE_EXISTING refuses an existing target in the same step.
bool MoveWithoutReplacing(const std::string& from, const std::string& to, std::string* error)
{
    if (MoveFileExA(from.c_str(), to.c_str(), 0)) {
        return true;
    }
    const DWORD failure = GetLastError();
    if (failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS) {
        *error = "exists: " + to + " (use --overwrite)";
    } else {
        *error = "cannot write " + to + ": system error " + std::to_string(failure);
    }
    return false;
}
#else
bool MoveWithoutReplacing(const std::string& from, const std::string& to, std::string* error)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EEXIST) {
        *error = "exists: " + to + " (use --overwrite)";
        return false;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        *error = "cannot write " + to + ": " + std::strerror(errno);
        return false;
    }
    // A file system that cannot refuse in the same step: test, then move.
    if (fs::exists(to)) {
        *error = "exists: " + to + " (use --overwrite)";
        return false;
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        *error = "cannot write " + to + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
#endif

} // namespace

std::optional<PreparedFile> PrepareFile(const std::string& input, const std::string& folder,
                                        const BatchOptions& options, const Counters& counters,
                                        const std::string& temporarySuffix, std::string* error)
{
    LibraryBuffer image;
    if (!OpenImage(input, options, &image, error)) {
        return std::nullopt;
    }
    if (options.blurAmount > 0.0 && !Blur(options.blurAmount, &image, error)) {
        return std::nullopt;
    }
    if (options.fit && !Fit(*options.fit, &image, error)) {
        return std::nullopt;
    }
    const std::optional<std::string> target = TargetPath(input, folder, options, image, counters, error);
    if (!target) {
        return std::nullopt;
    }
    if (!options.overwrite && fs::exists(*target)) {
        *error = "exists: " + *target + " (use --overwrite)";
        return std::nullopt;
    }
    PreparedFile file{*target, *target + temporarySuffix};
    const RgbView view{image.pixels, image.width, image.height};
    if (!WriteImage(file.temporary, view, options.format, options.jpegQuality, error)) {
        std::remove(file.temporary.c_str());
        return std::nullopt;
    }
    return file;
}

bool CommitFile(const PreparedFile& file, bool overwrite, std::string* error)
{
    bool moved = false;
    if (overwrite) {
        // std::filesystem replaces an existing target on every system (rename() does not on
        // Windows).
        std::error_code failure;
        fs::rename(file.temporary, file.target, failure);
        moved = !failure;
        if (!moved) {
            *error = "cannot write " + file.target + ": " + failure.message();
        }
    } else {
        moved = MoveWithoutReplacing(file.temporary, file.target, error);
    }
    if (!moved) {
        std::remove(file.temporary.c_str());
    }
    return moved;
}

} // namespace zvtool
