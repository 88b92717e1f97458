// Renders one metafile with the system's player (the gdi backend), for comparing renderers
// under Wine. The frame and output size come from the reader's own derivation (printed by
// zv_metafile_render), so that both renderers draw the same job:
//   gdi_render KIND FRAME_W_HMM FRAME_H_HMM LEFT TOP FRAME_W FRAME_H WIDTH HEIGHT IN OUT.ppm
// KIND is wmf, placeable or emf.
#include "imaging/metafile/render.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using zv::imaging::metafile::PictureJob;
using zv::imaging::metafile::PictureKind;

bool KindFromName(const std::string& name, PictureKind* kind)
{
    if (name == "wmf") {
        *kind = PictureKind::Wmf;
    } else if (name == "placeable") {
        *kind = PictureKind::PlaceableWmf;
    } else if (name == "emf") {
        *kind = PictureKind::Emf;
    } else {
        return false;
    }
    return true;
}

bool WritePpm(const char* path, int width, int height, const std::vector<uint8_t>& rgb)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    PictureJob job;
    if (argc != 12 || !KindFromName(argv[1], &job.kind)) {
        std::fprintf(stderr, "usage: gdi_render wmf|placeable|emf FRAME_W_HMM FRAME_H_HMM LEFT TOP "
                             "FRAME_W FRAME_H WIDTH HEIGHT IN OUT.ppm\n");
        return 2;
    }
    job.frameWidthHmm = std::atof(argv[2]);
    job.frameHeightHmm = std::atof(argv[3]);
    job.frameLeft = std::atof(argv[4]);
    job.frameTop = std::atof(argv[5]);
    job.frameWidth = std::atof(argv[6]);
    job.frameHeight = std::atof(argv[7]);
    job.width = std::atoi(argv[8]);
    job.height = std::atoi(argv[9]);
    std::ifstream in(argv[10], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty() || job.width <= 0 || job.height <= 0 || job.width > 8192 || job.height > 8192) {
        std::fprintf(stderr, "nothing to render\n");
        return 1;
    }
    job.data = bytes.data();
    job.size = bytes.size();
    std::vector<uint8_t> rgb(static_cast<size_t>(job.width) * static_cast<size_t>(job.height) * 3);
    if (RenderToRgb(job, rgb.data()) != zv::imaging::metafile::RenderOutcome::Drawn) {
        std::fprintf(stderr, "the system's player refused the picture\n");
        return 1;
    }
    return WritePpm(argv[11], job.width, job.height, rgb) ? 0 : 1;
}
