#include "engine/page/link_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pardovane {
namespace {

// Every value the scanner reports, as "a:", "img:" or "base:" and the value.
std::vector<std::u16string> Values(std::u16string_view page)
{
    std::vector<std::u16string> values;
    LinkScanner scanner;
    scanner.Scan(page, [&](LinkScanner::Element element, std::size_t offset, std::size_t length) {
        const char16_t* kind = element == LinkScanner::Element::Anchor ? u"a:"
            : element == LinkScanner::Element::Image                   ? u"img:"
                                                                       : u"base:";
        values.push_back(kind + std::u16string(page.substr(offset, length)));
        return true;
    });
    return values;
}

using Found = std::vector<std::u16string>;

struct Shape {
    const char* name;
    std::u16string_view page;
    Found found;
};

const Shape kShapes[] = {
    {"QuotedUnquotedAndApostrophes",
     u"<A HREF=\"d\"><a href=u><a href='s'><IMG SRC=i>",
     {u"a:d", u"a:u", u"a:s", u"img:i"}},
    {"BlanksAndLineEndsAroundNames",
     u"<a\r\nhref = \"x\" ><img\tsrc\n=\ny/><a/href=z/>",
     {u"a:x", u"img:y/", u"a:z/"}},
    {"EmptyAndBareValues", u"<a href=\"\"><a href><a href=>", {u"a:", u"a:", u"a:"}},
    {"FirstHrefOnlyAndNoLookalikes",
     u"<a data-href=1 hreff=2 href=3 href=4><img srcset=5 src=6>",
     {u"a:3", u"img:6"}},
    {"OtherTagsAreNotLinks", u"<abbr href=1><image src=2><area href=3><link href=4><a>", {}},
    {"MarkupInsideQuotesIsText", u"<p title=\"<a href=1>\"><a title='>' href=\"2>\">", {u"a:2>"}},
    {"ValuesKeepLineEndsAndReferences", u"<a href=\"a\r\nb&amp;c\">", {u"a:a\r\nb&amp;c"}},
    {"CommentsScriptsAndStylesHoldNoLinks",
     u"<!-- <a href=1> --><script type=x>'<a href=2>'</SCRIPT ><a href=3>"
     u"<style>a{}<a href=4></style><a href=5>",
     {u"a:3", u"a:5"}},
    {"BaseIsReportedToo", u"<base href=\"/b/\"><a href=x>", {u"base:/b/", u"a:x"}},
    {"UnclosedValueOrTagGivesNothing", u"<a href=1><a href=\"2", {u"a:1"}},
    {"UnclosedTagGivesNothing", u"<a href=1><img src=2 alt", {u"a:1"}},
    {"UnclosedCommentHidesTheRest", u"<!-- <a href=1>", {}},
    {"UnclosedScriptHidesTheRest", u"<script><a href=1>", {}},
};

class LinkScannerShapes : public ::testing::TestWithParam<Shape> { };

TEST_P(LinkScannerShapes, FindsTheLinksABrowserFinds)
{
    EXPECT_EQ(Values(GetParam().page), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Html, LinkScannerShapes, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pardovane
