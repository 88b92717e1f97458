#include "imagetype/predicates.h"
#include "zvdll.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace {

struct ClassifyRow {
    const char* name;
    int32_t code;
    const char* threeChar;
};

const ClassifyRow kClassifyRows[] = {
    {"D:\\Photos\\IMG_0001.JPG", IMAGETYPE_JPG, "JPG"},
    {"photo.jpeg", IMAGETYPE_JPG, "JPG"},
    {".jfif", IMAGETYPE_UNKNOWN, "fif"},
    {"jpg", IMAGETYPE_JPG, "JPG"},
    {"peg", IMAGETYPE_JPG, "JPG"},
    {"xjpg", IMAGETYPE_UNKNOWN, "JPG"},
    {"scan.TIFF", IMAGETYPE_TIF, "TIF"},
    {"iff", IMAGETYPE_TIF, "TIF"},
    {".tif", IMAGETYPE_TIF, "TIF"},
    {"logo.png", IMAGETYPE_PNG, "png"},
    {"logo.PNG", IMAGETYPE_PNG, "PNG"},
    {"anim.gif", IMAGETYPE_GIF, "GIF"},
    {"drawing.apm", IMAGETYPE_AMF, "apm"},
    {"DSC_0001.NEF", IMAGETYPE_RAW, "NEF"},
    {"nef", IMAGETYPE_RAW, "nef"},
    {"image.raw", IMAGETYPE_UNKNOWN, "raw"},
    {"disc.pcd", IMAGETYPE_UNKNOWN, "pcd"},
    {"photo.jpg.bak", IMAGETYPE_UNKNOWN, "bak"},
    {"", IMAGETYPE_UNKNOWN, ""},
    {"jp", IMAGETYPE_UNKNOWN, "jp"},
    // Further branches: the four-letter forms by their tail alone, mixed case, the other codes.
    {"notjpeg", IMAGETYPE_JPG, "JPG"},
    {"JPEG", IMAGETYPE_JPG, "JPG"},
    {"x.JpE", IMAGETYPE_JPG, "JPG"},
    {"a.jif", IMAGETYPE_JPG, "JPG"},
    {"jif", IMAGETYPE_JPG, "JPG"},
    {"TiFf", IMAGETYPE_TIF, "TIF"},
    {"a.bmp", IMAGETYPE_BMP, "bmp"},
    {"bmp", IMAGETYPE_BMP, "bmp"},
    {"a.pcx", IMAGETYPE_PCX, "pcx"},
    {"a.TGA", IMAGETYPE_TGA, "TGA"},
    {"a.psd", IMAGETYPE_PSD, "psd"},
    {"a.wmf", IMAGETYPE_WMF, "wmf"},
    {"emf", IMAGETYPE_EMF, "emf"},
    {"a.amf", IMAGETYPE_AMF, "amf"},
    {"apm", IMAGETYPE_AMF, "apm"},
    {"favicon.ico", IMAGETYPE_ICO, "ico"},
    {"x3f", IMAGETYPE_RAW, "x3f"},
    {"a.Cr2", IMAGETYPE_RAW, "Cr2"},
    {"GIF", IMAGETYPE_GIF, "GIF"},
    {"gif", IMAGETYPE_GIF, "GIF"},
    {"xgif", IMAGETYPE_UNKNOWN, "GIF"},
    {".jpg ", IMAGETYPE_UNKNOWN, "pg "},
    {"a\\b.jpg\\", IMAGETYPE_UNKNOWN, "pg\\"},
};

