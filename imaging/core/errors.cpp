#include "imaging/core/errors.h"

#include "imaging/core/imaging.h"

#include <cstddef>

namespace zv::imaging {
namespace {

thread_local uint32_t t_lastError = kErrNone;

struct FormatCodes {
    Format format;
    ErrorCode corrupt;
    ErrorCode unsupported;
};

// One row per format: what invalid data and an unsupported variant report. Opening, reading
// past the end and memory are the same for every format.
constexpr FormatCodes kFormatCodes[] = {
    {Format::Jpeg, kErrBadJPG, kErrBadJPG},
    {Format::Png, kErrInvalidPNG, kErrInvalidPNG},
    {Format::Tiff, kErrInvalidTIFF, kErrInvalidTIFF},
    {Format::Gif, kErrBadGIF, kErrBadGIF},
    {Format::Bmp, kErrBadBMP, kErrRLEUnsupported},
    {Format::Tga, kErrInvalidTGA, kErrInvalidTGA},
    {Format::Pcx, kErrInvalidPCX, kErrInvalidPCX},
    {Format::Psd, kErrInvalidPSD, kErrPSDUnsupported},
    {Format::Pcd, kErrInvalidPhotoCD, kErrInvalidPhotoCD},
    {Format::Metafile, kErrInvalidMetafile, kErrInvalidMetafile},
    {Format::Raw, kErrFileRead, kErrNotSupported},
    {Format::Pixels, kErrBadParameter, kErrBadParameter},
};

} // namespace

ErrorCode CodeFor(Format format, Problem problem)
{
    switch (problem) {
    case Problem::CannotOpen:
        return kErrFileOpen;
    case Problem::Truncated:
        return kErrFileRead;
    case Problem::TooLarge:
    case Problem::OutOfMemory:
        return kErrOutOfMemory;
    case Problem::BadArgument:
        return kErrBadParameter;
    case Problem::Corrupt:
    case Problem::Unsupported:
        break;
    }
    for (const FormatCodes& row : kFormatCodes) {
        if (row.format == format) {
            return problem == Problem::Corrupt ? row.corrupt : row.unsupported;
        }
    }
    return kErrUnexpected;
}

void SetLastError(uint32_t code)
{
    t_lastError = code;
}

std::nullptr_t Fail(Format format, Problem problem)
{
    SetLastError(CodeFor(format, problem));
    return nullptr;
}

} // namespace zv::imaging

uint32_t IS40_GetLastError()
{
    return zv::imaging::t_lastError;
}
