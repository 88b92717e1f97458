#include "naming/date_stamp.h"
#include "naming/name_template.h"
#include "zvdll.h"

#include <gtest/gtest.h>

#include <ctime>
#include <span>
#include <string>

namespace {

using zv::naming::ExpandTemplate;
using zv::naming::FormatDateStamp;
using zv::naming::TemplateArguments;

// 5 March 2024, 14:07:09 local time, with weekday and day of year filled in by mktime.
std::tm FixedLocalTime()
{
    std::tm when{};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 14;
    when.tm_min = 7;
    when.tm_sec = 9;
    when.tm_isdst = -1;
    std::mktime(&when);
    return when;
}

TemplateArguments PhotoArguments(const char* templateText)
{
    TemplateArguments args;
    args.templateText = templateText;
    args.defaultDateFormat = "%Y%m%d";
    args.filePath = "D:\\Photos\\Trip\\";
    args.fileName = "beach.jpg";
    args.fileTitle = "beach";
    args.width = 640;
    args.height = 480;
    args.counters = {7, 42, -3, 0, 0, 0, 0, 0, 0, 1234};
    return args;
}

std::string Expand(const char* templateText)
{
    return ExpandTemplate(PhotoArguments(templateText), FixedLocalTime).GetString();
}

struct Row {
    const char* templateText;
    const char* expected;
};

const Row kWorkedExamples[] = {
    {"IMG_$(counterA,04)_$(width)x$(height)", "IMG_0007_640x480"},
    {"$(filepath)$(filetitle).tif", "D:\\Photos\\Trip\\beach.tif"},
    {"$(filetitle)_$(size)", "beach_640x480"},
    {"$(filename)", "beach.jpg"},
    {"$(date,%Y-%m-%d)", "2024-03-05"},
    {"$(date)", "20240305"},
    {"$(date,)", "20240305"},
    {"$(date%H%M)", "1407"},
    {"$(counterB)", "42"},
    {"$(counterB,5)", "   42"},
    {"$(counterB,05)", "00042"},
    {"$(counterB,1)", "42"},
    {"$(counterB,)", "42"},
    {"$(counterC,05)", "000-3"},
    {"$(counterB,-5)", "42   "},
    {"$(counterJ,3)", "1234"},
    {"$(width)(height)", "640480"},
    {"$(height)(width)", "480(width)"},
    {"$(counterA,3", "$(counterA,3"},
    {"$(Width)", "$(Width)"},
    {"$(foo)", "$(foo)"},
    {"Cost $5", "Cost $5"},
    {"$$", "$$"},
    {"$", "$"},
};

const Row kEdgeCases[] = {
    {"", ""},
    {"plain name.jpg", "plain name.jpg"},
    {"$(counterK)", "$(counterK)"},
    {"$(countera)", "$(countera)"},
    {"$(COUNTERA)", "$(COUNTERA)"},
    // A field parameter runs to the first ")" after the comma, swallowing a token on the way.
    {" $(counterA,3 and $(width)", "   7"},
    {"$(counterB, 7)", "     42"},
    {"$(counterB,+07)", "     42"},
    {"$(counterB,007)", "0000042"},
    {"$(counterB,x7)", "42"},
    {"$(counterB,7px)", "     42"},
    {"$(counterC,-05)", "-3   "},
    {"$(counterC,5)", "   -3"},
    {"$(counterJ,2)", "1234"},
    {"$(counterJ,04)", "1234"},
    {"$(counterD)$(counterE,2)", "0 0"},
    // Anything that starts with "(date" is a date token, ending at the first ")".
    {"$(datestamp)", "stamp"},
    {"$(date,,x)", ",x"},
    {"$(date,%H) and (x)", "14 and (x)"},
    {"$(date", "$(date"},
    {"$(date,%Y", "$(date,%Y"},
    {"$(date,%Y$(width)", "2024$(width"},
    // Chains: later rules continue right after a token, earlier ones do not.
    {"$(date)(filepath)", "20240305D:\\Photos\\Trip\\"},
    {"$(size)(counterA)", "640x4807"},
    {"$(filetitle)(filename)", "beachbeach.jpg"},
    {"$(counterA)(width)", "7(width)"},
    {"$(filename)(filetitle)", "beach.jpg(filetitle)"},
    {"$(width)(height)(size)(counterJ,5)", "640480640x480 1234"},
    {"$(counterA)(counterB)", "742"},
    {"$(counterB)(counterA)", "42(counterA)"},
    {"$(counterA)(counterA,3)", "7  7"},
    {"$(counterA,3)(counterA)", "  7(counterA)"},
    // Truncated tokens and dollars at the end.
    {"$(counterA", "$(counterA"},
    {"$(counterJ,", "$(counterJ,"},
    {"$(width", "$(width"},
    {"x$", "x$"},
    {"$$(width)", "$640"},
    {"$(filepath)", "D:\\Photos\\Trip\\"},
};

TEST(NameTemplate, WorkedExamplesAndEdgeCases)
{
    for (std::span<const Row> table : {std::span<const Row>(kWorkedExamples), std::span<const Row>(kEdgeCases)}) {
        for (const Row& row : table) {
            SCOPED_TRACE(row.templateText);
            EXPECT_EQ(Expand(row.templateText), row.expected);
        }
    }
}

TEST(NameTemplate, PathPartsWithEmptyValuesStayText)
{
    TemplateArguments args = PhotoArguments("$(filepath)|$(filename)|$(filetitle)|$(width)");
    args.filePath = "";
    args.fileName = "";
    args.fileTitle = "";
    EXPECT_EQ(ExpandTemplate(args, FixedLocalTime), "$(filepath)|$(filename)|$(filetitle)|640");

    // Nor is it a token inside a chain, and the chain ends there.
    args.templateText = "$(date)(filepath)(counterA)";
    EXPECT_EQ(ExpandTemplate(args, FixedLocalTime), "20240305(filepath)(counterA)");
}

TEST(NameTemplate, DateTokenUsesTheDefaultOrItsOwnFormat)
{
    TemplateArguments args = PhotoArguments("[$(date)][$(date,%d.%m.%y)][$(date%S)]");
    EXPECT_EQ(ExpandTemplate(args, FixedLocalTime), "[20240305][05.03.24][09]");
    args.defaultDateFormat = "";
    EXPECT_EQ(ExpandTemplate(args, FixedLocalTime), "[][05.03.24][09]");
    args.defaultDateFormat = std::string(200, 'y').c_str();
    EXPECT_EQ(ExpandTemplate(args, FixedLocalTime), "[][05.03.24][09]");
}

TEST(NameTemplate, EveryCounterLetterReadsItsOwnArgument)
{
    TemplateArguments args = PhotoArguments("");
    std::string templateText;
    std::string expected;
    for (int i = 0; i < zv::naming::kCounterCount; ++i) {
        args.counters[i] = 100 + i;
        const char letter = static_cast<char>('A' + i);
        templateText += std::string("$(counter") + letter + ")/$(counter" + letter + ",-4)/";
        expected += std::to_string(100 + i) + "/" + std::to_string(100 + i) + " /";
    }
    args.templateText = templateText;
    EXPECT_EQ(ExpandTemplate(args, FixedLocalTime), expected.c_str());
}

TEST(NameTemplate, ExtremeCounterValues)
{
    TemplateArguments args = PhotoArguments("$(counterA)|$(counterB,012)|$(width)|$(size)");
    args.counters[0] = INT32_MIN;
    args.counters[1] = INT32_MAX;
    args.width = INT32_MIN;
    args.height = -1;
    EXPECT_EQ(ExpandTemplate(args, FixedLocalTime),
              "-2147483648|002147483647|-2147483648|-2147483648x-1");
}

// Widths beyond ZV_MAX_FIELD_WIDTH in either direction give a field of exactly that width.
TEST(NameTemplate, FieldWidthIsBounded)
{
    const size_t bound = ZV_MAX_FIELD_WIDTH;
    struct WidthRow {
        const char* parameter;
        size_t padding;
        char fill;
        bool leftAligned;
    };
    const WidthRow rows[] = {
        {"04096", bound - 1, '0', false},
        {"04097", bound - 1, '0', false},
        {"99999", bound - 1, ' ', false},
        {"099999999999999999999", bound - 1, '0', false},
        {"-4096", bound - 1, ' ', true},
        {"-4097", bound - 1, ' ', true},
        {"-2147483648", bound - 1, ' ', true},
        {"-99999999999999999999", bound - 1, ' ', true},
        {"4095", bound - 2, ' ', false},
    };
    for (const WidthRow& row : rows) {
        SCOPED_TRACE(row.parameter);
        const std::string templateText = std::string("$(counterA,") + row.parameter + ")";
        const std::string padding(row.padding, row.fill);
        const std::string expected = row.leftAligned ? "7" + padding : padding + "7";
        EXPECT_EQ(Expand(templateText.c_str()), expected);
    }
    EXPECT_EQ(zv::naming::BoundedFieldWidth(INT32_MIN), -ZV_MAX_FIELD_WIDTH);
    EXPECT_EQ(zv::naming::BoundedFieldWidth(-ZV_MAX_FIELD_WIDTH), -ZV_MAX_FIELD_WIDTH);
    EXPECT_EQ(zv::naming::BoundedFieldWidth(12), 12);
}

TEST(NameTemplate, HostileTemplatesExpandToThemselves)
{
    // Unclosed tokens by the thousand: every byte is copied, nothing is lost or repeated.
    for (const char* unit : {"$(date", "$(counterA,", "$(counterJ,0", "$", "$(", "$(filepath"}) {
        std::string hostile;
        for (int i = 0; i < 5000; ++i) {
            hostile += unit;
        }
        SCOPED_TRACE(unit);
        EXPECT_EQ(Expand(hostile.c_str()), hostile);
    }
}

TEST(NameTemplate, ManyTokensExpandInOrder)
{
    std::string templateText;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        templateText += "$(counterA,03)-$(date,%M)(size);";
        expected += "007-07640x480;";
    }
    EXPECT_EQ(Expand(templateText.c_str()), expected);
}

