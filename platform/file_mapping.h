// Whole files and byte copies as read-only memory: how the readers see their input. Mapping
// instead of reading lets a decoder touch only the pages it needs, and a read-only copy makes a
// memory source fault, like a file, on any stray write.
#ifndef ZV_PLATFORM_FILE_MAPPING_H
#define ZV_PLATFORM_FILE_MAPPING_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace zv::platform {

struct MappedBytes {
    const uint8_t* data = nullptr;  // null for no bytes
    size_t size = 0;
    bool isCopy = false;            // made by MapCopyOfBytes
};

// Maps a whole regular file (an operating-system path) read-only. False when it is missing, is
// not a regular file, is larger than the address space, or cannot be mapped. An empty file
// gives no bytes.
bool MapFileForReading(const std::string& nativePath, MappedBytes* out);
// A private read-only copy of `size` bytes. False when memory is exhausted.
bool MapCopyOfBytes(const uint8_t* data, size_t size, MappedBytes* out);
// Releases what either function mapped; accepts an empty MappedBytes.
void Unmap(const MappedBytes& mapped);

} // namespace zv::platform

#endif
