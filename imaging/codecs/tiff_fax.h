// Bilevel rows compressed with the one-dimensional modified Huffman code of fax machines
// (ITU-T T.4: white and black run-length codes, each row led by an EOL code, bits from the most
// significant down), as OS/2 bitmaps store them. libtiff's fax decoder does the decoding.
#ifndef ZV_IMAGING_TIFF_FAX_H
#define ZV_IMAGING_TIFF_FAX_H

#include <cstddef>
#include <cstdint>

namespace zv::imaging {

// Decodes `height` rows of `width` pixels into `rows`: (width + 7) / 8 bytes a row, the first
// coded row first, a set bit for a black pixel. False when the data is damaged: an unknown
// code, a row whose runs do not add up to the width, or data that ends before the last row.
bool DecodeModifiedHuffmanRows(const uint8_t* data, size_t size, uint32_t width, uint32_t height, uint8_t* rows);

} // namespace zv::imaging

#endif