int g_clockReads = 0;

std::tm CountingClock()
{
    ++g_clockReads;
    std::tm when = FixedLocalTime();
    when.tm_sec += g_clockReads;  // every read a second later
    std::mktime(&when);
    return when;
}

TEST(NameTemplate, AllStampsOfOneNameShowTheSameInstant)
{
    g_clockReads = 0;
    EXPECT_EQ(ExpandTemplate(PhotoArguments("$(counterA)"), CountingClock), "7");
    EXPECT_EQ(g_clockReads, 0);
    EXPECT_EQ(ExpandTemplate(PhotoArguments("$(date%S)_$(date,%S)_$(date%S)"), CountingClock),
              "10_10_10");
    EXPECT_EQ(g_clockReads, 1);
}

TEST(DateStamp, FormatsByStrftimeRulesUpTo127Bytes)
{
    const std::tm when = FixedLocalTime();
    EXPECT_EQ(FormatDateStamp("%Y-%m-%d %H:%M:%S", when), "2024-03-05 14:07:09");
    EXPECT_EQ(FormatDateStamp("%j %%", when), "065 %");
    EXPECT_EQ(FormatDateStamp("no conversions", when), "no conversions");
    EXPECT_EQ(FormatDateStamp("", when), "");
    const std::string exact(127, 'a');
    EXPECT_EQ(FormatDateStamp(exact.c_str(), when), exact.c_str());
    EXPECT_EQ(FormatDateStamp((exact + "a").c_str(), when), "");
    EXPECT_EQ(FormatDateStamp((std::string(124, 'a') + "%Y").c_str(), when), "");
    EXPECT_EQ(FormatDateStamp((std::string(123, 'a') + "%Y").c_str(), when),
              (std::string(123, 'a') + "2024").c_str());
}