TEST(ExtensionClassification, Table)
{
    for (const ClassifyRow& row : kClassifyRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ZV_GetExtType(row.name), row.code);
        EXPECT_EQ(ZV_ExtTo3Char(row.name), row.threeChar);
    }
    EXPECT_EQ(ZV_GetExtType(nullptr), IMAGETYPE_UNKNOWN);
    EXPECT_EQ(ZV_ExtTo3Char(nullptr), "");
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Every extension the code table knows, in every letter case, as a bare extension, with its
// dot, and at the end of a path.
TEST(ExtensionClassification, EveryKnownExtensionInAnyCase)
{
    const std::map<std::string, int32_t> known = {
        {"JPG", 1}, {"JPE", 1}, {"JIF", 1}, {"TIF", 2}, {"BMP", 3}, {"PNG", 4}, {"GIF", 5},
        {"PCX", 6}, {"TGA", 7}, {"PSD", 8}, {"WMF", 9}, {"EMF", 10}, {"AMF", 11}, {"APM", 11},
        {"ICO", 12}, {"RAF", 13}, {"CRW", 13}, {"CR2", 13}, {"KDC", 13}, {"MRW", 13},
        {"NEF", 13}, {"ORF", 13}, {"DNG", 13}, {"PTX", 13}, {"PEF", 13}, {"ARW", 13}, {"X3F", 13},
    };
    for (const auto& [upper, code] : known) {
        const std::string lower = Lower(upper);
        const std::string mixed = lower.substr(0, 1) + upper.substr(1);
        for (const std::string& ext : {upper, lower, mixed}) {
            SCOPED_TRACE(ext);
            EXPECT_EQ(ZV_GetExtType(ext.c_str()), code);
            EXPECT_EQ(ZV_GetExtType(("." + ext).c_str()), code);
            EXPECT_EQ(ZV_GetExtType(("D:\\a.b\\img_01." + ext).c_str()), code);
            EXPECT_EQ(ZV_GetExtType(("x" + ext).c_str()), IMAGETYPE_UNKNOWN);
            EXPECT_EQ(ZV_GetExtType(("img." + ext + ".old").c_str()), IMAGETYPE_UNKNOWN);
        }
    }
}

using Predicate = int32_t (*)(const char*);

struct PredicateRow {
    const char* label;
    Predicate predicate;
    bool (*internal)(const zv::CString&);
    std::vector<std::string> accepted;  // four-byte endings and bare three-letter names
};

const std::vector<PredicateRow>& PredicateRows()
{
    using namespace zv::imagetype;
    static const std::vector<PredicateRow> rows = {
        {"JPG", ZV_IsJPG, IsJpg, {".JPG", "JPG", ".JPE", "JPE", "JPEG", ".JIF", "JIF"}},
        {"GIF", ZV_IsGIF, IsGif, {".GIF", "GIF"}},
        {"TIF", ZV_IsTIF, IsTif, {".TIF", "TIFF", "TIF"}},
        {"BMP", ZV_IsBMP, IsBmp, {".BMP", "BMP"}},
        {"PNG", ZV_IsPNG, IsPng, {".PNG", "PNG"}},
        {"PCX", ZV_IsPCX, IsPcx, {".PCX", "PCX"}},
        {"TGA", ZV_IsTGA, IsTga, {".TGA", "TGA"}},
        {"PSD", ZV_IsPSD, IsPsd, {".PSD", "PSD"}},
        {"META", ZV_IsMETA, IsMeta,
         {".WMF", ".EMF", ".AMF", ".APM", "WMF", "EMF", "AMF", "APM"}},
        {"WMF", ZV_IsWMF, IsWmf, {".WMF", "WMF"}},
        {"EMF", ZV_IsEMF, IsEmf, {".EMF", "EMF"}},
        {"AMF", ZV_IsAMF, IsAmf, {".AMF", ".APM", "AMF", "APM"}},
        {"PCD", ZV_IsPCD, IsPcd, {".PCD", "PCD"}},
        {"ICO", ZV_IsICO, IsIco, {".ICO", "ICO"}},
        {"RAW", ZV_IsRAW, IsRaw,
         {".RAF", ".CRW", ".CR2", ".KDC", ".MRW", ".NEF", ".ORF", ".DNG", ".PTX", ".PEF", ".ARW",
          ".X3F", ".RAW"}},
    };
    return rows;
}

