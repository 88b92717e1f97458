#include "metadata_payloads.h"

#include <cstdio>

namespace zvtool {
namespace {

std::vector<uint8_t> Prefixed(const char* prefix, size_t prefixLength, const std::vector<uint8_t>& block)
{
    std::vector<uint8_t> payload(prefix, prefix + prefixLength);
    payload.insert(payload.end(), block.begin(), block.end());
    return payload;
}

void PutU16BE(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

} // namespace

std::vector<uint8_t> JpegExifPayload(const std::vector<uint8_t>& exif)
{
    return Prefixed("Exif\0\0", 6, exif);
}

std::vector<uint8_t> JpegXmpPayload(const std::vector<uint8_t>& xmp)
{
    static constexpr char kNamespace[] = "http://ns.adobe.com/xap/1.0/";
    return Prefixed(kNamespace, sizeof kNamespace, xmp);  // the NUL included
}

std::vector<uint8_t> JpegIptcPayload(const std::vector<uint8_t>& iptc)
{
    std::vector<uint8_t> payload = Prefixed("Photoshop 3.0\0" "8BIM", 18, {});
    PutU16BE(payload, 0x0404);
    payload.push_back(0);  // an empty Pascal name, padded to an even length
    payload.push_back(0);
    PutU16BE(payload, static_cast<uint32_t>(iptc.size() >> 16));
    PutU16BE(payload, static_cast<uint32_t>(iptc.size() & 0xFFFF));
    payload.insert(payload.end(), iptc.begin(), iptc.end());
    if (iptc.size() % 2 != 0) {
        payload.push_back(0);  // resource data is padded to an even length
    }
    return payload;
}

std::string PngIptcText(const std::vector<uint8_t>& iptc)
{
    static constexpr char kHex[] = "0123456789abcdef";
    char length[24];
    std::snprintf(length, sizeof length, "%8zu", iptc.size());
    std::string text = std::string("\niptc\n") + length;
    for (size_t i = 0; i < iptc.size(); ++i) {
        if (i % 36 == 0) {
            text += '\n';
        }
        text += kHex[iptc[i] >> 4];
        text += kHex[iptc[i] & 15];
    }
    return text + "\n";
}

} // namespace zvtool
