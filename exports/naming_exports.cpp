// Naming exports: each opens the per-call frame and hands over to naming/.
#include "zvdll.h"

#include "exports/hand_over.h"
#include "frame/frame.h"
#include "naming/date_stamp.h"
#include "naming/folder_placeholders.h"
#include "naming/name_template.h"

#include <algorithm>
#include <array>

namespace {

zv::CString ExpandName(const char* dateTime, const char* templateText, const char* defaultDateFormat,
                       const char* filePath, const char* fileName, const char* fileTitle, int32_t width,
                       int32_t height, const std::array<int32_t, zv::naming::kCounterCount>& counters)
{
    zv::naming::TemplateArguments args;
    args.templateText = templateText != nullptr ? templateText : "";
    args.defaultDateFormat = defaultDateFormat;
    args.filePath = filePath;
    args.fileName = fileName;
    args.fileTitle = fileTitle;
    args.width = width;
    args.height = height;
    args.counters = counters;
    if (dateTime != nullptr) {
        args.instant = zv::naming::ParseExifDateTime(dateTime);
    }
    return zv::naming::ExpandTemplate(args);
}

} // namespace

extern "C" {

ZV_API ZvString* zv::c::ZV_ParseLine(const char* templateText, const char* defaultDateFormat,
                                const char* filePath, const char* fileName, const char* fileTitle,
                                int32_t width, int32_t height,
                                int32_t counterA, int32_t counterB, int32_t counterC,
                                int32_t counterD, int32_t counterE, int32_t counterF,
                                int32_t counterG, int32_t counterH, int32_t counterI,
                                int32_t counterJ)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(ExpandName(nullptr, templateText, defaultDateFormat, filePath, fileName, fileTitle,
                                            width, height,
                                            {counterA, counterB, counterC, counterD, counterE, counterF, counterG,
                                             counterH, counterI, counterJ}));
}

ZV_API ZvString* ZvParseLineAt(const char* dateTime, const char* templateText, const char* defaultDateFormat,
                               const char* filePath, const char* fileName, const char* fileTitle,
                               int32_t width, int32_t height, const int32_t counters[10])
{
    ZV_EXPORT_FRAME;
    std::array<int32_t, zv::naming::kCounterCount> values{};
    if (counters != nullptr) {
        std::copy(counters, counters + values.size(), values.begin());
    }
    return zv::exports::HandOver(ExpandName(dateTime, templateText, defaultDateFormat, filePath, fileName, fileTitle,
                                            width, height, values));
}

ZV_API ZvString* zv::c::ZV_GetDate(const char* dateFormat)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::naming::DateStamp(dateFormat));
}

ZV_API ZvString* zv::c::ZV_ParsePath(const char* path, const char* installFolder, const char* tempFolder)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::naming::ResolveFolderPlaceholders(path, installFolder, tempFolder));
}

} // extern "C"
