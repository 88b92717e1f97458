#include "jpeg_writer.h"

#include <cstdlib>

namespace zv::samples {

int JpegComponents(J_COLOR_SPACE space)
{
    return space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
}

std::vector<uint8_t> JpegFile(const JpegLayout& layout, const std::function<std::vector<uint8_t>(uint32_t)>& row)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = layout.width;
    cinfo.image_height = layout.height;
    cinfo.input_components = JpegComponents(layout.input);
    cinfo.in_color_space = layout.input;
    jpeg_set_defaults(&cinfo);
    if (layout.stored) {
        jpeg_set_colorspace(&cinfo, *layout.stored);
    }
    if (layout.adobeMarker) {
        cinfo.write_Adobe_marker = *layout.adobeMarker ? TRUE : FALSE;
    }
    jpeg_set_quality(&cinfo, layout.quality, TRUE);
    if (layout.fullChroma) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    if (layout.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    if (!layout.scans.empty()) {
        cinfo.scan_info = layout.scans.data();
        cinfo.num_scans = static_cast<int>(layout.scans.size());
    }
    cinfo.restart_in_rows = layout.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    for (const auto& [marker, data] : layout.markers) {
        jpeg_write_marker(&cinfo, marker, data.data(), static_cast<unsigned int>(data.size()));
    }
    if (!layout.iccProfile.empty()) {
        jpeg_write_icc_profile(&cinfo, layout.iccProfile.data(), static_cast<unsigned int>(layout.iccProfile.size()));
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        std::vector<uint8_t> samples = row(cinfo.next_scanline);
        JSAMPROW rows[] = {samples.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

} // namespace zv::samples