// The exports read the real clock: compare with the stamp taken just before and after.
TEST(DateStamp, ExportsUseTheLocalClock)
{
    const char* format = "%Y-%m-%d %H:%M:%S";
    const std::string before = FormatDateStamp(format, zv::naming::SystemLocalTime()).GetString();
    const std::string fromGetDate = ZV_GetDate(format).GetString();
    const std::string fromParseLine =
        ZV_ParseLine("$(date)", format, "", "", "", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0).GetString();
    const std::string after = FormatDateStamp(format, zv::naming::SystemLocalTime()).GetString();
    for (const std::string& stamp : {fromGetDate, fromParseLine}) {
        EXPECT_TRUE(stamp == before || stamp == after) << stamp;
    }
    EXPECT_EQ(ZV_GetDate(""), "");
    EXPECT_EQ(ZV_GetDate(nullptr), "");
}

TEST(NameTemplate, ExportTakesItsArgumentsInOrder)
{
    const zv::CString expanded = ZV_ParseLine(
        "$(filepath)|$(filename)|$(filetitle)|$(size)|$(counterA)$(counterB)$(counterC)$(counterD)"
        "$(counterE)$(counterF)$(counterG)$(counterH)$(counterI)$(counterJ)|$(date,x)",
        "%Y", "P\\", "N.jpg", "T", 11, 22, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_EQ(expanded, "P\\|N.jpg|T|11x22|0123456789|x");
    EXPECT_EQ(ZV_ParseLine(nullptr, nullptr, nullptr, nullptr, nullptr,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), "");
    EXPECT_EQ(ZV_ParseLine("$(filename)$(date)", nullptr, nullptr, nullptr, nullptr,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), "$(filename)");
}

} // namespace

