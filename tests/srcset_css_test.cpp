#include "engine/page/srcset_parser.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace pardovane
