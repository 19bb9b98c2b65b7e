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

// One page heard as a run reports it: its own answer, then its links.
void Page(RunRecord& record, const std::u16string& url, const ProbeResult& answer,
          const std::vector<std::pair<std::u16string, ProbeResult>>& links = {})
{
    record.OnPageStart(url, 0);
    record.OnProbe(url, answer);
    for (const auto& [link, linkAnswer] : links) {
        record.OnProbe(u"http://h/" + link, linkAnswer);
        record.OnLinkJudged(link, u"http://h/" + link, linkAnswer.good());
    }
}

TEST(MarkdownReport, ListsOnlyPagesWithAProblemAndTheirBrokenLinks)
{
    RunRecord record;
    record.OnRunStart();
    Page(record, u"http://h/ok", Answer(200));
    record.OnPageEnd(true, true);
    Page(record, u"http://h/a_b", Answer(200), {{u"x|y\n*z*", Answer(404)}, {u"fine", Answer(200)}});
    record.OnLinkSkipped(u"mailto:a@h", {LinkTarget::Kind::SkippedScheme, u"mailto:a@h", u"mailto"});
    record.OnPageEnd(true, true);
    Page(record, u"http://h/gone", Answer(0, HttpFailure::ConnectionRefused, "refused"));
    record.OnPageEnd(false, false);
    std::string out;
    EXPECT_TRUE(WriteMarkdownReport(record, RunCounts{2, 1, 1}, [&out](std::string_view bytes) {
        out += bytes;
        return true;
    }));

    EXPECT_EQ(out,
              "## Link check\n\n**2** links checked, **1** broken; **2** of **3** pages with a problem.\n"
              "\n### http\\:\\/\\/h\\/a\\_b\n\n"
              "| Link | URL | Reason |\n| --- | --- | --- |\n"
              "| x\\|y \\*z\\* | http\\:\\/\\/h\\/x\\|y \\*z\\* | HTTP 404 |\n"
              "\n### http\\:\\/\\/h\\/gone\n\n"
              "The page cannot be reached: connection refused \\(refused\\)\n");
}

}  // namespace
}  // namespace pardovane
