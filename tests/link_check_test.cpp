#include "check_engine.h"
#include "local_server.h"
#include "recording_window.h"
#include "temp_dir.h"
#include "utf_convert.h"

#include "test_fixtures.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RecordingWindow;
using test::TempDir;
using Hits = std::map<std::string, int>;

// One listed page, /site/page.html, whose links are judged against the server.
class CheckLinkTest : public ::testing::Test {
protected:
    LocalServer server;
    TempDir dir;
    HttpClient http{test::ShortTimeouts(2000, 2000)};
    RecordingWindow window{http};
    CheckEngine engine{window, http, dir.path() / "HtmlURL.txt"};

    // Serves html as the page, with "{origin}" standing for the server's own
    // scheme, host and port, runs the check over it, and returns the report.
    std::u16string CheckPage(const std::string& html)
    {
        server.routes().Get("/site/page.html", [this, html](const httplib::Request&,
                                                            httplib::Response& response) {
            std::string body = html;
            for (auto at = body.find("{origin}"); at != std::string::npos; at = body.find("{origin}"))
                body.replace(at, 8, server.Url());
            response.set_content(body, "text/html; charset=utf-8");
        });
        server.Start();
        dir.Write("HtmlURL.txt", server.Url("/site/page.html") + "\r\n");
        engine.RunCheck();
        return engine.state().report;
    }
    std::u16string PageLine() const { return server.Url16("/site/page.html") + u"\r\n"; }
    Hits LinkHits() const
    {
        Hits hits = server.AllHits();
        hits.erase("/site/page.html");
        return hits;
    }
};

TEST_F(CheckLinkTest, GoodLinksAreCountedWithoutAReportLine)
{
    server.Page("/site/a.html", "a");
    server.Page("/b.html", "b");
    const auto report = CheckPage(R"(<a href="a.html"><img src="../b.html">)");
    EXPECT_EQ(report, PageLine() + u"  <OK>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 2);
    EXPECT_EQ(engine.state().errorCount, 0);
    EXPECT_EQ(LinkHits(), (Hits{{"/site/a.html", 1}, {"/b.html", 1}}));
}

TEST_F(CheckLinkTest, BadLinkTwiceGivesTwoLinesAndOneRequest)
{
    server.Status("/site/gone.html", 404);
    const auto report = CheckPage(R"(<a href="gone.html">1</a> <A HREF=gone.html>2</A>)");
    EXPECT_EQ(report, PageLine() + u"  gone.html  <Error>\r\n  gone.html  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 2);
    EXPECT_EQ(engine.state().errorCount, 2);
    EXPECT_TRUE(engine.state().pageHasError);
    EXPECT_EQ(LinkHits(), (Hits{{"/site/gone.html", 1}}));
}

TEST_F(CheckLinkTest, MailtoInAnyCaseIsSkippedButTheBareWordIsRelative)
{
    server.Status("/site/mailto", 404);
    const auto report = CheckPage(R"(<a href="mailto:a@example.com"><a href="MAILTO:B@EXAMPLE.COM">)"
                                  R"(<a href="mailto">)");
    EXPECT_EQ(report, PageLine() + u"  mailto  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 1);
    EXPECT_EQ(LinkHits(), (Hits{{"/site/mailto", 1}}));
}

TEST_F(CheckLinkTest, ColonAnywhereProbesTheLinkUnresolved)
{
    // Resolved, the first would be this page itself with a query, and good.
    const auto report = CheckPage(R"html(<a href="page.html?at=10:30"><a href="javascript:void(0)">)html");
    EXPECT_EQ(report, PageLine() + u"  page.html?at=10:30  <Error>\r\n  javascript:void(0)  <Error>\r\n"
                          u"  <Err>\r\n\r\n");
    EXPECT_EQ(engine.state().errorCount, 2);
    EXPECT_EQ(LinkHits(), Hits{});
}

TEST_F(CheckLinkTest, AbsoluteLinkIsProbedAsWritten)
{
    server.Page("/other.html", "x");
    server.Status("/site/gone.html", 404);
    const auto report = CheckPage(R"(<a href="{origin}/other.html"><a href="{origin}/site/gone.html">)");
    EXPECT_EQ(report, PageLine() + server.Url16("/site/gone.html").insert(0, u"  ")
                          + u"  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 2);
    EXPECT_EQ(LinkHits(), (Hits{{"/other.html", 1}, {"/site/gone.html", 1}}));
}

TEST_F(CheckLinkTest, EmptyAndFragmentLinksProbeTheDirectory)
{
    server.Page("/site/", "index");
    const auto report = CheckPage(R"(<a href=>empty</a><a href="#top">top</a>)");
    EXPECT_EQ(report, PageLine() + u"  <OK>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 2);
    // Two texts, so two probes, though the fragment never reaches the server.
    EXPECT_EQ(LinkHits(), (Hits{{"/site/", 2}}));
}

TEST_F(CheckLinkTest, LinkStartingWithSlashStaysInTheDirectory)
{
    server.Page("/top.html", "a page the link does not reach");
    const auto report = CheckPage(R"(<a href="/top.html">)");
    EXPECT_EQ(report, PageLine() + u"  /top.html  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(LinkHits(), (Hits{{"/site//top.html", 1}}));
}

TEST_F(CheckLinkTest, CharacterReferenceIsSentAndReportedAsWritten)
{
    server.Status("/site/q.cgi", 404);
    const auto report = CheckPage(R"(<a href="q.cgi?a=1&amp;b=2">)");
    EXPECT_EQ(report, PageLine() + u"  q.cgi?a=1&amp;b=2  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(LinkHits(), (Hits{{"/site/q.cgi?a=1&amp;b=2", 1}}));
}

TEST_F(CheckLinkTest, LineEndInsideALinkIsKeptInTheErrorLine)
{
    const auto report = CheckPage("<a href='bro\r\nken.html'>");
    EXPECT_EQ(report, PageLine() + u"  'bro\r\nken.html'  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(engine.state().linkText, u"'bro\r\nken.html'");
}

TEST_F(CheckLinkTest, ScanPositionsAreLeftWhereTheScanEnded)
{
    const std::string html = "<a href=x.html><a href=\"open";
    server.Page("/site/x.html", "x");
    CheckPage(html);
    EXPECT_EQ(engine.state().linkText, u"x.html");
    EXPECT_EQ(engine.state().scanPos, static_cast<std::int32_t>(html.size()) + 1);
    EXPECT_EQ(engine.state().linkStart, 25);
}

}  // namespace
}  // namespace pardovane
