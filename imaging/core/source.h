// An opened file as the readers see it: the whole file as one read-only byte range, mapped
// into memory, so that every reader parses with plain bounds checks and no second open.
#ifndef ZV_IMAGING_SOURCE_H
#define ZV_IMAGING_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "platform/page_advice.h"

struct IS40Source {
    const uint8_t* data = nullptr;  // null for an empty file
    size_t size = 0;
    std::string nativePath;         // the path as the operating system knows it
    bool isCopy = false;            // the bytes are a memory source's copy, not a file's mapping
};

namespace zv::imaging {

// A bounds-checked view of bytes. Every read states how many bytes it needs first. Counts and
// offsets are taken in 64 bits, as the readers compute them: in a 32-bit process a size_t
// parameter would wrap a count past 4 GiB to a small one that then passes the check.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const IS40Source& source) : data_(source.data), size_(source.size) {}

    size_t size() const { return size_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    const uint8_t* data() const { return data_; }
    const uint8_t* current() const { return data_ + pos_; }

    bool Has(uint64_t count) const { return count <= size_ - pos_; }
    bool Seek(uint64_t offset)
    {
        if (offset > size_) {
            return false;
        }
        pos_ = static_cast<size_t>(offset);
        return true;
    }
    bool Skip(uint64_t count)
    {
        if (!Has(count)) {
            return false;
        }
        pos_ += static_cast<size_t>(count);
        return true;
    }
    bool U8(uint8_t* out)
    {
        if (!Has(1)) {
            return false;
        }
        *out = data_[pos_++];
        return true;
    }
    bool U16LE(uint16_t* out) { return ReadLE(out); }
    bool U32LE(uint32_t* out) { return ReadLE(out); }
    bool U16BE(uint16_t* out) { return ReadBE(out); }
    bool U32BE(uint32_t* out) { return ReadBE(out); }
    bool Bytes(void* out, uint64_t count);

private:
    template <typename T>
    bool ReadLE(T* out)
    {
        if (!Has(sizeof(T))) {
            return false;
        }
        T value = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            value = static_cast<T>(value | (static_cast<T>(data_[pos_ + i]) << (8 * i)));
        }
        pos_ += sizeof(T);
        *out = value;
        return true;
    }
    template <typename T>
    bool ReadBE(T* out)
    {
        if (!Has(sizeof(T))) {
            return false;
        }
        T value = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            value = static_cast<T>((value << 8) | data_[pos_ + i]);
        }
        pos_ += sizeof(T);
        *out = value;
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Owns an image block until Release() hands it to the caller; frees it on every other way out.
class OwnedBlock {
public:
    OwnedBlock() = default;
    explicit OwnedBlock(HGLOBAL block) : block_(block) {}
    ~OwnedBlock() { ImageBlockFree(block_); }
    OwnedBlock(const OwnedBlock&) = delete;
    OwnedBlock& operator=(const OwnedBlock&) = delete;

    void Reset(HGLOBAL block)
    {
        ImageBlockFree(block_);
        block_ = block;
    }
    HGLOBAL get() const { return block_; }
    uint8_t* bytes() const { return static_cast<uint8_t*>(block_); }
    HGLOBAL Release()
    {
        HGLOBAL block = block_;
        block_ = nullptr;
        return block;
    }

private:
    HGLOBAL block_ = nullptr;
};

// Writes an optional out-value: the operations accept null for anything the caller ignores.
inline void Store(uint32_t* out, uint32_t value)
{
    if (out != nullptr) {
        *out = value;
    }
}

// Maps the whole file now: readers that go through all of it (JPEG, PNG) call this first,
// since one request costs far less than a page fault per 4 KiB as the decoder advances.
// Readers that may need only part of a file (the first image of a TIFF or GIF) do not.
void PrefetchWholeFile(const IS40Source& source);

// Allocates the image block for width x height pixels of bytesPerPixel bytes, after checking
// the size against the allocation limit in 64 bits. On failure sets the last error (TooLarge
// or OutOfMemory for `format`) and returns null.
HGLOBAL AllocateImageBlock(Format format, uint64_t width, uint64_t height, uint64_t bytesPerPixel);
// The same for a reader that fills the block from the top while `pages` readies the rest;
// the reader keeps `pages` no longer than the block (declared after it).
HGLOBAL AllocateImageBlock(Format format, uint64_t width, uint64_t height, uint64_t bytesPerPixel,
                           platform::PageMapper& pages);

} // namespace zv::imaging

#endif
