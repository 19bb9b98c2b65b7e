#include "engine/page/page_resemblance.h"

#include <gtest/gtest.h>

#include <string>

namespace pardovane {
namespace {

// A site's frame around each page's own words, as templates give every page.
std::string Framed(const std::string& main)
{
    return "<html><head><title>Example shop</title></head><body><nav><a href=/>Home</a> <a "
           "href=/p>Products</a> "
           "<a href=/a>About us</a> <a href=/c>Contact</a></nav><main>"
        + main + "</main><footer>Copyright Example shop, all rights reserved</footer></body></html>";
}

TEST(Resemblance, TheSamePageWithAnotherDetailIsAlikeAnotherPageOnTheSameFrameIsNot)
{
    const std::string notFound = Framed("<h1>Sorry</h1><p>This page could not be found.</p>");
    const struct {
        std::string other;
        double low;
        double high;
    } kCases[] = {
        {notFound, 1.0, 1.0},
        {Framed("<H1>SORRY</H1>\n<p>This page   could not be found!</p>"), 1.0, 1.0},
        {Framed("<h1>Sorry</h1><p>This page could not be found.</p><!-- 4f2a -->"), 0.9, 0.99},
        {Framed("<h1>Prices</h1><p>What each of our products costs, and what shipping adds.</p>"), 0.0, 0.7},
        {"", 0.0, 0.0},
    };
    for (const auto& c : kCases) {
        const double alike = Resemblance(notFound, c.other);
        EXPECT_GE(alike, c.low) << c.other;
        EXPECT_LE(alike, c.high) << c.other;
        EXPECT_EQ(Resemblance(c.other, notFound), alike) << "either way round";
    }
    EXPECT_EQ(Resemblance("", " <!-- --> "), 1.0) << "no words either side";
}

}  // namespace
}  // namespace pardovane
