// Helpers for tests of the imaging library: sources and image blocks that clean up after
// themselves, and decoding a file with one reader.
#ifndef ZV_TESTS_IMAGING_SUPPORT_H
#define ZV_TESTS_IMAGING_SUPPORT_H

#include "imaging/core/imaging.h"
#include "tests/support/test_support.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>

namespace zv::test {

class Source {
public:
    explicit Source(const std::filesystem::path& file) : source_(IS40_OpenFileSource(file.string().c_str())) {}
    ~Source() { IS40_CloseSource(source_); }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    HISSRC get() const { return source_; }

private:
    HISSRC source_;
};

// What a reader produced: the pixels copied out of its block (3 bytes a pixel, or 1 for
// GIF indices), or the error code it left.
struct ReadResult {
    bool ok = false;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t error = 0;
    std::vector<uint8_t> pixels;
};

using Reader = std::function<HGLOBAL(HISSRC, uint32_t*, uint32_t*)>;

inline ReadResult ReadWith(const Reader& reader, const std::filesystem::path& file, uint32_t bytesPerPixel = 3)
{
    ReadResult result;
    Source source(file);
    if (source.get() == nullptr) {
        result.error = IS40_GetLastError();
        return result;
    }
    HGLOBAL block = reader(source.get(), &result.width, &result.height);
    if (block == nullptr) {
        result.error = IS40_GetLastError();
        return result;
    }
    result.ok = true;
    const size_t bytes = static_cast<size_t>(result.width) * result.height * bytesPerPixel;
    result.pixels.assign(static_cast<const uint8_t*>(block), static_cast<const uint8_t*>(block) + bytes);
    ImageBlockFree(block);
    return result;
}

// A read's outcome with its pixels as an image, for comparing with references.
struct Decoded {
    bool ok = false;
    uint32_t error = 0;
    RgbImage image;
};

inline Decoded DecodeWith(const Reader& reader, const std::filesystem::path& file)
{
    const ReadResult read = ReadWith(reader, file);
    return {read.ok, read.error, {static_cast<int>(read.width), static_cast<int>(read.height), read.pixels}};
}

// Files made by fuzzers to break decoders.
inline bool IsHostile(const std::filesystem::path& file)
{
    const std::string name = file.filename().string();
    for (const char* word : {"crash", "oom", "timeout", "oob", "fuzz"}) {
        if (name.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Restores the allocation limit at the end of a scope.
class AllocationLimitScope {
public:
    explicit AllocationLimitScope(uint64_t bytes) { platform::SetAllocationLimit(bytes); }
    ~AllocationLimitScope() { platform::SetAllocationLimit(0); }
    AllocationLimitScope(const AllocationLimitScope&) = delete;
    AllocationLimitScope& operator=(const AllocationLimitScope&) = delete;
};

} // namespace zv::test

#endif
