#include "engine/page/page_links.h"
#include "engine/page/place_counter.h"
#include "engine/page/utf_convert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pardovane {
namespace {

struct Placed {
    const char* name;
    std::string bytes;  // UTF-8, as the file holds it
    bool stylesheet;    // the bytes are a stylesheet, not a page
    std::uint32_t line;
    std::uint32_t column;
};

const Placed kPlaced[] = {
    {"FirstLine", "<p><a href=\"x.html\">", false, 1, 13},
    {"AfterCrLf", "<p>\r\n\r\n  <a href=x.html>", false, 3, 11},
    {"AfterLoneCr", "<p>\r\r<img src='x.png'>", false, 3, 11},
    {"LfAfterCrIsOneLineEnd", "\r\n\n\r<a href=x>", false, 4, 9},
    {"MultiLineTag", "<a\n  class=c\n  href=\"x.html\">", false, 3, 9},
    {"ValueOnTheLineAfterHref", "<a href=\n\"x.html\">", false, 2, 2},
    {"NonAsciiLine", "<p>\xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80 <a href=x>", false, 1, 16},
    {"StylesheetUrl", "a{}\r\nb {\n  background: url(\"x.png\")\n}", true, 3, 20},
    {"StyleElementUrl", "<style>\n\xc3\xa9 { b: url(x.png) }</style>", false, 2, 12},
};

// The place a link's value begins, found from the bytes alone: the text of
// the given line, from the given column, in code points.
std::u16string FromBytes(const std::string& bytes, std::uint32_t line, std::uint32_t column)
{
    std::size_t begin = 0;
    for (std::uint32_t n = 1; n < line; ++n) {
        begin = bytes.find_first_of("\r\n", begin);
        if (begin == std::string::npos)
            return {};
        begin += bytes.compare(begin, 2, "\r\n") == 0 ? 2 : 1;
    }
    std::u16string text = Utf8ToUtf16(bytes.substr(begin, bytes.find_first_of("\r\n", begin) - begin));
    std::size_t at = 0;
    for (std::uint32_t n = 1; n < column && at < text.size(); ++n)
        at += StartsSurrogatePair(text, at) ? 2 : 1;
    return text.substr(at);
}

class Places : public ::testing::TestWithParam<Placed> { };

TEST_P(Places, ValueBeginsThereInTheBytes)
{
    const Placed& c = GetParam();
    const std::u16string text = Utf8ToUtf16(c.bytes);
    std::vector<PageLink> links;
    const auto keep = [&links](const PageLink& link) { links.push_back(link); };
    if (c.stylesheet)
        ForEachSheetLink(text, u"http://h/s.css", {}, keep);
    else
        ForEachPageLink(text, u"http://h/p.html", "utf-8", {}, keep, true);
    ASSERT_EQ(links.size(), 1u);
    PlaceCounter places(text);
    const TextPlace place = places.At(links[0].start - 1);
    EXPECT_EQ(place.line, c.line);
    EXPECT_EQ(place.column, c.column);
    const std::u16string value = text.substr(links[0].start - 1, links[0].length);
    EXPECT_TRUE(FromBytes(c.bytes, c.line, c.column).starts_with(value)) << Utf16ToUtf8(value);
}

INSTANTIATE_TEST_SUITE_P(Table, Places, ::testing::ValuesIn(kPlaced),
                         [](const auto& info) { return std::string(info.param.name); });

// Asked out of order, the counter counts again and gives the same places.
TEST(PlaceCounter, EarlierOffsetAfterLaterOne)
{
    PlaceCounter places(u"a\nb\r\nc");
    EXPECT_EQ(places.At(5).line, 3u);
    const TextPlace early = places.At(2);
    EXPECT_EQ(early.line, 2u);
    EXPECT_EQ(early.column, 1u);
}

}  // namespace
}  // namespace pardovane
