#include "link_scanner.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace pardovane {
namespace {

using Links = std::vector<std::u16string>;
using Span = std::pair<std::size_t, std::size_t>;  // linkStart, scanPos

// The values as the scanner closes them, cut the way the link handler cuts them.
Links ValuesOf(std::u16string_view page)
{
    Links values;
    LinkScanner scanner;
    scanner.Scan(page, [&](std::size_t linkStart, std::size_t scanPos) {
        EXPECT_LE(linkStart, scanPos);
        values.emplace_back(page.substr(linkStart - 1, scanPos - linkStart));
    });
    return values;
}

std::vector<Span> SpansOf(std::u16string_view page)
{
    std::vector<Span> spans;
    LinkScanner scanner;
    scanner.Scan(page, [&](std::size_t linkStart, std::size_t scanPos) {
        spans.emplace_back(linkStart, scanPos);
    });
    return spans;
}

struct ScanCase {
    const char* name;
    std::u16string_view page;
    Links values;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const ScanCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string CaseName(const testing::TestParamInfo<ScanCase>& info)
{
    return info.param.name;
}

class ScannedValues : public testing::TestWithParam<ScanCase> {};

TEST_P(ScannedValues, AreHandedOnAsWritten)
{
    EXPECT_EQ(ValuesOf(GetParam().page), GetParam().values);
}

// Which tags and attributes are looked at.
INSTANTIATE_TEST_SUITE_P(Tags, ScannedValues, testing::Values(
    ScanCase{"NoTags", u"plain text, with a < b and a > c", {}},
    ScanCase{"LowerCaseAnchor", u"<a href=\"x.html\">x</a>", {u"x.html"}},
    ScanCase{"CapitalTagAndAttribute", u"<A HREF=\"Page.HTML\">x</A>", {u"Page.HTML"}},
    ScanCase{"MixedCaseImage", u"<Img SrC=\"Logo.PNG\">", {u"Logo.PNG"}},
    ScanCase{"AnchorNameFollowedByLineEnd", u"<a\r\nhref=\"x.html\">", {}},
    ScanCase{"AnchorNameFollowedByTab", u"<a\thref=\"x.html\"><img\tsrc=\"y.png\">", {}},
    ScanCase{"AreaLinkScriptAndFrame",
             u"<area href=\"a.html\"><link href=\"s.css\"><script src=\"j.js\"></script>"
             u"<frame src=\"f.html\">",
             {}},
    ScanCase{"SrcOfAnAnchor", u"<a src=\"x.png\">", {}},
    ScanCase{"HrefOfAnImage", u"<img href=\"x.html\">", {}},
    ScanCase{"AnchorWithoutHrefEndsAtItsAngle", u"<a name=\"top\">href=\"no.html\"", {}},
    ScanCase{"HrefAtTheEndOfALongerName", u"<a xhref=\"x.html\" href=\"y.html\">", {u"x.html"}},
    ScanCase{"OnlyTheFirstValueOfATag", u"<a href=\"one.html\" href=\"two.html\">", {u"one.html"}},
    ScanCase{"RestOfTheTagScannedForOpenings", u"<a href=\"1.html\" title=\"<a href=2.html>\">",
             {u"1.html", u"2.html"}},
    ScanCase{"SeveralTagsInPageOrder", u"<a href=\"1\"><img alt=x src=\"2\"><a id=q href=3>",
             {u"1", u"2", u"3"}},
    ScanCase{"BlankBeforeEquals", u"<a href =\"x.html\">y</a><img src =\"z.png\">", {}},
    ScanCase{"BlankAfterEquals", u"<a href= \"x.html\">", {u""}},
    ScanCase{"BlankAfterImageEquals", u"<img src= x.png>", {u""}}),
    CaseName);

// Where a value ends, and what stays inside it.
INSTANTIATE_TEST_SUITE_P(Ends, ScannedValues, testing::Values(
    ScanCase{"UnquotedEndsAtAngle", u"<a href=page.html>", {u"page.html"}},
    ScanCase{"UnquotedEndsAtSpace", u"<a href=page.html title=x>", {u"page.html"}},
    ScanCase{"UnquotedEmptyBeforeAngle", u"<a href=>", {u""}},
    ScanCase{"UnquotedImageSource", u"<img src=p.png>", {u"p.png"}},
    ScanCase{"QuotedImageSource", u"<img src=\"p.png\" alt=\"\">", {u"p.png"}},
    ScanCase{"SpaceInsideQuotes", u"<a href=\"my page.html\">", {u"my"}},
    ScanCase{"OneCharacterQuoted", u"<a href=\"x\">", {u"x"}},
    ScanCase{"FirstQuotedCharacterIsNeverAnEnd", u"<a href=\">x\"><a href=\" y\">", {u">x", u" y"}},
    ScanCase{"EmptyQuotedClosesOnTheTagEnd", u"<a href=\"\">next</a>", {u"\""}},
    ScanCase{"EmptyQuotedRunsToTheNextEnd", u"<a href=\"\"x.html\">", {u"\"x.html"}},
    ScanCase{"EmptyQuotedBeforeASpace", u"<a href=\"\" title=\"t\">", {u"\""}},
    ScanCase{"Apostrophes", u"<a href='page.html'>", {u"'page.html'"}},
    ScanCase{"ApostrophesAroundASpace", u"<a href='my page.html'>", {u"'my"}},
    ScanCase{"TabInside", u"<a href=\"a\tb.html\">", {u"a\tb.html"}},
    ScanCase{"LineEndInsideQuoted", u"<a href=\"a\r\nb.html\">", {u"a\r\nb.html"}},
    ScanCase{"LineEndInsideUnquoted", u"<a href=a\nb.html>", {u"a\nb.html"}},
    ScanCase{"WideSpacesInside", u"<a href=\"a\u00A0b\u3000c\">", {u"a\u00A0b\u3000c"}},
    ScanCase{"CharacterReferenceUndecoded", u"<a href=\"q.cgi?a=1&amp;b=2\">", {u"q.cgi?a=1&amp;b=2"}},
    ScanCase{"CommentOpeningInsideAValue", u"<a href=x<!--y>", {u"x<!--y"}},
    ScanCase{"UnterminatedQuoted", u"<a href=\"x.html", {}},
    ScanCase{"UnterminatedUnquoted", u"<a href=\"a.html\"><img src=b.png", {u"a.html"}},
    ScanCase{"QuoteAtTheVeryEnd", u"<a href=\"", {}}),
    CaseName);

// Comments hide everything up to "-->".
INSTANTIATE_TEST_SUITE_P(Comments, ScannedValues, testing::Values(
    ScanCase{"LinkInsideComment", u"<!-- <a href=\"x.html\"> -->", {}},
    ScanCase{"LinkRightAfterComment", u"<!-- old --><a href=\"y.html\">", {u"y.html"}},
    ScanCase{"OnlyTheFullArrowEnds", u"<!-- -> -- > <a href=\"x\"> --><a href=\"y\">", {u"y"}},
    ScanCase{"UnclosedComment", u"<!-- <a href=\"x.html\">", {}},
    ScanCase{"CommentOpeningInsideATag", u"<a <!-- href=\"x.html\">", {u"x.html"}}),
    CaseName);

TEST(LinkScannerPositions, QuotedValueStartsAfterTheQuoteAndClosesOnTheEndCharacter)
{
    // "<a " is positions 1-3, href=" 4-9, x 10, the closing quote 11.
    EXPECT_EQ(SpansOf(u"<a href=\"x\">"), (std::vector<Span>{{10, 11}}));
}

TEST(LinkScannerPositions, UnquotedValueStartsAfterTheEquals)
{
    EXPECT_EQ(SpansOf(u"<a href=x>"), (std::vector<Span>{{9, 10}}));
    EXPECT_EQ(SpansOf(u"<img src=x>"), (std::vector<Span>{{10, 11}}));
}

TEST(LinkScannerPositions, EmptyQuotedValueStartsOnItsClosingQuote)
{
    EXPECT_EQ(SpansOf(u"<a href=\"\" >"), (std::vector<Span>{{10, 11}}));
}

TEST(LinkScannerPositions, CountUtf16CodeUnits)
{
    // U+1F600 is a surrogate pair: two positions.
    EXPECT_EQ(SpansOf(u"\U0001F600<a href=\"x\">"), (std::vector<Span>{{12, 13}}));
}

TEST(LinkScannerEnd, PageWithoutTagsStaysOutside)
{
    LinkScanner scanner;
    int calls = 0;
    scanner.Scan(u"just text", [&](std::size_t, std::size_t) { ++calls; });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(scanner.state(), LinkScanner::kOutside);
    EXPECT_EQ(scanner.scanPos(), 10u);
}

TEST(LinkScannerEnd, PageEndingInsideAValueLeavesItOpen)
{
    LinkScanner scanner;
    int calls = 0;
    scanner.Scan(u"<a href=\"x.html", [&](std::size_t, std::size_t) { ++calls; });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(scanner.state(), LinkScanner::kInHref);
    EXPECT_EQ(scanner.linkStart(), 10u);
}

TEST(LinkScannerEnd, EachScanStartsOutside)
{
    LinkScanner scanner;
    Links values;
    scanner.Scan(u"<!-- never closed", [](std::size_t, std::size_t) {});
    ASSERT_EQ(scanner.state(), LinkScanner::kInComment);
    const std::u16string_view page = u"<a href=y>";
    scanner.Scan(page, [&](std::size_t start, std::size_t pos) {
        values.emplace_back(page.substr(start - 1, pos - start));
    });
    EXPECT_EQ(values, (Links{u"y"}));
}

}  // namespace
}  // namespace pardovane
