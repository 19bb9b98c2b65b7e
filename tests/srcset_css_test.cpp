#include "engine/page/css_links.h"
#include "engine/page/refresh_url.h"
#include "engine/page/srcset_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pardovane {
namespace {

using Texts = std::vector<std::u16string>;

struct Case {
    const char* name;
    std::u16string_view input;
    Texts found;
};

std::string NameOf(const ::testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

// Each candidate as the URL written.
const Case kSrcsets[] = {
    {"DescriptorsOfEachKind", u"a.png 1x, b.png 100w ,c.png\t1.5x", {u"a.png", u"b.png", u"c.png"}},
    {"CommasInsideUrls",
     u"a,b.png 1x,data:image/png;base64,AA== 2x",
     {u"a,b.png", u"data:image/png;base64,AA=="}},
    {"CommasAndSpacesAround", u" ,, a.png,, b.png , ", {u"a.png", u"b.png"}},
    {"NoCandidates", u" , ", {}},
    {"DescriptorsThatMakeNoSense",
     u"a 50w 1x, b 0w, c 2y, d 1.x, e 100w 50h, f 50h, g -1x, h .5x, i 1x 2x, j 1e400x",
     {u"e", u"h"}},
    {"CommaInParenthesesDoesNotSplit", u"a (x, y), b 2x, c (d, e", {u"b"}},
};

class Srcset : public ::testing::TestWithParam<Case> { };

TEST_P(Srcset, FindsTheCandidatesABrowserWouldLoad)
{
    Texts urls;
    for (const SrcsetCandidate& candidate : SrcsetUrls(GetParam().input))
        urls.emplace_back(GetParam().input.substr(candidate.offset, candidate.length));
    EXPECT_EQ(urls, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Values, Srcset, ::testing::ValuesIn(kSrcsets), NameOf);

// Each link as "written|url", "@" first for an @import. A hex escape owns
// the space after it, so that space is part of what is written.
const Case kStyleSheets[] = {
    {"CommentsHoldNoLinks", u"/* url(a) */ b { c: url(d) } /* url(e)", {u"d|d"}},
    {"StringsAreUrlsOnlyInsideUrl",
     u"a { content: \"x\"; b: url( \"y\" ) format(\"woff2\"); c: url(\"z\" url(w)) url(v) }",
     {u"y|y", u"v|v"}},
    {"EscapesInBothForms",
     u"a { b: URL( c\\29 .png ); d: url('e\\'f\\\ng'); h: u\\rl(i\\0 \\110000 \\D83D\\1F600 ) }",
     {u"c\\29 .png|c).png", u"e\\'f\\\ng|e'fg",
      u"i\\0 \\110000 \\D83D\\1F600 |i\uFFFD\uFFFD\uFFFD\U0001F600"}},
    {"BadOrEmptyUrlsGiveNothing",
     u"a { b: url(c d); e: url(f\"g); h: url(i(j)); k: url(); l: url(  ); m: url(\"n\n); o: 1url(p) #url(q);"
     u" r: url(s\\)) }",
     {u"s\\)|s)"}},
    {"ImportsBeforeOtherRulesOnly",
     u"@charset \"utf-8\"; @layer base; @IMPORT \"a.css\" screen; @import url(b.css);"
     u" @import url(\"c.css\") supports(x: url(d)); p {} @import \"e.css\";",
     {u"@a.css|a.css", u"@b.css|b.css", u"@c.css|c.css"}},
    {"AtRulePreludesAreNoLinks",
     u"@namespace url(n); @import 'x'; @media print { a { b: url(c) } }"
     u" @font-face { src: url(f.woff2) format(\"woff2\"), url('g.ttf') }",
     {u"c|c", u"f.woff2|f.woff2", u"g.ttf|g.ttf"}},
    {"ImportWithABlockIsNone", u"@import 'a' { } @import 'b';", {}},
    {"TextMayEndAnywhere", u"@import 'a", {u"@a|a"}},
};

class StyleSheet : public ::testing::TestWithParam<Case> { };

TEST_P(StyleSheet, FindsTheUrlsABrowserLoads)
{
    Texts links;
    for (const CssLink& link : CssLinks(GetParam().input))
        links.push_back((link.import ? u"@" : u"")
                        + std::u16string(GetParam().input.substr(link.offset, link.length)) + u"|"
                        + link.url);
    EXPECT_EQ(links, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Css, StyleSheet, ::testing::ValuesIn(kStyleSheets), NameOf);

// The URL a refresh names, or none.
const Case kRefreshes[] = {
    {"UrlEquals", u"0; url=a", {u"a"}}, {"QuotedAndUpperCase", u"5;URL='b' x", {u"b"}},
    {"Comma", u"0,url=c", {u"c"}},      {"SpacesAroundAll", u" 3.5 ; url = \"d\"", {u"d"}},
    {"BareUrl", u".5 'e f", {u"e f"}},  {"PartOfUrlEquals", u"1; urx=g", {u"urx=g"}},
    {"NoTime", u"url=h", {}},           {"BadTime", u"-1; url=i", {}},
    {"TimeRunsIntoUrl", u"5url=j", {}}, {"PlainReloads", u"0", {}},
    {"EmptyUrl", u"0; url=' '", {}},
};

class Refresh : public ::testing::TestWithParam<Case> { };

TEST_P(Refresh, NamesTheUrlABrowserFollows)
{
    const auto span = RefreshUrl(GetParam().input);
    Texts urls;
    if (span)
        urls.emplace_back(GetParam().input.substr(span->first, span->second));
    EXPECT_EQ(urls, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Content, Refresh, ::testing::ValuesIn(kRefreshes), NameOf);

}  // namespace
}  // namespace pardovane
