#include "engine/page/robots_rules.h"

#include <gtest/gtest.h>

namespace pardovane {
namespace {

struct RobotsCase {
    const char* name;
    const char* robots;
    const char* path;
    bool allowed;
};

const RobotsCase kCases[] = {
    {"NoRules", "", "/a", true},
    {"DisallowPrefix", "User-agent: *\nDisallow: /private/\n", "/private/x.html", false},
    {"OutsideThePrefix", "User-agent: *\nDisallow: /private/\n", "/public/x.html", true},
    {"EmptyDisallowAllowsAll", "User-agent: *\nDisallow:\n", "/a", true},
    {"LongestMatchWins", "User-agent: *\nDisallow: /a/\nAllow: /a/open/\n", "/a/open/x", true},
    {"AllowWinsATie", "User-agent: *\nDisallow: /a\nAllow: /a\n", "/a", true},
    {"Wildcard", "User-agent: *\nDisallow: /*.pdf$\n", "/docs/x.pdf", false},
    {"AnchoredEnd", "User-agent: *\nDisallow: /*.pdf$\n", "/docs/x.pdf.html", true},
    {"QueryCounts", "User-agent: *\nDisallow: /*?session=\n", "/cal?session=1", false},
    {"OwnGroupOverStar", "User-agent: *\nDisallow: /\n\nUser-agent: Pardovane\nDisallow: /x\n", "/a", true},
    {"OwnGroupByToken", "User-agent: pardovane/1.4\nDisallow: /x\n", "/x", false},
    {"OtherBotsOnly", "User-agent: OtherBot\nDisallow: /\n", "/a", true},
    {"GroupOfSeveralAgents", "User-agent: a\nUser-agent: *\nDisallow: /b\n", "/b", false},
    {"CommentsAndCase", "USER-AGENT: * # all\nDISALLOW: /b # not b\n", "/b", false},
    {"CrLfLines", "User-agent: *\r\nDisallow: /b\r\n", "/b", false},
    {"RobotsTxtItself", "User-agent: *\nDisallow: /\n", "/robots.txt", true},
    {"PercentEncodingAsSent", "User-agent: *\nDisallow: /\xC3\xA9t\xC3\xA9\n", "/%C3%A9t%C3%A9", false},
};

class RobotsRulesTest : public ::testing::TestWithParam<RobotsCase> { };

TEST_P(RobotsRulesTest, AllowsAsRfc9309Says)
{
    const RobotsCase& c = GetParam();
    EXPECT_EQ(RobotsRules::Parse(c.robots, "pardovane").Allows(c.path), c.allowed);
}

INSTANTIATE_TEST_SUITE_P(Rules, RobotsRulesTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RobotsAnswer, NotFoundAllowsAllAndAServerErrorNothing)
{
    EXPECT_TRUE(RobotsRules::FromAnswer(404, "", "pardovane").Allows("/a"));
    EXPECT_TRUE(RobotsRules::FromAnswer(499, "", "pardovane").Allows("/a"));
    EXPECT_FALSE(RobotsRules::FromAnswer(500, "", "pardovane").Allows("/a"));
    EXPECT_FALSE(RobotsRules::FromAnswer(503, "", "pardovane").Allows("/a"));
    EXPECT_FALSE(RobotsRules::FromAnswer(0, "", "pardovane").Allows("/a"));
    EXPECT_FALSE(RobotsRules::FromAnswer(200, "User-agent: *\nDisallow: /", "pardovane").Allows("/a"));
}

}  // namespace
}  // namespace pardovane
