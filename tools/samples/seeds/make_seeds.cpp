// Writes the fuzzing seeds: small, valid inputs for every target, made with the project's own
// writers. Usage: zv_fuzz_seeds CORPUS_FOLDER (one sub-folder per target).
#include "dng_writer.h"
#include "encoders.h"
#include "metafile/metafile_cases.h"
#include "metafile/metafile_writer.h"
#include "pcd_writer.h"
#include "sample_writers.h"
#include "seeds/seed_variants.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool Save(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> Load(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> SmallWmf()
{
    using zv::samples::ColorRef;
    zv::samples::WmfWriter wmf = zv::samples::WmfWriter::Placeable(0, 0, 100, 60, 96);
    wmf.SetWindowExt(100, 60);
    wmf.CreateBrush(0, ColorRef(200, 30, 30));
    wmf.SelectObject(0);
    wmf.CreatePen(1, 2, ColorRef(0, 0, 200));
    wmf.SelectObject(1);
    wmf.Ellipse(10, 10, 90, 50);
    wmf.Polyline({{0, 0}, {50, 59}, {99, 0}});
    wmf.CreateFont(12, 450, 400, false, "DejaVu Sans");
    wmf.SelectObject(2);
    wmf.TextOut(5, 40, "zv");
    return wmf.Finish();
}

std::vector<uint8_t> SmallEmf()
{
    using zv::samples::ColorRef;
    zv::samples::EmfWriter emf(0, 0, 80, 60);
    emf.SaveDc();
    emf.Rectangle(5, 5, 40, 30);
    emf.RestoreDc(-1);
    return emf.Finish();
}

using SeedList = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

