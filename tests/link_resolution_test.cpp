#include "link_resolution.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace pardovane {
namespace {

struct ResolveCase {
    const char* name;
    std::u16string_view base;
    std::u16string_view link;
    std::u16string_view url;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const ResolveCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string CaseName(const testing::TestParamInfo<ResolveCase>& info)
{
    return info.param.name;
}

class ResolvedLinks : public testing::TestWithParam<ResolveCase> {};

TEST_P(ResolvedLinks, JoinToTheBaseWithDotSequencesRemoved)
{
    EXPECT_EQ(ResolveLink(GetParam().base, GetParam().link), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(Examples, ResolvedLinks, testing::Values(
    ResolveCase{"PlainName", u"http://h/dir/", u"page.html", u"http://h/dir/page.html"},
    ResolveCase{"ParentOfTheDirectory", u"http://h/dir/", u"../page.html", u"http://h/page.html"},
    ResolveCase{"CurrentDirectory", u"http://h/dir/", u"./page.html", u"http://h/dir/page.html"},
    ResolveCase{"TwoParentsLoseOnlyOne", u"http://h/a/b/", u"../../page.html", u"http://h/a/../page.html"},
    ResolveCase{"LeadingSlashJoinsTheDirectory", u"http://h/dir/", u"/top.html", u"http://h/dir//top.html"},
    ResolveCase{"DotSlashInsideAName", u"http://h/dir/", u"old./page.html", u"http://h/dir/oldpage.html"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Edges, ResolvedLinks, testing::Values(
    ResolveCase{"EmptyLinkIsTheDirectory", u"http://h/dir/", u"", u"http://h/dir/"},
    ResolveCase{"FragmentStaysAttached", u"http://h/dir/", u"#top", u"http://h/dir/#top"},
    ResolveCase{"CharacterReferenceUndecoded", u"http://h/dir/", u"q.cgi?a=1&amp;b=2",
                u"http://h/dir/q.cgi?a=1&amp;b=2"},
    ResolveCase{"DotSlashThenParentAtTheSamePlace", u"http://h/a/b/", u"./../x.html", u"http://h/a/b/.x.html"},
    ResolveCase{"ParentAtTheTopOfASiteLosesTheHost", u"http://h/", u"../f.html", u"http://f.html"},
    ResolveCase{"BaseEndingInTheDoubleSlash", u"http://", u"x.html", u"http://x.html"},
    ResolveCase{"DotSlashInTheBase", u"http://h/./a/", u"x", u"http://h/a/x"},
    ResolveCase{"ParentAfterAPartialName", u"http://h/dir/", u"a../b", u"http://h/dir/b"},
    ResolveCase{"FourDots", u"http://h/d/", u"..../x", u"http://h/d/x"},
    ResolveCase{"ThreeParentsLoseOneLevel", u"http://h/a/b/c/", u"../../../x", u"http://h/a/b/x"},
    ResolveCase{"ParentLeavesItsRestUntested", u"http://h/a/b/", u"../x/../y", u"http://h/a/x/.y"},
    ResolveCase{"ParentInTheQuery", u"http://h/a/", u"x.html?p=../q", u"http://h/a/q"},
    ResolveCase{"ParentBeforeASlash", u"http://h/dir/", u"..//x", u"http://h//x"},
    ResolveCase{"RunOfDotSlashesLosesEveryOther", u"http://h/", u"././././x", u"http://h/././x"},
    ResolveCase{"ParentAlone", u"http://h/dir/", u"../", u"http://h/"},
    ResolveCase{"TwoDotsAtTheEnd", u"http://h/dir/", u"a/..", u"http://h/dir/a/.."},
    ResolveCase{"OneDotAtTheEnd", u"http://h/dir/", u".", u"http://h/dir/."},
    ResolveCase{"EncodedSlashIsNoSlash", u"http://h/a/b/", u"..%2Fx", u"http://h/a/b/..%2Fx"}),
    CaseName);

// A "../" at the first or second position has nothing before it to search:
// everything before it goes.
INSTANTIATE_TEST_SUITE_P(FirstTwoPositions, ResolvedLinks, testing::Values(
    ResolveCase{"ParentAtTheFirstPosition", u"", u"../x.html", u"x.html"},
    ResolveCase{"ParentAtTheSecondPosition", u"", u"a../x.html", u"x.html"},
    ResolveCase{"ParentAfterARootBase", u"/", u"../x", u"x"},
    ResolveCase{"ParentAtTheThirdPositionFindsNoSlash", u"", u"ab../x", u"x"}),
    CaseName);

// The rule word for word, rebuilding the text at every removal.
std::u16string ResolveStepByStep(std::u16string s)
{
    const std::size_t length = s.size();
    for (std::size_t i = 1; i <= length; ++i) {
        if (s.size() >= i + 2 && s.compare(i - 1, 3, u"../") == 0) {
            std::size_t p = 0;
            if (i >= 3) {
                const std::size_t slash = s.substr(0, i - 2).rfind(u'/');
                p = slash == std::u16string::npos ? 0 : slash + 1;
            }
            s = s.substr(0, p) + s.substr(i + 2);
        } else if (s.size() >= i + 1 && s.compare(i - 1, 2, u"./") == 0) {
            s = s.substr(0, i - 1) + s.substr(i + 1);
        }
    }
    return s;
}

TEST(ResolveLinkExhaustive, AgreesWithTheRuleOnEveryShortText)
{
    // Every text of up to eight characters from ".", "/" and "a", split at
    // each point between base and link.
    constexpr char16_t kAlphabet[] = {u'.', u'/', u'a'};
    int compared = 0;
    for (int length = 0; length <= 8; ++length) {
        int combinations = 1;
        for (int k = 0; k < length; ++k)
            combinations *= 3;
        for (int code = 0; code < combinations; ++code) {
            std::u16string text;
            for (int k = 0, rest = code; k < length; ++k, rest /= 3)
                text += kAlphabet[rest % 3];
            const std::u16string expected = ResolveStepByStep(text);
            for (std::size_t split = 0; split <= text.size(); ++split) {
                const std::u16string_view view = text;
                ASSERT_EQ(ResolveLink(view.substr(0, split), view.substr(split)), expected)
                    << "base and link: " << std::string(text.begin(), text.end()) << " split at "
                    << split;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 50000);
}

struct LinkKind {
    std::u16string_view link;
    bool absolute;
    bool mailto;
};

TEST(LinkKinds, ColonAnywhereMakesAbsoluteAndOnlyTheMailtoSchemeIsSkipped)
{
    const LinkKind kinds[] = {
        {u"page.html", false, false},
        {u"", false, false},
        {u"#top", false, false},
        {u"page.html?at=10:30", true, false},
        {u"javascript:void(0)", true, false},
        {u"ftp://h/file", true, false},
        {u"mailto:someone@example.com", true, true},
        {u"MAILTO:SOMEONE@EXAMPLE.COM", true, true},
        {u"MailTo:x", true, true},
        {u"mailto:", true, true},
        {u"mailto", false, false},
        {u"mailto.html", false, false},
        {u"mailtox:y", true, false},
        {u" mailto:x", true, false},
        {u"\uFF4Dailto:x", true, false},  // a full-width m is not an m
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(std::string(kind.link.begin(), kind.link.end()));
        EXPECT_EQ(IsAbsoluteLink(kind.link), kind.absolute);
        EXPECT_EQ(IsMailtoLink(kind.link), kind.mailto);
    }
}

}  // namespace
}  // namespace pardovane
