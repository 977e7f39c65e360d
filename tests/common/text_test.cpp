// The Windows-1252 text helpers: upper-casing a to z alone, and the two
// conversions with UTF-8.
#include <gtest/gtest.h>

#include "common/text.h"

namespace {

TEST(Text, UpperCasingChangesATozAlone)
{
    EXPECT_EQ(UpperCaseAscii("abz AZ \xE9t\xE9 {}`@[0]"), "ABZ AZ \xE9T\xE9 {}`@[0]");
}

TEST(Text, Utf8ToCp1252SpellsWhatItHasAndMarksTheRest)
{
    const struct {
        const char* what;
        std::string utf8, cp1252;
    } cases[] = {
        {"ASCII", "C:\\x.exe", "C:\\x.exe"},
        {"Latin-1 letters", "caf\xC3\xA9 \xC3\xBF", "caf\xE9 \xFF"},
        {"the euro and the other 0x80-0x9F signs", "\xE2\x82\xAC \xC5\x92 \xE2\x84\xA2", "\x80 \x8C \x99"},
        {"a letter the code page lacks", "\xC5\x81ukasz", "?ukasz"},
        {"fullwidth letters are no look-alikes", "\xEF\xBC\xA1\xEF\xBC\xA2", "??"},
        {"four bytes, one character", "\xF0\x9F\x98\x80!", "?!"},
        {"a lone lead byte", "a\xC3", "a?"},
        {"a cut sequence", "\xE2\x82", "??"},
        {"an overlong slash", "\xC0\xAF", "??"},
        {"a surrogate half", "\xED\xA0\x80", "???"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"a stray continuation byte", "\x80x", "?x"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.what;
}

TEST(Text, EveryUsedCp1252ByteGoesToUtf8AndBack)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    std::string back = Utf8ToCp1252(Cp1252ToUtf8(all));
    // The five bytes Windows-1252 leaves unused come back as "?".
    for (const unsigned char unused : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) all[unused - 1] = '?';
    EXPECT_EQ(back, all);
}

TEST(Text, AFieldKeepsToItsLine)
{
    EXPECT_EQ(OneLineField("C:\\a\tb\r\nc\x7F\x01.exe \xE9"), "C:\\a?b??c??.exe \xE9");
}

TEST(Text, TheSystemFolderIsReachedThroughSysnative)
{
    const struct {
        const char* path;
        const char* windows;
        const char* through;
    } cases[] = {
        {"C:\\Windows\\System32\\version.dll", "C:\\Windows", "C:\\Windows\\Sysnative\\version.dll"},
        {"c:\\windows\\system32\\drivers\\x.sys", "C:\\WINDOWS\\", "c:\\windows\\Sysnative\\drivers\\x.sys"},
        {"C:\\Windows\\System32", "C:\\Windows", "C:\\Windows\\Sysnative"},
        {"C:\\Windows\\SysWOW64\\x.dll", "C:\\Windows", "C:\\Windows\\SysWOW64\\x.dll"},
        {"C:\\Windows\\System32x\\x.dll", "C:\\Windows", "C:\\Windows\\System32x\\x.dll"},
        {"C:\\Windows2\\System32\\x.dll", "C:\\Windows", "C:\\Windows2\\System32\\x.dll"},
        {"C:\\a\\Windows\\System32\\x.dll", "C:\\Windows", "C:\\a\\Windows\\System32\\x.dll"},
        {"D:\\Windows\\System32\\x.dll", "C:\\Windows", "D:\\Windows\\System32\\x.dll"},
        {"C:\\Windows\\System32\\x.dll", "", "C:\\Windows\\System32\\x.dll"},
        {"C:\\Windows", "C:\\Windows", "C:\\Windows"},
    };
    for (const auto& c : cases) EXPECT_EQ(ThroughSysnative(c.path, c.windows), c.through) << c.path << " in " << c.windows;
    EXPECT_TRUE(IsSystemFolderEntry("C:\\WINDOWS\\", "system32", "C:\\Windows"));
    EXPECT_FALSE(IsSystemFolderEntry("C:\\WINDOWS\\Temp\\", "system32", "C:\\Windows"));
}

} // namespace
