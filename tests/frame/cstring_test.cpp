#include "zvdll.h"

#include <gtest/gtest.h>

#include <string>

using zv::CString;

namespace {

std::string S(const CString& s)
{
    return std::string(s.GetString(), static_cast<size_t>(s.GetLength()));
}

TEST(CString, ConstructionAndValueSemantics)
{
    EXPECT_TRUE(CString(nullptr).IsEmpty());
    EXPECT_STREQ(CString(nullptr).GetString(), "");
    EXPECT_EQ(S(CString('x', 1)), "x");
    EXPECT_EQ(S(CString('x', 3)), "xxx");
    EXPECT_TRUE(CString('x', 0).IsEmpty());
    EXPECT_TRUE(CString('x', -2).IsEmpty());

    CString a("abc");
    CString b = a;
    b += "d";
    EXPECT_EQ(S(a), "abc") << "a copy must not share its bytes";
    EXPECT_EQ(S(b), "abcd");

    CString moved = std::move(b);
    EXPECT_EQ(S(moved), "abcd");
    b = "again";  // a moved-from string is assignable
    EXPECT_EQ(S(b), "again");

    CString self("self");
    self = self.GetString();  // assignment from its own bytes
    EXPECT_EQ(S(self), "self");
    const char* view = a;
    EXPECT_STREQ(view, "abc");
}

TEST(CString, LeftRightMidClamp)
{
    const CString five("abcde");
    EXPECT_EQ(S(five.Left(-1)), "");
    EXPECT_EQ(S(five.Right(-1)), "");
    EXPECT_EQ(S(five.Left(0)), "");
    EXPECT_EQ(S(five.Left(2)), "ab");
    EXPECT_EQ(S(five.Right(2)), "de");
    EXPECT_EQ(S(five.Left(9)), "abcde");
    EXPECT_EQ(S(five.Right(9)), "abcde");
    EXPECT_EQ(S(five.Mid(3, 10)), "de");
    EXPECT_EQ(S(five.Mid(7, 1)), "");
    EXPECT_EQ(S(five.Mid(5, 1)), "");
    EXPECT_EQ(S(five.Mid(-2, 2)), "ab") << "a negative start counts as 0";
    EXPECT_EQ(S(five.Mid(1, -4)), "") << "a negative count counts as 0";
    EXPECT_EQ(S(five.Mid(1)), "bcde");
    EXPECT_EQ(S(five.Mid(2, 0x7fffffff)), "cde") << "start + count must not overflow";
}

TEST(CString, Searches)
{
    const CString s("a.b.c");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 3);
    EXPECT_EQ(s.Find('.', 5), -1) << "a start at the length finds nothing";
    EXPECT_EQ(s.Find('.', 99), -1);
    EXPECT_EQ(s.Find('z'), -1);
    EXPECT_EQ(s.ReverseFind('.'), 3);
    EXPECT_EQ(s.ReverseFind('z'), -1);
    EXPECT_EQ(CString().ReverseFind('a'), -1);
    EXPECT_EQ(s.Find("b.c"), 2);
    EXPECT_EQ(s.Find("x"), -1);
}

TEST(CString, TrimsTheSixWhiteSpaceBytes)
{
    CString s(" \t\n\v\f\rword \t\n\v\f\r");
    s.TrimLeft();
    EXPECT_EQ(S(s), "word \t\n\v\f\r");
    s.TrimRight();
    EXPECT_EQ(S(s), "word");

    CString blank(" \t \r\n");
    blank.TrimRight();
    EXPECT_TRUE(blank.IsEmpty());

    CString inner("  a b  ");
    inner.TrimLeft().TrimRight();
    EXPECT_EQ(S(inner), "a b");
    CString other("\xa0x\xa0");  // non-ASCII bytes are not white space
    other.TrimLeft();
    EXPECT_EQ(other.GetLength(), 3);
}