// The variants the sample writers make on request: BMP, PSD and TIFF layouts that each take
// their own path through a reader. `load` writes a file with the writer and reads it back.
SeedList WriterVariants(const zv::samples::Picture& picture,
                        const std::function<std::vector<uint8_t>(const std::function<bool(const std::string&)>&)>& load)
{
    using namespace zv::samples;
    const Picture few = MakePalettePicture(picture.width, picture.height);
    SeedList seeds;
    const std::pair<const char*, BmpOptions> bmps[] = {
        {"seed-linear64", {BmpPixels::Linear64}}, {"seed-cmyk", {BmpPixels::Cmyk32}},
        {"seed-cmyk-rle8", {BmpPixels::CmykRle8}}, {"seed-cmyk-rle4", {BmpPixels::CmykRle4}},
        {"seed-jpeg", {BmpPixels::Jpeg}}, {"seed-png", {BmpPixels::Png}}, {"seed-os2-huffman", {BmpPixels::Huffman}},
    };
    for (const auto& [name, options] : bmps) {
        const bool palette = options.pixels == BmpPixels::CmykRle8 || options.pixels == BmpPixels::CmykRle4;
        const Picture& source = palette ? few : picture;
        const BmpOptions bmp = options;  // clang does not capture structured bindings yet
        seeds.emplace_back(std::string("bmp/") + name,
                           load([&](const std::string& path) { return WriteBmp(path, source, bmp); }));
    }
    const std::pair<const char*, PsdOptions> psds[] = {
        {"seed-zip", {PsdColour::Rgb, 8, PsdCompression::Zip, 3, true}},
        {"seed-zip-predicted16", {PsdColour::Rgb, 16, PsdCompression::ZipPredicted}},
        {"seed-float32-predicted", {PsdColour::Rgb, 32, PsdCompression::ZipPredicted}},
        {"seed-lab", {PsdColour::Lab, 8, PsdCompression::PackBits}},
        {"seed-duotone", {PsdColour::Duotone, 8, PsdCompression::Raw}},
        {"seed-multichannel", {PsdColour::Multichannel, 8, PsdCompression::Zip, 4}},
        {"seed-psb-zip", {PsdColour::Rgb, 8, PsdCompression::ZipPredicted, 3, false, true}},
    };
    for (const auto& [name, options] : psds) {
        seeds.emplace_back(std::string("psd/") + name, PsdBytes(picture, options));
    }
    const std::pair<const char*, TiffOptions> tiffs[] = {
        {"seed-signed8", {8, SampleKind::Signed}}, {"seed-signed16", {16, SampleKind::Signed}},
        {"seed-signed32", {32, SampleKind::Signed}}, {"seed-half", {16, SampleKind::Float}},
    };
    for (const auto& [name, options] : tiffs) {
        const TiffOptions tiff = options;
        seeds.emplace_back(std::string("tiff/") + name,
                           load([&](const std::string& path) { return WriteTiff(path, picture, tiff); }));
    }
    return seeds;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zv_fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    const fs::path corpus = argv[1];
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(12, 8);
    const zvtool::RgbView view{picture.rgb.data(), picture.width, picture.height};
    const fs::path scratch = fs::temp_directory_path() / "zv-fuzz-seeds";
    fs::create_directories(scratch);
    bool ok = true;

    auto encoded = [&](const std::string& name, zvtool::OutputFormat format) {
        std::string error;
        const fs::path file = scratch / name;
        ok &= zvtool::WriteImage(file.string(), view, format, 75, {}, &error);
        return Load(file);
    };
    auto written = [&](const std::string& name, bool (*writer)(const std::string&, const zv::samples::Picture&)) {
        const fs::path file = scratch / name;
        ok &= writer(file.string(), picture);
        return Load(file);
    };
    zv::samples::DngOptions dng;
    dng.width = 16;
    dng.height = 12;
    dng.patches = {{0.6, 0.2, 0.1}, {0.1, 0.3, 0.7}};
    ok &= zv::samples::WriteTestDng(scratch / "seed.dng", dng);

    const std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds = {
        {"jpeg/seed-baseline", encoded("s.jpg", zvtool::OutputFormat::Jpeg)},
        {"png/seed-rgb", encoded("s.png", zvtool::OutputFormat::Png)},
        {"bmp/seed-rgb24", encoded("s.bmp", zvtool::OutputFormat::Bmp)},
        {"tiff/seed-lzw", written("s.tif", zv::samples::WriteTiff)},
        {"gif/seed-cube", written("s.gif", zv::samples::WriteGif)},
        {"tga/seed-rle", written("s.tga", zv::samples::WriteTga)},
        {"pcx/seed-planes", written("s.pcx", zv::samples::WritePcx)},
        {"psd/seed-rle", written("s.psd", zv::samples::WritePsd)},
        {"raw/seed-dng", Load(scratch / "seed.dng")},
        {"metafile/seed-placeable", SmallWmf()},
        {"metafile/seed-emf", SmallEmf()},
        {"parse_line/seed-tokens", {}},
    };
    for (const auto& [name, bytes] : seeds) {
        ok &= Save(corpus / name, bytes);
    }
    const auto load = [&](const std::function<bool(const std::string&)>& write) {
        const fs::path file = scratch / "variant";
        ok &= write(file.string());
        return Load(file);
    };
    for (const auto& [name, bytes] : WriterVariants(picture, load)) {
        ok &= !bytes.empty() && Save(corpus / name, bytes);
    }
    // One seed for each record kind of the raster-operation, region and compressed-bitmap
    // cases, in both formats.
    const std::vector<std::string> metafileKinds = {
        "rop2-07", "blit-patinvert", "blit-transparent", "region-shape0", "region-offset", "region-combine2",
        "region-combine3", "region-restore", "region-paint0", "region-paint2", "dib-rle8", "dib-rle4", "dib-jpeg", "dib-png"};
    for (const zv::samples::MetafileCase& metafileCase : zv::samples::MetafileCases()) {
        const std::string stem = fs::path(metafileCase.name).stem().string();
        if (std::find(metafileKinds.begin(), metafileKinds.end(), stem) != metafileKinds.end()) {
            ok &= Save(corpus / "metafile" / ("seed-" + metafileCase.name), metafileCase.bytes);
        }
    }
    for (const auto& variants : {zv::fuzz::PngVariants(), zv::fuzz::JpegVariants(), zv::fuzz::TiffVariants(scratch),
                                 zv::fuzz::BmpVariants(), zv::fuzz::TgaVariants(), zv::fuzz::PcxVariants(),
                                 zv::fuzz::GifVariants(scratch), zv::fuzz::MetadataVariants(scratch)}) {
        for (const auto& [name, bytes] : variants) {
            ok &= !bytes.empty() && Save(corpus / name, bytes);
        }
    }
    // A Photo CD pack is large; its header and the start of the Base image are enough to seed.
    const std::vector<uint8_t> pack = zv::samples::PhotoCdPack(
        [](uint32_t x, uint32_t y, uint8_t* ycc) {
            ycc[0] = static_cast<uint8_t>(x + y);
            ycc[1] = 156;
            ycc[2] = 137;
        },
        0);
    ok &= Save(corpus / "pcd/seed-head", {pack.begin(), pack.begin() + zv::samples::kPcdBaseAt + 4096});
    const std::string templates = "IMG_$(counterA,04)_$(width)x$(height)$(date,%Y-%m-%d)$(filetitle)(filename)"
                                  "$(counterC,05)$(counterB,-7)$(size)(counterJ)$(date%H%M)$$(counterK,3";
    ok &= Save(corpus / "parse_line/seed-tokens", {templates.begin(), templates.end()});
    for (const char* name : {"png/seed-rgb", "tiff/seed-lzw", "gif/seed-cube", "bmp/seed-rgb24", "psd/seed-rle"}) {
        ok &= Save(corpus / "dims" / fs::path(name).filename(), Load(corpus / name));
    }
    fs::remove_all(scratch);
    std::printf("%s\n", ok ? "seeds written" : "some seeds could not be written");
    return ok ? 0 : 1;
}
