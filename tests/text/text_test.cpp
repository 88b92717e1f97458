#include "text/decimal.h"
#include "zvdll.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct LeadingRow {
    const char* text;
    int32_t value;
};

TEST(LeadingInteger, Table)
{
    const LeadingRow rows[] = {
        {"", 0}, {"abc", 0}, {"-", 0}, {"+", 0}, {"- 5", 0}, {"--5", 0},
        {"42", 42}, {"  -17x", -17}, {"+8", 8}, {"\t\n\v\f\r 9", 9}, {"007", 7},
        {"12abc34", 12}, {"3.9", 3}, {"3,5", 3}, {"-0", 0},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"2147483648", INT32_MAX}, {"-2147483649", INT32_MIN},
        {"99999999999999999999999999", INT32_MAX}, {"-99999999999999999999999999", INT32_MIN},
        {"00000000000000000000000012", 12},
    };
    for (const LeadingRow& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(zv::text::LeadingInteger(row.text), row.value);
        EXPECT_EQ(ZV_StringToInteger(row.text), row.value);
    }
    EXPECT_EQ(ZV_StringToInteger(nullptr), 0);
}

TEST(IntegerText, RoundTripsAndShape)
{
    EXPECT_EQ(ZV_IntegerToString(0), "0");
    EXPECT_EQ(ZV_IntegerToString(-7), "-7");
    EXPECT_EQ(ZV_IntegerToString(INT32_MIN), "-2147483648");
    EXPECT_EQ(ZV_IntegerToString(INT32_MIN).GetLength(), 11);
    for (int32_t value : {INT32_MIN, INT32_MIN + 1, -1000, -1, 0, 1, 9, 10, 65535, INT32_MAX}) {
        SCOPED_TRACE(value);
        const zv::CString text = ZV_IntegerToString(value);
        EXPECT_EQ(text, std::to_string(value).c_str());
        EXPECT_EQ(ZV_StringToInteger(text), value);
    }
}

struct CleanRow {
    const char* text;
    int32_t integerOnly;
    const char* expected;
};

TEST(FloatValue, CleansToTwoPlaces)
{
    const CleanRow rows[] = {
        {"12.345", 0, "12.34"},
        {"12.345", 1, "12"},
        {"-7.25 kg", 0, "7.25"},
        {"1.2.3", 0, "1.23"},
        {"1 000.5", 0, "1000.5"},
        {"5.", 0, "5."},
        {"5.", 1, "5"},
        {".5", 1, ""},
        {".5", 0, ".5"},
        {"", 0, ""},
        {"", 1, ""},
        {"abc", 0, ""},
        {"abc", 1, ""},
        {"12", 0, "12"},
        {"12", 1, "12"},
        {"12.345", 2, "12.34"},
        {"12.345", -1, "12.34"},
        {"1,5", 0, "15"},
        {"x.y.z", 0, "."},
        {"x.y.z", 1, ""},
        {"+3.1", 0, "3.1"},
        {"0.999", 1, "0"},
    };
    for (const CleanRow& row : rows) {
        SCOPED_TRACE(std::string(row.text) + " / " + std::to_string(row.integerOnly));
        EXPECT_EQ(ZV_GetFloatValue(zv::CString(row.text), row.integerOnly), row.expected);
    }
}

struct DoubleRow {
    const char* text;
    double value;
};

TEST(ConvertStringToDouble, Table)
{
    const DoubleRow rows[] = {
        {"3.5", 3.5}, {"3.25", 3.25}, {"3.05", 3.05}, {"3.14159", 3.14}, {"42", 42.0},
        {"12abc", 12.0}, {"3,5", 3.0}, {".75", 0.75}, {"3.", 3.0}, {"abc", 0.0},
        {"1.09", 1.09}, {"1.9", 1.9}, {"3.5x", 3.5}, {"", 0.0},
        // The fraction is always added as a positive amount.
        {"-3.5", -2.5}, {"-0.5", 0.5}, {"-3.25", -2.75},
        // The fraction text is read as a leading integer: white space and a sign count.
        {"3. 5", 3.5}, {"3.-5", 2.5}, {"3.x5", 3.0}, {"3.5.7", 3.5},
        {" 7.1", 7.1}, {"abc.50", 0.5},
    };
    for (const DoubleRow& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_DOUBLE_EQ(ZV_ConvertStringToDouble(row.text), row.value);
    }
    EXPECT_EQ(ZV_ConvertStringToDouble(nullptr), 0.0);
}

TEST(IsEven, PowersOfTwoFromTwo)
{
    for (int bit = 1; bit < 31; ++bit) {
        const int32_t power = int32_t{1} << bit;
        SCOPED_TRACE(power);
        EXPECT_EQ(ZV_IsEven(power), 1);
        EXPECT_EQ(ZV_IsEven(power + 1), 0);
        if (bit > 2) {
            EXPECT_EQ(ZV_IsEven(power - 2), 0);
        }
        EXPECT_EQ(ZV_IsEven(-power), 0);
    }
    for (int32_t value : {0, 1, 3, 6, 12, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(ZV_IsEven(value), 0) << value;
    }
}

struct SpaceRow {
    const char* text;
    int32_t removeAll;
    int32_t trimLeft;
    int32_t trimRight;
    const char* expected;
};

TEST(RemoveSpaces, Table)
{
    const SpaceRow rows[] = {
        {"  a b  ", 1, 0, 0, "ab"},
        {"  a b  ", 0, 1, 0, "a b  "},
        {"  a b  ", 0, 0, 1, "  a b"},
        {"\t a \t", 1, 1, 1, "\ta\t"},
        {"\t a \t", 0, 1, 1, "a"},
        {"  a  ", 0, 0, 0, "  a  "},
        {"", 1, 1, 1, ""},
        {"", 0, 1, 1, ""},
        {"   ", 1, 0, 0, ""},
        {" \t\n\v\f\r", 0, 1, 0, ""},
        {" \t\n\v\f\r", 0, 0, 1, ""},
        {" \t\n\v\f\r", 1, 0, 0, "\t\n\v\f\r"},
        {"\r\nword one\f", 0, 1, 1, "word one"},
        {" x ", -1, 0, 0, "x"},
        {" x ", 0, 7, 0, "x "},
    };
    for (const SpaceRow& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.text)));
        EXPECT_EQ(ZV_RemoveSpaces(row.text, row.removeAll, row.trimLeft, row.trimRight),
                  row.expected);
    }
    EXPECT_EQ(ZV_RemoveSpaces(nullptr, 1, 1, 1), "");
}

} // namespace
