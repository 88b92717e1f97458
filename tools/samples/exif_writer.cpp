#include "exif_writer.h"

#include "raster_writers.h"

#include <algorithm>

namespace zv::samples {
namespace {

enum : uint16_t { kAscii = 2, kShort = 3, kLong = 4 };

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::vector<uint8_t> value;  // in the block's byte order; at most 4 bytes are stored inline
};
using Ifd = std::vector<Entry>;

class Encoder {
public:
    explicit Encoder(bool bigEndian) : bigEndian_(bigEndian) {}

    std::vector<uint8_t> U16(uint32_t v) const
    {
        return bigEndian_ ? ByteWriter().U16BE(v).Take() : ByteWriter().U16LE(v).Take();
    }
    std::vector<uint8_t> U32(uint32_t v) const
    {
        return bigEndian_ ? ByteWriter().U32BE(v).Take() : ByteWriter().U32LE(v).Take();
    }
    Entry Short(uint16_t tag, uint32_t v) const { return {tag, kShort, 1, U16(v)}; }
    Entry Long(uint16_t tag, uint32_t v) const { return {tag, kLong, 1, U32(v)}; }
    static Entry Ascii(uint16_t tag, const std::string& text)
    {
        std::vector<uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        return {tag, kAscii, static_cast<uint32_t>(bytes.size()), bytes};
    }

    // The IFD at offset `at` (which `out` has reached), its out-of-line values right after it.
    void Write(std::vector<uint8_t>& out, Ifd ifd, uint32_t at, uint32_t next) const
    {
        std::sort(ifd.begin(), ifd.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        uint32_t dataAt = at + 2 + 12 * static_cast<uint32_t>(ifd.size()) + 4;
        std::vector<uint8_t> data;
        auto put = [&out](const std::vector<uint8_t>& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); };
        put(U16(static_cast<uint32_t>(ifd.size())));
        for (const Entry& entry : ifd) {
            put(U16(entry.tag));
            put(U16(entry.type));
            put(U32(entry.count));
            if (entry.value.size() <= 4) {
                std::vector<uint8_t> inline4 = entry.value;
                inline4.resize(4, 0);
                put(inline4);
            } else {
                put(U32(dataAt + static_cast<uint32_t>(data.size())));
                data.insert(data.end(), entry.value.begin(), entry.value.end());
                data.resize((data.size() + 1) & ~size_t{1}, 0);
            }
        }
        put(U32(next));
        put(data);
    }

private:
    bool bigEndian_;
};

uint32_t IfdBytes(const Ifd& ifd)
{
    uint32_t bytes = 2 + 12 * static_cast<uint32_t>(ifd.size()) + 4;
    for (const Entry& entry : ifd) {
        if (entry.value.size() > 4) {
            bytes += (static_cast<uint32_t>(entry.value.size()) + 1) & ~1u;
        }
    }
    return bytes;
}

} // namespace

std::vector<uint8_t> ExifBlock(const ExifFields& fields)
{
    const Encoder e(fields.bigEndian);
    Ifd ifd0;
    Ifd exif;
    Ifd ifd1;
    if (!fields.make.empty()) {
        ifd0.push_back(Encoder::Ascii(0x010F, fields.make));
    }
    if (!fields.model.empty()) {
        ifd0.push_back(Encoder::Ascii(0x0110, fields.model));
    }
    if (fields.orientation != 0) {
        ifd0.push_back(e.Short(0x0112, fields.orientation));
    }
    if (!fields.dateTime.empty()) {
        ifd0.push_back(Encoder::Ascii(0x0132, fields.dateTime));
    }
    if (!fields.dateTimeOriginal.empty()) {
        exif.push_back(Encoder::Ascii(0x9003, fields.dateTimeOriginal));
    }
    if (fields.pixelWidth != 0 || fields.pixelHeight != 0) {
        exif.push_back(e.Long(0xA002, fields.pixelWidth));
        exif.push_back(e.Long(0xA003, fields.pixelHeight));
    }
    if (!exif.empty()) {
        ifd0.push_back(e.Long(0x8769, 0));
    }
    const uint32_t exifAt = 8 + IfdBytes(ifd0);
    const uint32_t ifd1At = exifAt + (exif.empty() ? 0 : IfdBytes(exif));
    if (!fields.thumbnail.empty()) {
        // Compression 6 (JPEG), then where the thumbnail starts and how long it is.
        ifd1 = {e.Short(0x0103, 6), e.Long(0x0201, 0), e.Long(0x0202, static_cast<uint32_t>(fields.thumbnail.size()))};
        ifd1[1].value = e.U32(ifd1At + IfdBytes(ifd1));
    }
    for (Entry& entry : ifd0) {
        if (entry.tag == 0x8769) {
            entry.value = e.U32(exifAt);
        }
    }
    std::vector<uint8_t> out = fields.bigEndian ? ByteWriter().Text("MM").U16BE(42).U32BE(8).Take()
                                                : ByteWriter().Text("II").U16LE(42).U32LE(8).Take();
    e.Write(out, ifd0, 8, ifd1.empty() ? 0 : ifd1At);
    if (!exif.empty()) {
        e.Write(out, exif, exifAt, 0);
    }
    if (!ifd1.empty()) {
        e.Write(out, ifd1, ifd1At, 0);
        out.insert(out.end(), fields.thumbnail.begin(), fields.thumbnail.end());
    }
    return out;
}

std::vector<uint8_t> DamagedExifBlock(ExifDamage damage)
{
    ExifFields fields;
    fields.orientation = 6;
    fields.make = "Damaged";
    fields.model = "Block";
    fields.dateTimeOriginal = "2021:05:06 07:08:09";
    std::vector<uint8_t> block = ExifBlock(fields);
    switch (damage) {
    case ExifDamage::Truncated:
        block.resize(8 + 2 + 12 + 5);  // the first entry whole, the second cut short
        break;
    case ExifDamage::IfdLoop:
        for (size_t at = 10; at + 12 <= block.size(); at += 12) {
            if (block[at] == 0x69 && block[at + 1] == 0x87) {
                PutU32LE(block, at + 8, 8);  // the EXIF IFD is IFD0 again
                PutU32LE(block, 10 + 12 * size_t{block[8]}, 8);  // and IFD0 follows itself
                break;
            }
        }
        break;
    case ExifDamage::AbsurdEntryCount:
        block.resize(100, 0);
        PutU16LE(block, 8, 65535);
        break;
    }
    return block;
}

std::vector<uint8_t> PhotoshopResource(uint16_t id, const std::vector<uint8_t>& data)
{
    ByteWriter out;
    out.Text("8BIM").U16BE(id).U16BE(0).U32BE(static_cast<uint32_t>(data.size())).Append(data);
    if (data.size() % 2 != 0) {
        out.U8(0);
    }
    return out.Take();
}

std::string XmpPacket(int orientation, bool asElement)
{
    const std::string value = std::to_string(orientation);
    std::string description = "<rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\"";
    description += asElement ? ">\n   <tiff:Orientation>" + value + "</tiff:Orientation>\n  </rdf:Description>"
                             : "\n    tiff:Orientation=\"" + value + "\"/>";
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n  " +
           description + "\n </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

} // namespace zv::samples
