#include "imaging/codecs/tiff/tiff_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace zv::imaging {
namespace {

Problem ProblemForMessage(const char* text)
{
    if (std::strstr(text, "Read error") != nullptr || std::strstr(text, "Seek error") != nullptr ||
        std::strstr(text, "end of file") != nullptr || std::strstr(text, "past end") != nullptr) {
        return Problem::Truncated;
    }
    if (std::strstr(text, "byte limit") != nullptr) {
        return Problem::TooLarge;
    }
    if (std::strstr(text, "Out of memory") != nullptr || std::strstr(text, "Failed to allocate") != nullptr) {
        return Problem::OutOfMemory;
    }
    return Problem::Corrupt;
}

int OnError(TIFF*, void* userData, const char*, const char* format, va_list args)
{
    auto* input = static_cast<TiffInput*>(userData);
    if (!input->failed) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        input->failed = true;
        input->problem = ProblemForMessage(text);
    }
    return 1;  // handled: nothing reaches the global handler or standard error
}

int OnWarning(TIFF*, void* userData, const char*, const char*, va_list)
{
    static_cast<TiffInput*>(userData)->warned = true;
    return 1;
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count)
{
    auto* input = static_cast<TiffInput*>(handle);
    if (count <= 0 || input->position >= input->size) {
        return 0;
    }
    const uint64_t available = input->size - input->position;
    const uint64_t taken = std::min<uint64_t>(static_cast<uint64_t>(count), available);
    std::memcpy(buffer, input->data + input->position, taken);
    input->position += taken;
    return static_cast<tmsize_t>(taken);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t)
{
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* input = static_cast<TiffInput*>(handle);
    uint64_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = input->position;
        break;
    case SEEK_END:
        base = input->size;
        break;
    default:
        return static_cast<toff_t>(-1);
    }
    // Offsets arrive as unsigned; a relative move backwards wraps, which the addition undoes.
    const uint64_t target = base + offset;
    if (whence != SEEK_SET && static_cast<int64_t>(offset) < 0 && target > base) {
        return static_cast<toff_t>(-1);
    }
    input->position = target;
    return target;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t handle)
{
    return static_cast<TiffInput*>(handle)->size;
}

// libtiff reads strips straight from the mapping instead of copying them.
int MapProc(thandle_t handle, void** base, toff_t* size)
{
    auto* input = static_cast<TiffInput*>(handle);
    if (input->data == nullptr) {
        return 0;
    }
    *base = const_cast<uint8_t*>(input->data);  // libtiff only reads through it in read mode
    *size = input->size;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

} // namespace

TiffFile::TiffFile(const IS40Source& source)
{
    input_.data = source.data;
    input_.size = source.size;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        return;
    }
    // tmsize_t is 32 bits in a 32-bit process, where 4 GiB - 1 would turn into -1: no limit.
    const uint64_t limit =
        std::min<uint64_t>(platform::AllocationLimit(), std::numeric_limits<tmsize_t>::max());
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(limit));
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &input_);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &input_);
    tiff_ = TIFFClientOpenExt("image", "r", &input_, ReadProc, WriteProc, SeekProc, CloseProc,
                              SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
}

} // namespace zv::imaging
