// The seam between the metafile player and a drawing backend: the backend owns the surface,
// the player draws on the Canvas it is handed.
#ifndef ZV_IMAGING_METAFILE_RENDER_H
#define ZV_IMAGING_METAFILE_RENDER_H

#include "imaging/metafile/canvas.h"

#include <cstdint>
#include <functional>

namespace zv::imaging::metafile {

enum class RenderOutcome { Drawn, Malformed, OutOfMemory };

// Makes a white surface of width x height pixels, lets `play` draw on it (false: a record was
// malformed) and copies the result into `rgb`, width * height * 3 bytes, top row first.
RenderOutcome RenderToRgb(int width, int height, const std::function<bool(Canvas&)>& play,
                          uint8_t* rgb);

} // namespace zv::imaging::metafile

#endif
