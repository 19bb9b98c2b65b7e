#include "engine/page/page_text_decoder.h"

#include <gtest/gtest.h>

namespace pardovane {
namespace {

// "日本" in each encoding.
const std::string kSjis = "\x93\xFA\x96\x7B";
const std::string kEucJp = "\xC6\xFC\xCB\xDC";
const std::string kIso2022Jp = "\x1B$BF|K\\\x1B(B";
const std::u16string kNihon = u"\u65E5\u672C";

TEST(DetectPageCharset, BomWinsOverHeaderAndMeta)
{
    EXPECT_EQ(DetectPageCharset("\xEF\xBB\xBF<meta charset=euc-jp>", "text/html; charset=Shift_JIS"),
              "UTF-8");
    EXPECT_EQ(DetectPageCharset("\xFE\xFF", "text/html; charset=Shift_JIS"), "UTF-16BE");
    EXPECT_EQ(DetectPageCharset("\xEF\xBB\xBF<meta charset=euc-jp>", "text/html"), "UTF-8");
}

TEST(DetectPageCharset, HeaderWinsOverMeta)
{
    EXPECT_EQ(DetectPageCharset("<meta charset=euc-jp>", "text/html; charset=Shift_JIS"), "CP932");
}

TEST(DetectPageCharset, MetaDeclarationsInBothForms)
{
    EXPECT_EQ(DetectPageCharset("<html><meta charset=\"EUC-JP\">", ""), "EUC-JP-MS");
    EXPECT_EQ(DetectPageCharset(
                  "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-2022-jp\">", ""),
              "ISO-2022-JP-3");
}

TEST(DetectPageCharset, UndeclaredFallsBackToUtf8ThenWindows31j)
{
    EXPECT_EQ(DetectPageCharset("<p>\xE6\x97\xA5</p>", "text/html"), "UTF-8");
    EXPECT_EQ(DetectPageCharset("<p>" + kSjis + "</p>", "text/html"), "CP932");
}

TEST(DetectPageCharset, UnknownLabelIsIgnored)
{
    EXPECT_EQ(DetectPageCharset("<p>x</p>", "text/html; charset=no-such-thing"), "UTF-8");
}

TEST(DecodePageText, JapaneseEncodingsWithAndWithoutDeclaration)
{
    EXPECT_EQ(DecodePageText(kSjis, "text/html; charset=shift_jis"), kNihon);
    EXPECT_EQ(DecodePageText(kSjis, "text/html"), kNihon);
    EXPECT_EQ(DecodePageText(kEucJp, "text/html; charset=EUC-JP"), kNihon);
    EXPECT_EQ(DecodePageText(kIso2022Jp, "text/html; charset=ISO-2022-JP"), kNihon);
    EXPECT_EQ(DecodePageText("<meta charset=euc-jp>" + kEucJp, ""), u"<meta charset=euc-jp>" + kNihon);
}

TEST(DecodePageText, BomIsNotPartOfTheText)
{
    EXPECT_EQ(DecodePageText("\xEF\xBB\xBF<a>", ""), u"<a>");
    EXPECT_EQ(DecodePageText(std::string("\xFF\xFE<\0a\0", 6), ""), u"<a");
}

TEST(DecodePageText, UndecodableBytesBecomeReplacementWithoutCuttingTheText)
{
    // 0x85 0x40 is not a Windows-31J character; the text after it survives.
    const std::u16string text = DecodePageText("a\x85\x40"
                                               "b" + kSjis,
                                               "text/html; charset=shift_jis");
    EXPECT_EQ(text.front(), u'a');
    EXPECT_NE(text.find(u'\uFFFD'), std::u16string::npos);
    EXPECT_EQ(text.substr(text.size() - 3), u"b" + kNihon);
}

TEST(DecodePageText, KeepsNulAndEmptyBody)
{
    EXPECT_EQ(DecodePageText(std::string("<a\0>", 4), "text/html"), std::u16string(u"<a\0>", 4));
    EXPECT_EQ(DecodePageText("", ""), u"");
}

}  // namespace
}  // namespace pardovane
