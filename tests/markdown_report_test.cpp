#include "engine/http/verdict_rules.h"
#include "engine/report/markdown_report.h"

#include <gtest/gtest.h>

namespace pardovane {
namespace {

ProbeResult Answer(long status, HttpFailure failure = HttpFailure::None, std::string detail = {},
                   std::vector<Redirect> redirects = {})
{
    ProbeResult result;
    result.status = status;
    result.failure = failure;
    result.detail = std::move(detail);
    result.redirects = std::move(redirects);
    VerdictRules{{}, RedirectPolicy::Warn}.Judge(result);
    return result;
}

// What a bot wall answered: LinkedIn's 999, or a challenge.
ProbeResult Blocked(long status)
{
    ProbeResult result;
    result.status = status;
    result.botWall = true;
    VerdictRules{}.Judge(result);
    return result;
}

// One page heard as a run reports it: its own answer, then its links.
void Page(RunRecord& record, const std::u16string& url, const ProbeResult& answer,
          const std::vector<std::pair<std::u16string, ProbeResult>>& links = {})
{
    record.OnPageStart(url, 0);
    record.OnProbe(url, answer);
    std::uint32_t line = 1;
    for (const auto& [link, linkAnswer] : links) {
        record.OnProbe(u"http://h/" + link, linkAnswer);
        const std::u16string url = u"http://h/" + link;
        record.OnLinkJudged(
            {link, url, linkAnswer.good(), LinkElement::Anchor, nullptr, false, false, {++line, 7}});
    }
}

TEST(MarkdownReport, ListsPagesWithAProblemOrAWarningWithPageTextInCodeAndUrlsAsLinks)
{
    RunRecord record;
    record.OnRunStart(ListFile::FromBytes(""));
    Page(record, u"http://h/ok", Answer(200));
    record.OnPageEnd(true, true);
    Page(record, u"http://h/a_b", Answer(200),
         {{u"x|y\n*z*", Answer(404)},
          {u"fine", Answer(200)},
          {u"old", Answer(200, HttpFailure::None, {}, {{301, "http://h/new"}})},
          {u"wall", Blocked(403)},
          {u"`a`` b", Answer(404)},
          {u"pipe", Answer(0, HttpFailure::ConnectionRefused, "a|b")}});
    const std::u16string sheet = u"http://h/s.css";
    const std::u16string target = u"http://h/p.html";
    record.OnLinkJudged({u"p.html#x", target, false, LinkScanner::Element::Css, &sheet, true, false, {3, 5}});
    record.OnLinkSkipped(u"mailto:a@h", {LinkTarget::Kind::SkippedScheme, u"mailto:a@h", u"mailto"},
                         LinkScanner::Element::Anchor, {});
    record.OnPageEnd(true, true);
    Page(record, u"http://h/walled", Blocked(999));
    record.OnPageEnd(true, true);
    Page(record, u"http://h/gone", Answer(0, HttpFailure::ConnectionRefused, "refused <b>"));
    record.OnPageEnd(false, false);
    std::string out;
    EXPECT_TRUE(WriteMarkdownReport(record, RunCounts{5, 2, 1, 3}, [&out](std::string_view bytes) {
        out += bytes;
        return true;
    }));

    EXPECT_EQ(
        out,
        "## Link check\n\n"
        "**5** links checked, **2** broken, **3** with a warning; **2** of **4** pages with a problem.\n"
        "\n### [`http://h/a_b`](<http://h/a_b>)\n\n"
        "| Link | Where | Kind | URL | Reason |\n| --- | --- | --- | --- | --- |\n"
        "| `x\\|y *z*` | `http://h/a_b:2:7` | a | [`http://h/x\\|y *z*`](<http://h/x\\|y%0A*z*>) | HTTP 404 "
        "|\n"
        "| `old` | `http://h/a_b:4:7` | a | [`http://h/old`](<http://h/old>) | warning: moved permanently to "
        "[`http://h/new`](<http://h/new>) |\n"
        "| `wall` | `http://h/a_b:5:7` | a | [`http://h/wall`](<http://h/wall>) | warning: blocked by bot "
        "protection (HTTP 403) |\n"
        "| ``` `a`` b ``` | `http://h/a_b:6:7` | a | [```http://h/`a`` b```](<http://h/`a`` b>) | HTTP 404 "
        "|\n"
        "| `pipe` | `http://h/a_b:7:7` | a | [`http://h/pipe`](<http://h/pipe>) | connection refused (a\\|b) "
        "|\n"
        "| `p.html#x` | `http://h/s.css:3:5` | css in [`http://h/s.css`](<http://h/s.css>) | "
        "[`http://h/p.html`](<http://h/p.html>) | fragment not found |\n"
        "\n### [`http://h/walled`](<http://h/walled>)\n\n"
        "The page was blocked by bot protection (HTTP 999).\n\n"
        "\n### [`http://h/gone`](<http://h/gone>)\n\n"
        "The page cannot be reached: connection refused (refused \\<b>)\n");
}

}  // namespace
}  // namespace pardovane
