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

// What a browser loads from a page, and the places a #fragment may name, as
// "kind:value" in the order written ("sheet" for a stylesheet's link).
std::vector<std::u16string> Everything(std::u16string_view page)
{
    std::vector<std::u16string> values;
    LinkScanner scanner({.resources = true, .ids = true});
    scanner.Scan(page, [&](LinkScanner::Element element, std::size_t offset, std::size_t length) {
        const std::string kind = element == LinkScanner::Element::Stylesheet ? "sheet" : ElementName(element);
        values.push_back(std::u16string(kind.begin(), kind.end()) + u":"
                         + std::u16string(page.substr(offset, length)));
        return true;
    });
    return values;
}

const Shape kResourceShapes[] = {
    {"LinksByRel",
     u"<link rel=\"Alternate StyleSheet\" href=a><link rel=\"preconnect dns-prefetch\" href=b>"
     u"<link rel=\"icon preconnect\" href=c><link href=d>",
     {u"sheet:a", u"link:c", u"link:d"}},
    {"MediaFramesAndObjects",
     u"<video poster=p src=v><audio src=a><track src=t><source src=s srcset=\"x 1x\"><object data=o>"
     u"<embed src=e><iframe src=i></iframe><frame src=f><area href=r><script src=j></script>",
     {u"video:p", u"video:v", u"audio:a", u"track:t", u"source:s", u"srcset:x 1x", u"object:o", u"embed:e",
      u"iframe:i", u"frame:f", u"area:r", u"script:j"}},
    {"OnlyImageInputsAndRefreshMetas",
     u"<input type=IMAGE src=1><input src=2><meta http-equiv=Refresh content=\"0;url=x\"><meta content=y>",
     {u"input:1", u"meta:0;url=x"}},
    {"StyleTextAndAttributes",
     u"<style>a{b:url(x)}</style><p style=\"c:url(y)\">",
     {u"css:a{b:url(x)}", u"css:c:url(y)"}},
    {"IdsAndAnchorNames", u"<p id=x><a name=y id=z href=h>", {u"id:x", u"id:y", u"id:z", u"a:h"}},
};

class ResourceShapes : public ::testing::TestWithParam<Shape> { };

TEST_P(ResourceShapes, FindsWhatABrowserLoads)
{
    EXPECT_EQ(Everything(GetParam().page), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Html, ResourceShapes, ::testing::ValuesIn(kResourceShapes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pardovane
