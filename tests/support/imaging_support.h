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
    GlobalFree(block);
    return result;
}

inline RgbImage AsImage(const ReadResult& result)
{
    return RgbImage{static_cast<int>(result.width), static_cast<int>(result.height), result.pixels};
}

inline bool NameContainsAny(const std::filesystem::path& file, std::initializer_list<const char*> words)
{
    const std::string name = file.filename().string();
    for (const char* word : words) {
        if (name.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Files made by fuzzers to break decoders.
inline bool IsHostile(const std::filesystem::path& file)
{
    return NameContainsAny(file, {"crash", "oom", "timeout", "oob", "fuzz"});
}

// Restores the allocation limit at the end of a scope.
class AllocationLimitScope {
public:
    explicit AllocationLimitScope(uint64_t bytes) { platform::SetAllocationLimit(bytes); }
    ~AllocationLimitScope() { platform::SetAllocationLimit(0); }
    AllocationLimitScope(const AllocationLimitScope&) = delete;
    AllocationLimitScope& operator=(const AllocationLimitScope&) = delete;
};

// Bytes of a file cut to its first `keep` bytes, written next to `folder`'s other files.
inline std::filesystem::path WriteTruncatedCopy(const std::filesystem::path& original, size_t keep,
                                                const std::filesystem::path& folder)
{
    std::vector<uint8_t> bytes = ReadFile(original);
    bytes.resize(std::min(bytes.size(), keep));
    const std::filesystem::path copy = folder / ("cut-" + original.filename().string());
    WriteFile(copy, bytes);
    return copy;
}

} // namespace zv::test

#endif
