// The bytes that carry metadata blocks inside JPEG markers and PNG text chunks, in the forms
// readers look for.
#ifndef ZVTOOL_METADATA_PAYLOADS_H
#define ZVTOOL_METADATA_PAYLOADS_H

#include <cstdint>
#include <string>
#include <vector>

namespace zvtool {

// A JPEG marker's payload can hold at most this many bytes (its length field counts itself).
inline constexpr size_t kMaxJpegMarkerPayload = 65533;

// APP1: "Exif\0\0" and the TIFF-structured block.
std::vector<uint8_t> JpegExifPayload(const std::vector<uint8_t>& exif);
// APP1: the XMP namespace, a NUL and the packet.
std::vector<uint8_t> JpegXmpPayload(const std::vector<uint8_t>& xmp);
// APP13: "Photoshop 3.0\0" and one 8BIM resource 0x0404 holding the IPTC records.
std::vector<uint8_t> JpegIptcPayload(const std::vector<uint8_t>& iptc);

// PNG has no IPTC chunk; readers (ExifTool among them) take a zTXt or tEXt chunk with this
// keyword whose text is "\niptc\n", the length, and the bytes in hexadecimal, 36 to a line.
inline constexpr const char* kPngIptcKeyword = "Raw profile type iptc";
std::string PngIptcText(const std::vector<uint8_t>& iptc);

} // namespace zvtool

#endif
