#include "photo.h"

#include <ctime>
#include <sys/stat.h>

namespace zvtool {
namespace {

std::vector<uint8_t> TakeBuffer(uint8_t* bytes, size_t size)
{
    std::vector<uint8_t> copy;
    if (bytes != nullptr) {
        copy.assign(bytes, bytes + size);
    }
    ZvFreeBuffer(bytes);
    return copy;
}

} // namespace

std::string PhotoMetadata::Text(int32_t field) const
{
    return zv::CString::Adopt(ZvMetadataText(metadata_, field)).GetString();
}

std::vector<uint8_t> PhotoMetadata::Block(int32_t block) const
{
    size_t size = 0;
    const uint8_t* bytes = metadata_ != nullptr ? ZvMetadataBlock(metadata_, block, &size) : nullptr;
    return bytes != nullptr ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

std::vector<uint8_t> PhotoMetadata::BlockForOutput(int32_t block, uint32_t width, uint32_t height) const
{
    if (metadata_ == nullptr) {
        return {};
    }
    size_t size = 0;
    uint8_t* bytes = ZvMetadataBlockForOutput(metadata_, block, static_cast<int32_t>(width),
                                              static_cast<int32_t>(height), &size);
    return TakeBuffer(bytes, size);
}

std::string FileTimeAsExifDate(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return {};
    }
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &status.st_mtime);
#else
    localtime_r(&status.st_mtime, &local);
#endif
    char text[32];
    return std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local) > 0 ? text : std::string();
}

const char* DescribeOrientation(int32_t orientation)
{
    static constexpr const char* kWords[] = {"upright", "mirrored", "rotate 180", "flipped", "transposed",
                                             "rotate 90 clockwise", "transverse", "rotate 90 counter-clockwise"};
    return orientation >= 1 && orientation <= 8 ? kWords[orientation - 1] : kWords[0];
}

} // namespace zvtool
