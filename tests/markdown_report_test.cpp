#include "cli/markdown_report.h"

#include <gtest/gtest.h>

namespace pardovane {
namespace {

ProbeResult Answer(long status, HttpFailure failure = HttpFailure::None, std::string detail = {})
{
    ProbeResult result;
    result.status = status;
    result.failure = failure;
    result.detail = std::move(detail);
    return result;
}

LinkRecord Link(std::u16string link, std::u16string url, std::optional<ProbeResult> probe)
{
    LinkRecord record;
    record.link = std::move(link);
    record.url = std::move(url);
    record.good = probe && probe->good();
    record.probe = std::move(probe);
    return record;
}

TEST(MarkdownReport, ListsOnlyPagesWithAProblemAndTheirBrokenLinks)
{
    PageRecord good{u"http://h/ok", true, true, Answer(200), {}};
    PageRecord broken{u"http://h/a_b", true, true, Answer(200), {}};
    broken.links.push_back(Link(u"x|y\n*z*", u"http://h/x|y", Answer(404)));
    broken.links.push_back(Link(u"fine", u"http://h/fine", Answer(200)));
    LinkRecord skipped = Link(u"mailto:a@h", u"mailto:a@h", std::nullopt);
    skipped.kind = LinkTarget::Kind::SkippedScheme;
    broken.links.push_back(skipped);
    PageRecord gone{u"http://h/gone", false, false,
                    Answer(0, HttpFailure::ConnectionRefused, "refused"), {}};

    EXPECT_EQ(MarkdownReport({good, broken, gone}, RunCounts{2, 1, 1}),
              "## Link check\n\n**2** links checked, **1** broken; **2** of **3** pages with a problem.\n"
              "\n### http\\:\\/\\/h\\/a\\_b\n\n"
              "| Link | URL | Reason |\n| --- | --- | --- |\n"
              "| x\\|y \\*z\\* | http\\:\\/\\/h\\/x\\|y | HTTP 404 |\n"
              "\n### http\\:\\/\\/h\\/gone\n\n"
              "The page cannot be reached: connection refused \\(refused\\)\n");
}

}  // namespace
}  // namespace pardovane
