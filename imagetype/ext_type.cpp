#include "imagetype/ext_type.h"

#include <initializer_list>

namespace zv::imagetype {
namespace {

struct TypeRow {
    int32_t code;
    std::initializer_list<const char*> tails;  // compared with the last four bytes
    std::initializer_list<const char*> bare;   // compared with a whole name of <= 3 bytes
};

const TypeRow kTypeRows[] = {
    {IMAGETYPE_JPG, {".JPG", "JPEG", ".JPE", ".JIF"}, {"JPG", "PEG", "JPE", "JIF"}},
    {IMAGETYPE_TIF, {"TIFF", ".TIF"}, {"IFF", "TIF"}},
    {IMAGETYPE_BMP, {".BMP"}, {"BMP"}},
    {IMAGETYPE_PNG, {".PNG"}, {"PNG"}},
    {IMAGETYPE_GIF, {".GIF"}, {"GIF"}},
    {IMAGETYPE_PCX, {".PCX"}, {"PCX"}},
    {IMAGETYPE_TGA, {".TGA"}, {"TGA"}},
    {IMAGETYPE_PSD, {".PSD"}, {"PSD"}},
    {IMAGETYPE_WMF, {".WMF"}, {"WMF"}},
    {IMAGETYPE_EMF, {".EMF"}, {"EMF"}},
    {IMAGETYPE_AMF, {".AMF", ".APM"}, {"AMF", "APM"}},
    {IMAGETYPE_ICO, {".ICO"}, {"ICO"}},
    {IMAGETYPE_RAW,
     {".RAF", ".CRW", ".CR2", ".KDC", ".MRW", ".NEF", ".ORF", ".DNG", ".PTX", ".PEF", ".ARW", ".X3F"},
     {"RAF", "CRW", "CR2", "KDC", "MRW", "NEF", "ORF", "DNG", "PTX", "PEF", "ARW", "X3F"}},
};

constexpr int kTailLength = 4;
constexpr int kBareLength = 3;

bool EqualsAny(const CString& text, std::initializer_list<const char*> entries)
{
    for (const char* entry : entries) {
        if (text.CompareNoCase(entry) == 0) {
            return true;
        }
    }
    return false;
}

struct Fold {
    const char* ending;
    const char* folded;
};

const Fold kFolds[] = {
    {"JPG", "JPG"}, {"PEG", "JPG"}, {"JPE", "JPG"}, {"JIF", "JPG"},
    {"IFF", "TIF"}, {"TIF", "TIF"}, {"GIF", "GIF"},
};

} // namespace

int32_t ImageTypeCode(const CString& name)
{
    const bool byTail = name.GetLength() > kBareLength;
    const CString compared = byTail ? name.Right(kTailLength) : name;
    for (const TypeRow& row : kTypeRows) {
        if (EqualsAny(compared, byTail ? row.tails : row.bare)) {
            return row.code;
        }
    }
    return IMAGETYPE_UNKNOWN;
}

CString ThreeCharExtension(const CString& name)
{
    const CString ending = name.Right(kBareLength);
    for (const Fold& fold : kFolds) {
        if (ending.CompareNoCase(fold.ending) == 0) {
            return fold.folded;
        }
    }
    return ending;
}

} // namespace zv::imagetype
