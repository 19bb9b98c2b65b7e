#include "engine/page/utf_convert.h"

#include <gtest/gtest.h>

namespace pardovane {
namespace {

TEST(Utf8ToUtf16, DecodesJapaneseAndAstralCharacters)
{
    EXPECT_EQ(Utf8ToUtf16("a\xE3\x81\x82\xF0\x9F\x98\x80"), std::u16string(u"a\u3042\U0001F600"));
}

TEST(Utf8ToUtf16, InvalidBytesBecomeReplacementAndTextGoesOn)
{
    // A stray continuation byte, a truncated sequence, an overlong form and a
    // surrogate encoded in UTF-8 are each replaced, and what follows is kept.
    EXPECT_EQ(Utf8ToUtf16("a\x80"
                          "b"),
              std::u16string(u"a\uFFFDb"));
    EXPECT_EQ(Utf8ToUtf16("a\xE3\x81"), std::u16string(u"a\uFFFD\uFFFD"));
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"
                          "x"),
              std::u16string(u"\uFFFD\uFFFDx"));
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD"));
}

TEST(Utf8ToUtf16, KeepsNulCharacters)
{
    EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf16ToUtf8, RoundTripsAndReplacesLoneSurrogates)
{
    const std::u16string text = u"\u3000URL\U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(IsValidUtf8, TellsValidFromInvalid)
{
    EXPECT_TRUE(IsValidUtf8("plain \xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_FALSE(IsValidUtf8("\x82\xA0"));          // Shift_JIS for U+3042
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
}

}  // namespace
}  // namespace pardovane