// The name a host would pass for an accepted entry: a four-byte ending at the end of a path,
// a bare three-letter entry alone.
std::string NameFor(const std::string& entry)
{
    return entry.size() == 4 ? "D:\\dir.x\\photo_1" + entry : entry;
}

// Every predicate against every other predicate's entries: each accepts its own and
// exactly those the others share with it.
TEST(TypePredicates, EachAcceptsExactlyItsOwnEndings)
{
    for (const PredicateRow& asked : PredicateRows()) {
        for (const PredicateRow& owner : PredicateRows()) {
            for (const std::string& entry : owner.accepted) {
                bool expected = false;
                for (const std::string& own : asked.accepted) {
                    expected = expected || own == entry;
                }
                for (const std::string& name : {NameFor(entry), NameFor(Lower(entry))}) {
                    SCOPED_TRACE(std::string(asked.label) + " on " + name);
                    EXPECT_EQ(asked.predicate(name.c_str()), expected ? 1 : 0);
                    EXPECT_EQ(asked.internal(zv::CString(name.c_str())), expected);
                }
            }
        }
    }
}

TEST(TypePredicates, ShortOrMisplacedEndingsAreRejected)
{
    for (const PredicateRow& row : PredicateRows()) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(row.predicate(""), 0);
        EXPECT_EQ(row.predicate(nullptr), 0);
        for (const std::string& entry : row.accepted) {
            const std::string ext = entry.substr(entry.size() - 3);
            EXPECT_EQ(row.predicate(ext.substr(1).c_str()), 0);
            EXPECT_EQ(row.predicate(("x" + ext).c_str()), 0);
            if (entry[0] != '.') {
                // A bare entry of four letters is a tail of its own, dot or no dot.
                EXPECT_EQ(row.predicate(("not" + entry).c_str()), entry.size() == 4 ? 1 : 0);
            }
            EXPECT_EQ(row.predicate((NameFor(entry) + ".bak").c_str()), 0);
            EXPECT_EQ(row.predicate((NameFor(entry) + " ").c_str()), 0);
        }
    }
}

// Near misses the tables above do not reach, and where the codes and the predicates part ways
// on purpose.
TEST(TypePredicates, ListedEdgeCases)
{
    EXPECT_EQ(ZV_IsJPG("peg"), 0);
    EXPECT_EQ(ZV_IsJPG(".jfif"), 0);
    EXPECT_EQ(ZV_IsJPG("jp"), 0);
    EXPECT_EQ(ZV_IsGIF("gi"), 0);
    EXPECT_EQ(ZV_IsTIF("iff"), 0);
    EXPECT_EQ(ZV_IsRAW("nef"), 0);
    EXPECT_EQ(ZV_IsRAW("raw"), 0);
    EXPECT_EQ(ZV_GetExtType("disc.pcd"), IMAGETYPE_UNKNOWN);
    EXPECT_EQ(ZV_GetExtType("peg"), IMAGETYPE_JPG);
    EXPECT_EQ(ZV_GetExtType("iff"), IMAGETYPE_TIF);
}

TEST(TypePredicates, ExtensionKeyIsTheLastFourBytes)
{
    EXPECT_EQ(zv::imagetype::ExtensionKey("D:\\a\\photo.jpeg"), "jpeg");
    EXPECT_EQ(zv::imagetype::ExtensionKey("tif"), "tif");
    EXPECT_EQ(zv::imagetype::ExtensionKey(""), "");
    // The key gives the same answers as the whole name.
    for (const char* name : {"D:\\a\\b.nef", "c.RAW", "x.apm", "scan.tiff", "a.gif.txt"}) {
        const zv::CString key = zv::imagetype::ExtensionKey(name);
        for (const PredicateRow& row : PredicateRows()) {
            EXPECT_EQ(row.internal(key), row.internal(name)) << row.label << " " << name;
        }
    }
}

} // namespace