namespace {

std::string ExpandAt(const char* dateTime, const char* templateText)
{
    const int32_t counters[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    return zv::CString::Adopt(ZvParseLineAt(dateTime, templateText, "%Y%m%d", "P\\", "N.jpg", "T", 11, 22, counters))
        .GetString();
}

// A photo's date taken replaces the clock, weekday and day of the year included; anything that
// is not an EXIF date falls back to the clock, as ZV_ParseLine.
TEST(NameTemplate, DateTakenReplacesTheClock)
{
    EXPECT_EQ(ExpandAt("2024:02:29 23:59:60", "$(date)_$(date,%H%M%S %a %j %U)_$(counterJ)$(size)"),
              "20240229_235959 Thu 060 08_911x22");
    EXPECT_EQ(ExpandAt("2000:01:01 00:00:00\0junk", "$(date,%A %j)"), "Saturday 001");
    EXPECT_EQ(ExpandAt("1900:03:01 12:00:00", "$(date,%a %j)"), "Thu 060");
    const std::string today = FormatDateStamp("%Y%m%d", zv::naming::SystemLocalTime()).GetString();
    for (const char* notADate : {"", "    :  :     :  :  ", "2024:13:01 00:00:00", "2024:01:00 00:00:00",
                                 "2024-01-01 00:00:00", "2024:01:01 24:00:00", "2024:01:01"}) {
        EXPECT_EQ(ExpandAt(notADate, "$(date)"), today) << notADate;
    }
    EXPECT_EQ(ExpandAt(nullptr, "$(date)"), today);
    EXPECT_EQ(zv::CString::Adopt(ZvParseLineAt("2024:01:01 00:00:00", "$(counterB)", nullptr, nullptr, nullptr, nullptr,
                                               0, 0, nullptr)),
              "0");
}

} // namespace
