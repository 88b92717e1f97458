// zvtool info: what the library measures of each file.
#ifndef ZVTOOL_INFO_H
#define ZVTOOL_INFO_H

#include <cstdint>
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
    int32_t orientation = 1;     // the turn the pixels need to be upright (photo.h)
    std::string profile;         // the embedded colour profile's description
    bool hasProfile = false;
    std::string date;            // "YYYY:MM:DD HH:MM:SS": the date taken, else the file's time
    bool dateIsTaken = false;    // whether `date` is the date taken
    uint32_t refusedBlocks = 0;  // metadata blocks present but damaged
};

ImageInfo MeasureImage(const std::string& file);

// Returns the number of files that could not be measured.
int PrintInfo(const std::vector<std::string>& files, bool json, FILE* out);

} // namespace zvtool

#endif
