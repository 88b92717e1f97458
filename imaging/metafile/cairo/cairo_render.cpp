// Renders through cairo: an RGB24 image surface, painted white, then played on.
#include "imaging/metafile/cairo/cairo_canvas.h"
#include "imaging/metafile/render.h"

#include <cstring>

namespace zv::imaging::metafile {
namespace {

void CopyToRgb(cairo_surface_t* surface, int64_t width, int64_t height, uint8_t* rgb)
{
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int64_t y = 0; y < height; ++y) {
        const unsigned char* rowBytes = data + y * stride;
        uint8_t* out = rgb + y * width * 3;
        for (int64_t x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            std::memcpy(&pixel, rowBytes + x * 4, sizeof(pixel));
            out[3 * x] = static_cast<uint8_t>(pixel >> 16);
            out[3 * x + 1] = static_cast<uint8_t>(pixel >> 8);
            out[3 * x + 2] = static_cast<uint8_t>(pixel);
        }
    }
}

} // namespace

RenderOutcome RenderToRgb(const PictureJob& job, uint8_t* rgb)
{
    const int width = job.width;
    const int height = job.height;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return RenderOutcome::OutOfMemory;
    }
    cairo_t* cairo = cairo_create(surface);
    cairo_set_source_rgb(cairo, 1, 1, 1);
    cairo_paint(cairo);
    CairoCanvas canvas(cairo, width, height);
    const bool played = job.play(canvas);
    const cairo_status_t status = cairo_status(cairo);
    cairo_destroy(cairo);
    if (played && status == CAIRO_STATUS_SUCCESS) {
        CopyToRgb(surface, width, height, rgb);
    }
    cairo_surface_destroy(surface);
    if (!played) {
        return RenderOutcome::Malformed;
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        return status == CAIRO_STATUS_NO_MEMORY ? RenderOutcome::OutOfMemory : RenderOutcome::Malformed;
    }
    return RenderOutcome::Drawn;
}

} // namespace zv::imaging::metafile
