#include "convert.h"

#include "photo.h"

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
bool OpenImage(const std::string& path, const BatchOptions& options, const std::optional<Size>& box,
               LibraryBuffer* image, std::string* error)
{
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* pixels = nullptr;
    int32_t opened = 0;
    if (box && options.shrinkOnLoad && options.blurAmount <= 0.0) {
        opened = ZvOpenImageFileForSize(path.c_str(), &pixels, &width, &height, static_cast<int32_t>(box->width),
                                        static_cast<int32_t>(box->height));
    } else {
        const int32_t metaWidth = box ? static_cast<int32_t>(box->width) : 0;
        const int32_t metaHeight = box ? static_cast<int32_t>(box->height) : 0;
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

// Turns the pixels upright: in place for the turns that keep the size, into a new buffer for
// those that swap its sides.
bool Orient(int32_t orientation, LibraryBuffer* image, std::string* error)
{
    const int32_t width = static_cast<int32_t>(image->width);
    const int32_t height = static_cast<int32_t>(image->height);
    if (!SwapsSides(orientation)) {
        if (orientation != 1 && !ZvOrientPixels(image->pixels, width, height, orientation, image->pixels)) {
            *error = LastImagingError();
            return false;
        }
        return true;
    }
    const size_t bytes = static_cast<size_t>(image->width) * image->height * 3;
    std::unique_ptr<uint8_t[]> turned(new (std::nothrow) uint8_t[bytes]);
    if (!turned) {
        *error = "out of memory for turning the image upright";
        return false;
    }
    if (!ZvOrientPixels(image->pixels, width, height, orientation, turned.get())) {
        *error = LastImagingError();
        return false;
    }
    std::memcpy(image->pixels, turned.get(), bytes);
    image->width = static_cast<uint32_t>(height);
    image->height = static_cast<uint32_t>(width);
    return true;
}

// The instant a name's $(date) shows, in EXIF's form; empty for the time of the conversion.
std::string NameDate(const std::string& input, const PhotoMetadata& metadata, DateSource source)
{
    if (source == DateSource::Exif) {
        const std::string taken = metadata.Text(ZV_FIELD_DATE_TAKEN);
        if (!taken.empty()) {
            return taken;
        }
    }
    return source == DateSource::Now ? std::string() : FileTimeAsExifDate(input);
}

// The final name the template gives, below the output folder; its subfolders are created.
std::optional<std::string> TargetPath(const std::string& input, const std::string& folder, const BatchOptions& options,
                                      const LibraryBuffer& image, const Counters& counters, const std::string& date,
                                      std::string* error)
{
    const std::string name = ExpandName(options.nameTemplate, options.dateFormat, input, image.width, image.height,
                                        counters, date);
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

// The metadata the output carries: none with --strip; EXIF and XMP rewritten for pixels that
// were turned upright; the profile only when the pixels are still in it.
OutputMetadata MetadataForOutput(const PhotoMetadata& metadata, const BatchOptions& options,
                                 const LibraryBuffer& image, bool pixelsInProfile)
{
    OutputMetadata output;
    if (options.strip) {
        return output;
    }
    if (options.autoOrient) {
        output.exif = metadata.BlockForOutput(ZV_BLOCK_EXIF, image.width, image.height);
        output.xmp = metadata.BlockForOutput(ZV_BLOCK_XMP, image.width, image.height);
    } else {
        output.exif = metadata.Block(ZV_BLOCK_EXIF);
        output.xmp = metadata.Block(ZV_BLOCK_XMP);
    }
    output.iptc = metadata.Block(ZV_BLOCK_IPTC);
    if (pixelsInProfile) {
        output.icc = metadata.Block(ZV_BLOCK_ICC);
    }
    return output;
}

// Converts from an embedded profile to sRGB unless the profile is to be kept. True when the
// pixels are still in the embedded profile afterwards.
bool ConvertToSrgb(const std::vector<uint8_t>& profile, const BatchOptions& options, LibraryBuffer* image)
{
    if (profile.empty()) {
        return false;
    }
    if (options.keepProfile) {
        return true;
    }
    return !ZvConvertToSrgb(image->pixels, static_cast<int32_t>(image->width), static_cast<int32_t>(image->height),
                            profile.data(), profile.size(), ZV_INTENT_PERCEPTUAL);
}

bool WantsMetadata(const BatchOptions& options)
{
    return options.autoOrient || !options.keepProfile || !options.strip || options.dateFrom == DateSource::Exif;
}

} // namespace

// The fit box is for the picture as displayed, so a picture stored on its side is opened and
// fitted sideways, and turned upright (and converted to sRGB) only once it is small.
std::optional<PreparedFile> PrepareFile(const std::string& input, const std::string& folder,
                                        const BatchOptions& options, const Counters& counters,
                                        const std::string& temporarySuffix, std::string* error)
{
    const PhotoMetadata metadata(WantsMetadata(options) ? input : std::string());
    const int32_t orientation = options.autoOrient ? metadata.Orientation() : 1;
    std::optional<Size> box = options.fit;
    if (box && SwapsSides(orientation)) {
        std::swap(box->width, box->height);
    }
    LibraryBuffer image;
    if (!OpenImage(input, options, box, &image, error)) {
        return std::nullopt;
    }
    if (options.blurAmount > 0.0 && !Blur(options.blurAmount, &image, error)) {
        return std::nullopt;
    }
    if (box && !Fit(*box, &image, error)) {
        return std::nullopt;
    }
    if (!Orient(orientation, &image, error)) {
        return std::nullopt;
    }
    const bool pixelsInProfile = ConvertToSrgb(metadata.Block(ZV_BLOCK_ICC), options, &image);
    const std::optional<std::string> target =
        TargetPath(input, folder, options, image, counters, NameDate(input, metadata, options.dateFrom), error);
    if (!target) {
        return std::nullopt;
    }
    if (!options.overwrite && fs::exists(*target)) {
        *error = "exists: " + *target + " (use --overwrite)";
        return std::nullopt;
    }
    PreparedFile file{*target, *target + temporarySuffix};
    const RgbView view{image.pixels, image.width, image.height};
    const OutputMetadata outputMetadata = MetadataForOutput(metadata, options, image, pixelsInProfile);
    if (!WriteImage(file.temporary, view, options.format, options.jpegQuality, outputMetadata, error)) {
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
