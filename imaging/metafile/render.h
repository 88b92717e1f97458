// The seam between reading a metafile and drawing it. The reader decides the frame and the
// output size, with every limit, once for all backends; a backend gets the picture as a job
// and fills the output. A backend that interprets records itself (cairo/) draws through
// `play` on a Canvas; one that hands the file to the system's own player (gdi/) uses the
// bytes, the kind and the frame.
#ifndef ZV_IMAGING_METAFILE_RENDER_H
#define ZV_IMAGING_METAFILE_RENDER_H

#include <cstddef>
#include <cstdint>
#include <functional>

namespace zv::imaging::metafile {

class Canvas;

enum class RenderOutcome { Drawn, Malformed, OutOfMemory };

enum class PictureKind { Wmf, PlaceableWmf, Emf };

struct PictureJob {
    PictureKind kind = PictureKind::Emf;
    const uint8_t* data = nullptr;  // the whole file, headers included
    size_t size = 0;
    // The frame's physical size, for a player that maps a picture of that size onto the
    // output (hundredths of a millimetre, at 96 dpi for frames in plain pixels).
    double frameWidthHmm = 0;
    double frameHeightHmm = 0;
    // The frame in the metafile's own device units (for old-style files, the units of its
    // records), for a player that maps it onto the output itself.
    double frameLeft = 0;
    double frameTop = 0;
    double frameWidth = 1;
    double frameHeight = 1;
    int width = 0;   // output pixels
    int height = 0;
    // Plays the records on a canvas whose device space is already mapped onto the output;
    // false when a record was malformed.
    std::function<bool(Canvas&)> play;
    // Walks the records without drawing; false when one is malformed. A backend that hands the
    // file to another player asks this first, so that a damaged file fails the same way on
    // every platform.
    std::function<bool()> check;
};

// Draws the job on white into `rgb`, width * height * 3 bytes, top row first.
RenderOutcome RenderToRgb(const PictureJob& job, uint8_t* rgb);

} // namespace zv::imaging::metafile

#endif