TEST(CString, FormatConcatenateCompare)
{
    CString s;
    s.Format("%d-%s-%05.1f", -3, "x", 2.25);
    EXPECT_EQ(S(s), "-3-x-002.2");
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());

    EXPECT_EQ(S(CString("a") + CString("b")), "ab");
    EXPECT_EQ(S(CString("a") + "b"), "ab");
    EXPECT_EQ(S("a" + CString("b")), "ab");
    EXPECT_EQ(S(CString("a") + 'b'), "ab");
    EXPECT_EQ(S('a' + CString("b")), "ab");
    CString grown;
    grown += 'x';
    grown += nullptr;
    grown += CString("y");
    EXPECT_EQ(S(grown), "xy");

    EXPECT_TRUE(CString("Abc") == "Abc");
    EXPECT_FALSE(CString("Abc") == "abc");
    EXPECT_TRUE(CString("Abc") != CString("abc"));
    EXPECT_EQ(CString(".JPG").CompareNoCase(".jpg"), 0);
    EXPECT_NE(CString(".JPG").CompareNoCase(".jpe"), 0);
    EXPECT_NE(CString("JPG").CompareNoCase("JPGX"), 0);
    EXPECT_NE(CString("\xc4").CompareNoCase("\xe4"), 0) << "only ASCII letters fold";
    CString mixed("aZ09_\xe4.Jpg");
    mixed.MakeUpper();
    EXPECT_EQ(S(mixed), "AZ09_\xe4.JPG");
    mixed.MakeLower();
    EXPECT_EQ(S(mixed), "az09_\xe4.jpg");
}

TEST(CString, BytesAreNotCharacters)
{
    const CString utf8("D:\\Fotos\\\xc3\xa9t\xc3\xa9.jpg");  // été
    EXPECT_EQ(utf8.GetLength(), 18);
    EXPECT_EQ(utf8.ReverseFind('\\'), 8);
    EXPECT_EQ(S(utf8.Mid(9)), "\xc3\xa9t\xc3\xa9.jpg");
}

// What a C host relies on: a null string reads as empty everywhere, a result is never null,
// and changes that may reallocate read their argument first (it may be the string itself).
TEST(CString, TheCFormReadsNullAsEmptyAndNeverReturnsNull)
{
    EXPECT_STREQ(ZvStringText(nullptr), "");
    EXPECT_EQ(ZvStringLength(nullptr), 0);
    EXPECT_EQ(ZvStringFindChar(nullptr, 'a', 0), -1);
    EXPECT_EQ(ZvStringCompare(nullptr, nullptr), 0);
    ZvString* name = zv::c::ZV_GetFileName("C:\\folder\\");
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(ZvStringText(name), "");
    ZvStringAppend(&name, "ab", 2);
    ZvStringAppendText(&name, ZvStringText(name));
    EXPECT_STREQ(ZvStringText(name), "abab");
    ZvStringFree(name);

    ZvString* grown = nullptr;
    ZvStringTrimLeft(grown);
    ZvStringAssign(&grown, "x");
    ASSERT_NE(grown, nullptr);
    EXPECT_STREQ(ZvStringText(grown), "x");
    ZvStringFree(grown);

    CString twice("ab");
    twice += twice;
    EXPECT_EQ(S(twice), "abab");
    EXPECT_EQ(ZV_GetFloatValue(CString(" 12.50 "), 0), ZV_GetFloatValue(" 12.50 ", 0));
}

TEST(CStringArray, GrowsAndShrinks)
{
    zv::CStringArray list;
    EXPECT_EQ(list.GetSize(), 0);
    list.SetAtGrow(2, "c");
    EXPECT_EQ(list.GetSize(), 3);
    EXPECT_TRUE(list[0].IsEmpty());
    EXPECT_EQ(S(list.GetAt(2)), "c");
    list.SetAtGrow(0, "a");
    EXPECT_EQ(S(list[0]), "a");
    const zv::CStringArray copy = list;
    list[2] = "changed";
    EXPECT_EQ(S(copy[2]), "c") << "a copy must not share its strings";
    list.SetSize(0);
    EXPECT_EQ(list.GetSize(), 0);
    EXPECT_EQ(list.Add("z"), 0);
}

} // namespace
