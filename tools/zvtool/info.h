// zvtool info: what the library measures of each file.
#ifndef ZVTOOL_INFO_H
#define ZVTOOL_INFO_H

#include <cstdio>
#include <string>
#include <vector>

namespace zvtool {

struct ImageInfo {
    std::string file;
    int32_t type = 0;
    bool measured = false;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    std::string error;           // the imaging error when not measured
    bool hasCamera = false;      // RAW files: the camera data below
    std::string maker;
    std::string model;
    double isoSpeed = 0;
    double shutterSeconds = 0;
    double aperture = 0;
    double focalLength = 0;
};

ImageInfo MeasureImage(const std::string& file);

// Returns the number of files that could not be measured.
int PrintInfo(const std::vector<std::string>& files, bool json, FILE* out);

} // namespace zvtool

#endif
