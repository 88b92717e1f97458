// Writes the demo's sample set: one small image of every format family the library opens.
#include "dng_writer.h"
#include "encoders.h"
#include "metafile/metafile_writer.h"
#include "pcd_writer.h"
#include "photo_writer.h"
#include "raster_writers.h"
#include "sample_writers.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// A placeable WMF: a framed sky, a sun, a hill and a caption, drawn on a 1000 x 600 window.
bool WriteWmfSample(const std::string& path)
{
    using zv::samples::ColorRef;
    zv::samples::WmfWriter wmf = zv::samples::WmfWriter::Placeable(0, 0, 1000, 600, 400);
    wmf.SetWindowOrg(0, 0);
    wmf.SetWindowExt(1000, 600);
    wmf.CreateBrush(0, ColorRef(120, 180, 240));  // object 0: sky
    wmf.CreatePen(0, 8, ColorRef(20, 40, 90));     // object 1: frame
    wmf.SelectObject(0);
    wmf.SelectObject(1);
    wmf.Rectangle(10, 10, 990, 590);
    wmf.CreateBrush(0, ColorRef(250, 210, 40));   // object 2: sun
    wmf.SelectObject(2);
    wmf.Ellipse(620, 80, 820, 280);
    wmf.CreateBrush(0, ColorRef(60, 150, 60));    // object 3: hill
    wmf.SelectObject(3);
    wmf.Polygon({{10, 590}, {300, 330}, {560, 450}, {990, 300}, {990, 590}});
    wmf.CreateFont(60, 0, 700, false, "DejaVu Sans");  // object 4
    wmf.SelectObject(4);
    wmf.SetBkMode(1);
    wmf.SetTextColor(ColorRef(255, 255, 255));
    wmf.TextOut(60, 60, "ZVDll");
    return WriteBytes(path, wmf.Finish());
}

// An EMF of the same scene: a 10 x 6 cm frame on a 10-pixel-per-millimetre device, drawn in
// device pixels.
bool WriteEmfSample(const std::string& path)
{
    using zv::samples::ColorRef;
    zv::samples::EmfWriter emf(0, 0, 10000, 6000, 1000, 100);
    emf.CreateBrush(1, 0, ColorRef(120, 180, 240));  // sky
    emf.CreatePen(2, 0, 8, ColorRef(20, 40, 90));     // frame
    emf.SelectObject(1);
    emf.SelectObject(2);
    emf.Rectangle(10, 10, 990, 590);
    emf.CreateBrush(3, 0, ColorRef(250, 210, 40));   // sun
    emf.SelectObject(3);
    emf.Ellipse(620, 80, 820, 280);
    emf.CreateBrush(4, 0, ColorRef(60, 150, 60));    // hill
    emf.SelectObject(4);
    emf.Poly(3, {{10, 590}, {300, 330}, {560, 450}, {990, 300}, {990, 590}});
    emf.CreateFont(5, 60, 0, 700, u"DejaVu Sans");
    emf.SelectObject(5);
    emf.SetBkMode(1);
    emf.SetTextColor(ColorRef(255, 255, 255));
    emf.ExtTextOutW(60, 60, u"ZVDll");
    return WriteBytes(path, emf.Finish());
}

// A small camera RAW file: four colour bands on a Bayer sensor.
zv::samples::DngOptions CameraSample()
{
    zv::samples::DngOptions options;
    options.width = 160;
    options.height = 96;
    options.patches = {{0.6, 0.1, 0.1}, {0.1, 0.6, 0.1}, {0.1, 0.1, 0.6}, {0.5, 0.5, 0.5}};
    options.model = "Demo Sensor";
    return options;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zvsamples FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[1];
    std::error_code error;
    fs::create_directories(folder, error);

    const zv::samples::Picture picture = zv::samples::MakeTestPicture(240, 160);
    const zvtool::RgbView view{picture.rgb.data(), picture.width, picture.height};
    auto encoded = [&](zvtool::OutputFormat format) {
        return [&view, format](const std::string& path) {
            std::string ignored;
            return zvtool::WriteImage(path, view, format, 90, {}, &ignored);
        };
    };
    auto written = [&](bool (*writer)(const std::string&, const zv::samples::Picture&)) {
        return [&picture, writer](const std::string& path) { return writer(path, picture); };
    };

    const std::vector<std::pair<std::string, std::function<bool(const std::string&)>>> samples = {
        {"sample.jpg", encoded(zvtool::OutputFormat::Jpeg)},
        {"sample.png", encoded(zvtool::OutputFormat::Png)},
        {"sample.bmp", encoded(zvtool::OutputFormat::Bmp)},
        {"sample.tif", written(zv::samples::WriteTiff)},
        {"sample.gif", written(zv::samples::WriteGif)},
        {"sample.tga", written(zv::samples::WriteTga)},
        {"sample.pcx", written(zv::samples::WritePcx)},
        {"sample.psd", written(zv::samples::WritePsd)},
        {"sample.pcd", written(zv::samples::WritePcd)},
        {"sample.wmf", WriteWmfSample},
        {"sample.emf", WriteEmfSample},
        {"sample.dng", [](const std::string& path) { return zv::samples::WriteTestDng(path, CameraSample()); }},
        // A phone's portrait, stored on its side in Display P3: the batch turns it upright and
        // converts it to sRGB.
        {"photo.jpg",
         [](const std::string& path) {
             const zv::samples::Picture upright = zv::samples::MakeTestPicture(160, 240);
             return zv::samples::SaveBytes(path, zv::samples::PhonePhotoJpeg(upright, {true, 90}));
         }},
    };
    int failures = 0;
    for (const auto& [name, write] : samples) {
        const std::string path = (folder / name).string();
        if (!write(path)) {
            std::fprintf(stderr, "zvsamples: could not write %s\n", path.c_str());
            ++failures;
        }
    }
    std::printf("wrote %zu sample images into %s\n", samples.size() - static_cast<size_t>(failures),
                folder.string().c_str());
    return failures == 0 ? 0 : 1;
}
