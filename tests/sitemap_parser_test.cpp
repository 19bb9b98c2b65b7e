#include "engine/page/sitemap_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace pardovane {
namespace {

struct SitemapCase {
    const char* name;
    std::string_view bytes;
    std::vector<std::u16string> locations;
    bool error;
};

const SitemapCase kSitemaps[] = {
    {"Whole",
     "<urlset><url><loc> http://a.example/1 </loc></url><url><loc>http://a.example/2</loc></url></urlset>",
     {u"http://a.example/1", u"http://a.example/2"},
     false},
    // What was read before the XML broke is not trusted either.
    {"BrokenAfterALocation", "<urlset><url><loc>http://a.example/1</loc></url><url></urlset>", {}, true},
};

void PrintTo(const SitemapCase& c, std::ostream* out)
{
    *out << c.name;
}

class SitemapParserTest : public ::testing::TestWithParam<SitemapCase> { };

TEST_P(SitemapParserTest, GivesItsLocationsOrWhyItCannot)
{
    const SitemapCase& c = GetParam();
    const SitemapFile file = ParseSitemap(c.bytes, 1 << 20);
    EXPECT_EQ(file.locations, c.locations);
    EXPECT_EQ(!file.error.empty(), c.error) << file.error;
}

INSTANTIATE_TEST_SUITE_P(Files, SitemapParserTest, ::testing::ValuesIn(kSitemaps),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pardovane
