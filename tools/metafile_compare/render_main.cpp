// Renders one metafile with this platform's backend through the reader's own frame and size
// rules, writes it as PPM, and prints the size it drew, so that the other platform's build can
// draw the same picture at that size:  zv_metafile_render IN OUT.ppm [WIDTH HEIGHT]
// prints "WIDTH HEIGHT".
#include "imaging/metafile/picture.h"
#include "imaging/metafile/render.h"
#include "imaging/metafile/drawing/text.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

using namespace zv::imaging::metafile;

int RenderFile(const std::vector<uint8_t>& bytes, const char* outPath, int wantedWidth, int wantedHeight)
{
    Picture picture;
    if (!DescribePicture(bytes.data(), bytes.size(), &picture)) {
        std::fprintf(stderr, "not a metafile, or malformed\n");
        return 1;
    }
    const OutputSize size = DeriveSize(picture, wantedWidth, wantedHeight);
    if (!SizeAllowed(size)) {
        std::fprintf(stderr, "too large\n");
        return 1;
    }
    const PictureJob job = JobFor(picture, size);
    std::vector<uint8_t> rgb(static_cast<size_t>(job.width) * static_cast<size_t>(job.height) * 3);
    if (RenderToRgb(job, rgb.data()) != RenderOutcome::Drawn) {
        std::fprintf(stderr, "malformed\n");
        return 1;
    }
    std::ofstream out(outPath, std::ios::binary);
    out << "P6\n" << job.width << ' ' << job.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    std::printf("%d %d\n", job.width, job.height);
    return out ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: zv_metafile_render IN OUT.ppm [WIDTH HEIGHT]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int result = RenderFile(bytes, argv[2], argc == 5 ? std::atoi(argv[3]) : 0,
                                  argc == 5 ? std::atoi(argv[4]) : 0);
    ReleaseFontCaches();
    return result;
}
