// The frame that the hand-written readers share: check the arguments, parse the header into a
// description, allocate the block its size needs (held to the allocation limit), and decode the
// pixels into it. Parsing and pixel conversion stay each format's own.
#ifndef ZV_IMAGING_PARSED_READER_H
#define ZV_IMAGING_PARSED_READER_H

#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include <optional>

namespace zv::imaging {

// What a header parser found wrong, or nothing.
using ParseError = std::optional<Problem>;

template <typename Description>
using HeaderParser = ParseError (*)(const IS40Source& source, Description* description);

// Writes width * height 3-byte pixels; false when the pixel data turns out to be invalid.
template <typename Description>
using PixelDecoder = bool (*)(const IS40Source& source, const Description& description, uint8_t* pixels);

template <typename Description>
HGLOBAL ReadParsedImage(Format format, HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                        HeaderParser<Description> parse, PixelDecoder<Description> decode)
{
    if (source == nullptr || width == nullptr || height == nullptr || bitDepth != 24) {
        return Fail(format, Problem::BadArgument);
    }
    Description description;
    if (ParseError error = parse(*source, &description)) {
        return Fail(format, *error);
    }
    HGLOBAL block = AllocateImageBlock(format, description.width, description.height, 3);
    if (block == nullptr) {
        return nullptr;
    }
    if (!decode(*source, description, static_cast<uint8_t*>(block))) {
        ImageBlockFree(block);
        return Fail(format, Problem::Corrupt);
    }
    *width = description.width;
    *height = description.height;
    return block;
}

// The start of a measuring operation: the header parsed into `description`, or false with the
// last error set.
template <typename Description>
bool ParseForMeasuring(Format format, HISSRC source, HeaderParser<Description> parse, Description* description)
{
    if (source == nullptr) {
        Fail(format, Problem::BadArgument);
        return false;
    }
    if (ParseError error = parse(*source, description)) {
        Fail(format, *error);
        return false;
    }
    return true;
}

} // namespace zv::imaging

#endif
