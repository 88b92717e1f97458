#include "info.h"

#include "json.h"
#include "photo.h"

#include <zvdll.h>

#include <cstring>

namespace zvtool {
namespace {

// PCD files measure without being read, so the library's result is 0 for them even though
// their size is known.
bool MeasurementSucceeded(const std::string& file, int32_t result, int32_t width, int32_t height)
{
    if (result != 0) {
        return true;
    }
    return ZV_IsPCD(file.c_str()) != 0 && width > 0 && height > 0;
}

void ReadCameraData(const std::string& file, ImageInfo* info)
{
    char maker[64] = {};
    char model[72] = {};
    int32_t width = 0;
    int32_t height = 0;
    double values[4] = {};
    if (ZV_GetRAWInfo(file.c_str(), &width, &height, maker, model, &values[0], &values[1], &values[2],
                      &values[3], 0)) {
        info->hasCamera = true;
        info->maker.assign(maker, strnlen(maker, sizeof maker));
        info->model.assign(model, strnlen(model, sizeof model));
        info->isoSpeed = values[0];
        info->shutterSeconds = values[1];
        info->aperture = values[2];
        info->focalLength = values[3];
    }
}

// Orientation, profile, date and camera from the file's metadata; a RAW file's camera data
// from LibRaw stays.
void ReadPhotoData(const std::string& file, ImageInfo* info)
{
    const PhotoMetadata metadata(file);
    info->orientation = metadata.Orientation();
    info->hasProfile = !metadata.Block(ZV_BLOCK_ICC).empty();
    info->profile = metadata.Text(ZV_FIELD_PROFILE_DESCRIPTION);
    info->date = metadata.Text(ZV_FIELD_DATE_TAKEN);
    info->dateIsTaken = !info->date.empty();
    if (!info->dateIsTaken) {
        info->date = FileTimeAsExifDate(file);
    }
    info->refusedBlocks = metadata.RefusedBlocks();
    if (!info->hasCamera) {
        info->maker = metadata.Text(ZV_FIELD_CAMERA_MAKE);
        info->model = metadata.Text(ZV_FIELD_CAMERA_MODEL);
    }
}

std::string RefusedBlockNames(uint32_t refused)
{
    static constexpr const char* kNames[] = {"EXIF", "XMP", "IPTC", "ICC profile"};
    std::string names;
    for (uint32_t block = 0; block < 4; ++block) {
        if ((refused & (1u << block)) != 0) {
            names += (names.empty() ? "" : ", ") + std::string(kNames[block]);
        }
    }
    return names;
}

void PrintText(const ImageInfo& info, FILE* out)
{
    if (!info.measured) {
        std::fprintf(out, "%s: type %d, %s\n", info.file.c_str(), info.type, info.error.c_str());
        return;
    }
    std::fprintf(out, "%s: type %d, %d x %d, %d bits per pixel\n", info.file.c_str(), info.type, info.width,
                 info.height, info.bitsPerPixel);
    if (info.hasCamera) {
        std::fprintf(out, "  camera %s %s, ISO %g, %g s, f/%g, %g mm\n", info.maker.c_str(), info.model.c_str(),
                     info.isoSpeed, info.shutterSeconds, info.aperture, info.focalLength);
    } else if (!info.maker.empty() || !info.model.empty()) {
        std::fprintf(out, "  camera %s %s\n", info.maker.c_str(), info.model.c_str());
    }
    std::fprintf(out, "  orientation %d (%s)\n", info.orientation, DescribeOrientation(info.orientation));
    if (info.hasProfile) {
        std::fprintf(out, "  colour profile \"%s\"\n", info.profile.c_str());
    }
    std::fprintf(out, info.dateIsTaken ? "  taken %s\n" : "  no date taken; file modified %s\n", info.date.c_str());
    if (info.refusedBlocks != 0) {
        std::fprintf(out, "  damaged, ignored: %s\n", RefusedBlockNames(info.refusedBlocks).c_str());
    }
}

std::string AsJson(const ImageInfo& info)
{
    std::string json = "{\"file\": " + JsonString(info.file) + ", \"type\": " + std::to_string(info.type) +
                       ", \"ok\": " + (info.measured ? "true" : "false");
    if (info.measured) {
        json += ", \"width\": " + std::to_string(info.width) + ", \"height\": " + std::to_string(info.height) +
                ", \"bitsPerPixel\": " + std::to_string(info.bitsPerPixel);
    } else {
        json += ", \"error\": " + JsonString(info.error);
    }
    if (info.hasCamera) {
        json += ", \"camera\": {\"maker\": " + JsonString(info.maker) + ", \"model\": " + JsonString(info.model) +
                ", \"isoSpeed\": " + JsonNumber(info.isoSpeed) +
                ", \"shutterSeconds\": " + JsonNumber(info.shutterSeconds) +
                ", \"aperture\": " + JsonNumber(info.aperture) +
                ", \"focalLengthMm\": " + JsonNumber(info.focalLength) + "}";
    } else if (!info.maker.empty() || !info.model.empty()) {
        json += ", \"camera\": {\"maker\": " + JsonString(info.maker) + ", \"model\": " + JsonString(info.model) + "}";
    }
    json += ", \"orientation\": " + std::to_string(info.orientation);
    json += ", \"profile\": " + (info.hasProfile ? JsonString(info.profile) : std::string("null"));
    json += ", \"date\": " + JsonString(info.date) + ", \"dateFrom\": " +
            JsonString(info.dateIsTaken ? "exif" : "file");
    if (info.refusedBlocks != 0) {
        json += ", \"refusedMetadata\": " + JsonString(RefusedBlockNames(info.refusedBlocks));
    }
    return json + "}";
}

} // namespace

ImageInfo MeasureImage(const std::string& file)
{
    ImageInfo info;
    info.file = file;
    info.type = ZV_GetExtType(file.c_str());
    ZvDimInfo block{};
    const int32_t result = ZV_GetImageDims(file.c_str(), &info.width, &info.height, &info.bitsPerPixel, &block);
    info.measured = MeasurementSucceeded(file, result, info.width, info.height);
    if (!info.measured) {
        const zv::CString text = ZV_GetISerror();
        info.error = text.IsEmpty() ? "cannot be measured" : text.GetString();
    }
    if (ZV_IsRAW(file.c_str())) {
        ReadCameraData(file, &info);
    }
    ReadPhotoData(file, &info);
    return info;
}

int PrintInfo(const std::vector<std::string>& files, bool json, FILE* out)
{
    int failures = 0;
    if (json) {
        std::fputs("[", out);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        const ImageInfo info = MeasureImage(files[i]);
        failures += info.measured ? 0 : 1;
        if (json) {
            std::fprintf(out, "%s\n  %s", i == 0 ? "" : ",", AsJson(info).c_str());
        } else {
            PrintText(info, out);
        }
    }
    if (json) {
        std::fputs("\n]\n", out);
    }
    return failures;
}

} // namespace zvtool
