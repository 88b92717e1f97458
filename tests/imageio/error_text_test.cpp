// ZV_GetISerror: the text table and the per-thread code it reads.
#include "zvdll.h"

#include "imageio/error_text.h"
#include "imaging/core/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using zv::imageio::ErrorText;

TEST(ErrorText, EveryCodeHasItsRowPrefixedWithItsNumber)
{
    for (uint32_t code = 0; code < zv::imageio::kErrorTextCount; ++code) {
        const std::string text = ErrorText(code).GetString();
        const std::string prefix = std::to_string(code) + ": ";
        ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
        EXPECT_GT(text.size(), prefix.size() + 3) << text;
    }
}

TEST(ErrorText, RowsKeepTheirOwnWordingExactly)
{
    struct Row {
        uint32_t code;
        const char* text;
    };
    const Row rows[] = {
        {0, "0: no error"},
        {1, "1: out of memory"},
        {16, "16: internal PNG lib behavior - contact smaller animals s.w."},
        {17, "17: misc unexpected behavior error - contact smaller animals s.w."},
        {42, "42: a call to GetEnhMetaFileBits   or GetWinMetaFileBits failed"},
        {45, "45: this function is not supported in this build (see DLL build options)"},
        {72, "72: Phototoshop resource not found"},
        {81, "81: unable to intialize GeoTiff reader"},
        {82, "82: no GeoTIFF tag was found with the given ID"},
    };
    for (const Row& row : rows) {
        EXPECT_STREQ(ErrorText(row.code).GetString(), row.text);
    }
}

TEST(ErrorText, CodesPastTheTableAndNegativeCodesGiveTheEmptyString)
{
    for (uint32_t code : {83u, 84u, 1000u, static_cast<uint32_t>(-1), static_cast<uint32_t>(-83)}) {
        EXPECT_TRUE(ErrorText(code).IsEmpty()) << code;
    }
}

TEST(GetISerror, ReadsTheCallingThreadsLastError)
{
    zv::imaging::SetLastError(zv::imaging::kErrBadJPG);
    std::string other;
    std::thread([&] {
        zv::imaging::SetLastError(zv::imaging::kErrInvalidTIFF);
        other = ZV_GetISerror().GetString();
    }).join();
    EXPECT_EQ(other, "20: invalid TIFF file");
    EXPECT_STREQ(ZV_GetISerror().GetString(), "9: bad JPG file");
    zv::imaging::SetLastError(90);
    EXPECT_TRUE(ZV_GetISerror().IsEmpty());
}
