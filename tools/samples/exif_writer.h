// EXIF blocks as cameras write them, for the metadata tests and seeds: TIFF-structured (IFD0,
// the EXIF IFD, an optional thumbnail IFD1) in either byte order, without the "Exif\0\0" that
// JPEG puts before them; and damaged blocks that a reader must refuse.
#ifndef ZV_SAMPLES_EXIF_WRITER_H
#define ZV_SAMPLES_EXIF_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

namespace zv::samples {

// What a block says; empty or zero fields are left out.
struct ExifFields {
    bool bigEndian = false;
    uint16_t orientation = 0;
    std::string make;
    std::string model;
    std::string dateTime;          // IFD0 DateTime, "YYYY:MM:DD HH:MM:SS"
    std::string dateTimeOriginal;  // the EXIF IFD's DateTimeOriginal
    uint32_t pixelWidth = 0;       // the EXIF IFD's PixelXDimension and PixelYDimension
    uint32_t pixelHeight = 0;
    std::vector<uint8_t> thumbnail;  // JPEG bytes that IFD1 points at
};

std::vector<uint8_t> ExifBlock(const ExifFields& fields);

// Truncated: a valid block cut inside IFD0's entries. IfdLoop: the EXIF IFD pointer leads back
// to IFD0, and IFD0's next pointer to itself. AbsurdEntryCount: IFD0 claims 65535 entries in a
// block of 100 bytes.
enum class ExifDamage { Truncated, IfdLoop, AbsurdEntryCount };
std::vector<uint8_t> DamagedExifBlock(ExifDamage damage);

// One Photoshop image resource ("8BIM", id, an empty name, the data padded to even length), as
// PSD files and JPEG's APP13 carry them.
std::vector<uint8_t> PhotoshopResource(uint16_t id, const std::vector<uint8_t>& data);

// An XMP packet that states `orientation` as tiff:Orientation, as an attribute of the
// rdf:Description or as an element of its own.
std::string XmpPacket(int orientation, bool asElement);

} // namespace zv::samples

#endif
