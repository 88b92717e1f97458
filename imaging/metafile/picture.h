// What a metafile shows and at what size: its kind, its frame in device units and the output
// size, derived the same way whichever backend then draws it.
#ifndef ZV_IMAGING_METAFILE_PICTURE_H
#define ZV_IMAGING_METAFILE_PICTURE_H

#include "imaging/metafile/dc.h"
#include "imaging/metafile/records.h"
#include "imaging/metafile/render.h"

#include <cstddef>
#include <cstdint>

namespace zv::imaging::metafile {

struct Picture {
    PictureKind kind = PictureKind::Wmf;
    const uint8_t* data = nullptr;
    size_t size = 0;
    WmfInfo wmf;
    EmfInfo emf;
    bool hasFrame = false;
    Rect frame;                 // device units
    double naturalWidth = 0;    // pixels at 96 dpi
    double naturalHeight = 0;
    double unitsPerMmX = 96 / 25.4;
    double unitsPerMmY = 96 / 25.4;
    DcState initial;
};

struct OutputSize {
    int64_t width = 0;
    int64_t height = 0;
};

// Reads the headers and finds the frame, playing the records once to measure a picture that
// states none. False when the data is not a metafile or a record is malformed.
bool DescribePicture(const uint8_t* data, size_t size, Picture* picture);

// The output size for a wanted width and height (0 or negative: derived).
OutputSize DeriveSize(const Picture& picture, int32_t wantedWidth, int32_t wantedHeight);

// Whether a surface of that size may be drawn at all.
bool SizeAllowed(OutputSize size);

// The job a backend renders; it refers to `picture`, which must outlive it.
PictureJob JobFor(const Picture& picture, OutputSize size);

} // namespace zv::imaging::metafile

#endif
