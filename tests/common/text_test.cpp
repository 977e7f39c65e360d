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

} // namespace
