// A TIFF opened with libtiff straight from a source's mapped bytes, with per-handle message
// handlers: nothing reaches standard error, and the first error decides the code a failure
// reports. The TIFF reader and the metadata reader open files through it.
#ifndef ZV_IMAGING_CODECS_TIFF_TIFF_FILE_H
#define ZV_IMAGING_CODECS_TIFF_TIFF_FILE_H

#include "imaging/core/errors.h"
#include "imaging/core/source.h"

#include <cstdint>

#include <tiffio.h>

namespace zv::imaging {

// The bytes libtiff reads, where it is, and what it has reported.
struct TiffInput {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
    bool failed = false;
    Problem problem = Problem::Corrupt;
    bool warned = false;  // libtiff reports damage it works around (a fax row's length) as a warning
};

class TiffFile {
public:
    explicit TiffFile(const IS40Source& source);
    ~TiffFile()
    {
        if (tiff_ != nullptr) {
            TIFFClose(tiff_);
        }
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    TIFF* get() const { return tiff_; }
    bool SelectImage(uint32_t index) const
    {
        return index == 0 || TIFFSetDirectory(tiff_, static_cast<tdir_t>(index)) == 1;
    }

    // Sets the last error for a failure: what libtiff reported first, else `fallback`.
    void Fail(Problem fallback) const
    {
        SetLastError(CodeFor(Format::Tiff, input_.failed ? input_.problem : fallback));
    }

    // Forgets what libtiff reported so far: a second way of reading the image starts afresh.
    void ForgetErrors()
    {
        input_.failed = false;
        input_.problem = Problem::Corrupt;
    }

    // Whether libtiff has reported anything at all, errors or warnings.
    bool Complained() const { return input_.failed || input_.warned; }

private:
    TiffInput input_;
    TIFF* tiff_ = nullptr;
};

} // namespace zv::imaging

#endif
