#include "tests/check_command.h"
#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

using test::Check;

// One site, served and as files: a crawl from /docs/ meets a robots.txt
// Disallow, links above its directory, a redirect leaving it, a redirect
// loop, an image, a second site, and pages deeper down; OTHER stands for
// the second site.
const std::map<std::string, std::string> kSite = {
    {"/robots.txt", "User-agent: *\nDisallow: /docs/private/\n"},
    {"/docs/index.html",
     "<a href=a.html>a</a><a href='b.html'>b</a><a href=sub/>sub</a><a href=private/p.html>p</a>"
     "<a href=/outside.html>o</a><a href=moved.html>m</a><img src=logo.png><a href=missing.html>x</a>"
     "<a href=loop.html>l</a><a href=OTHER/page.html>2</a><a href=OTHER/gone.html>2x</a>"},
    {"/docs/a.html",
     "<a href=index.html>i</a><a href=b.html>b</a><a href=sub/c.html>c</a>"
     "<a href=/docs/gone.html>g</a>"},
    {"/docs/b.html", "<a href=a.html>a</a><a href=../outside.html>o</a>"},
    {"/docs/sub/index.html", "<a href=c.html>c</a><a href=../a.html>a</a>"},
    {"/docs/sub/c.html", "<a href=../index.html>i</a><a href=deep.html>d</a>"},
    {"/docs/sub/deep.html", "<a href=x.html>x</a>"},
    {"/docs/private/p.html", "<a href=secret.html>s</a>"},
    {"/docs/private/secret.html", "s"},
    {"/docs/moved.html", "m"},
    {"/docs/logo.png", "png"},
    {"/outside.html", "<a href=/outside-child.html>c</a>"},
    {"/outside-child.html", "c"},
    {"/elsewhere/x.html", "<a href=y.html>y</a>"},
    {"/elsewhere/y.html", "y"},
};

// The broken links of the site, the same crawled, from its files, or listed.
const char* const kBrokenLinks = "  missing.html  <Error>\r\n"
                                 "  loop.html  <Error>\r\n"
                                 "  OTHER/gone.html  <Error>\r\n"
                                 "  /docs/gone.html  <Error>\r\n"
                                 "  x.html  <Error>\r\n";

std::string Replaced(std::string text, const std::string& what, const std::string& with)
{
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
        text.replace(at, what.size(), with);
    return text;
}

// The report's page lines, and its error lines, in order.
std::pair<std::string, std::string> PagesAndErrors(const std::string& report)
{
    std::string pages, errors;
    for (std::size_t at = 0, end; (end = report.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = report.substr(at, end + 2 - at);
        if (line.ends_with("<Error>\r\n"))
            errors += line;
        else if (!line.starts_with("  ") && line != "\r\n")
            pages += line;
    }
    return {pages, errors};
}

class SiteCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        other_.Page("/page.html", "fine");
        other_.Status("/gone.html", 404);
        other_.Start();
        // Served before the pages, so that these paths answer as redirects;
        // the folder has moved.html as a file.
        site_.Redirect("/docs/moved.html", "/elsewhere/x.html");
        site_.Redirect("/docs/loop.html", "/docs/loop.html");
        site_.Page("/docs/sub/", kSite.at("/docs/sub/index.html"), "text/html");
        for (const auto& [path, body] : kSite) {
            const std::string served = Replaced(body, "OTHER", other_.Url());
            site_.Page(path, served, path.ends_with(".html") ? "text/html" : "text/plain");
            const auto file = dir_.path() / ("site" + path);
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << served;
        }
        // Sitemaps name the server's own port, known once it runs.
        Serve("/sitemap.xml", [this] {
            return "<?xml version='1.0'?><sitemapindex xmlns='http://www.sitemaps.org/schemas/sitemap/0.9'>"
                   "<sitemap><loc>"
                + site_.Url("/a.xml")
                + "</loc></sitemap>"
                  "<sitemap><loc> "
                + site_.Url("/b.xml.gz") + "\n</loc></sitemap></sitemapindex>";
        });
        Serve("/a.xml", [this] { return Urlset(site_.Url("/docs/b.html")); });
        Serve("/b.xml.gz", [this] {
            const auto plain = dir_.Write("b.xml", Urlset(site_.Url("/docs/sub/deep.html")));
            return RunCommand("gzip -c " + ShellQuote(plain.string())).out;
        });
        site_.Start();
    }

    static std::string Urlset(const std::string& url)
    {
        return "<urlset xmlns='http://www.sitemaps.org/schemas/sitemap/0.9'><url><loc>" + url
            + "</loc><lastmod>2024-01-01</lastmod></url></urlset>";
    }

    void Serve(const std::string& path, std::function<std::string()> body)
    {
        site_.routes().Get(path, [body](const httplib::Request&, httplib::Response& response) {
            response.set_content(body(), "application/xml");
        });
    }

    std::string Broken() const { return Replaced(kBrokenLinks, "OTHER", other_.Url()); }

    LocalServer other_;
    LocalServer site_;
    TempDir dir_;
};

TEST_F(SiteCheck, RecurseReadsThePagesInScopeBreadthFirstAndProbesTheRest)
{
    const auto result = Check("--recurse " + site_.Url("/docs/index.html"));

    EXPECT_EQ(result.exitCode, 1);
    const auto [pages, errors] = PagesAndErrors(result.out);
    EXPECT_EQ(pages,
              site_.Url("/docs/index.html\r\n") + site_.Url("/docs/a.html\r\n")
                  + site_.Url("/docs/b.html\r\n") + site_.Url("/docs/sub/\r\n")
                  + site_.Url("/docs/sub/c.html\r\n") + site_.Url("/docs/sub/deep.html\r\n"));
    EXPECT_EQ(errors, Broken());
    // Disallowed, above the start or moved out of it: checked, not read.
    for (const char* path : {"/robots.txt", "/docs/private/p.html", "/outside.html", "/elsewhere/x.html"})
        EXPECT_EQ(site_.Hits(path), 1) << path;
    for (const char* path : {"/docs/private/secret.html", "/outside-child.html", "/elsewhere/y.html"})
        EXPECT_EQ(site_.Hits(path), 0) << path;
}

TEST_F(SiteCheck, LimitsAndRobotsChangeWhatIsRead)
{
    const auto shallow = Check("--recurse --max-depth 1 --ignore-robots " + site_.Url("/docs/index.html"));
    EXPECT_EQ(PagesAndErrors(shallow.out).first,
              site_.Url("/docs/index.html\r\n") + site_.Url("/docs/a.html\r\n")
                  + site_.Url("/docs/b.html\r\n") + site_.Url("/docs/sub/\r\n")
                  + site_.Url("/docs/private/p.html\r\n"));

    // sub/ and sub/c.html, found on the three pages read.
    const auto cut = Check("--recurse --max-pages 3 " + site_.Url("/docs/index.html"));
    EXPECT_EQ(PagesAndErrors(cut.out).first,
              site_.Url("/docs/index.html\r\n") + site_.Url("/docs/a.html\r\n")
                  + site_.Url("/docs/b.html\r\n"));
    EXPECT_NE(cut.err.find("pardovane-check: cut at --max-pages 3: 2 more pages were left unchecked\n"),
              std::string::npos);
}

TEST_F(SiteCheck, SitemapIndexNamesThePages)
{
    const auto result = Check("--sitemap " + site_.Url("/sitemap.xml"));

    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.out,
              site_.Url("/docs/b.html\r\n  <OK>\r\n\r\n") + site_.Url("/docs/sub/deep.html\r\n")
                  + "  x.html  <Error>\r\n  <Err>\r\n\r\n");
    const auto missing = Check("--sitemap " + site_.Url("/none.xml"));
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err,
              "pardovane-check: the sitemap " + site_.Url("/none.xml") + " could not be read: HTTP 404\n");
}

TEST_F(SiteCheck, AFolderFindsTheSameBrokenLinksWithoutAServer)
{
    const auto site = dir_.path() / "site";
    std::filesystem::create_symlink("/etc/passwd", site / "docs" / "passwd.html");
    std::ofstream(site / "docs" / "up.html")
        << "<a href='../../../etc/passwd'>up</a><a href=%2e%2e/%2e%2e/x>e</a>"
           "<a href=https://example.com/docs/a.html>a</a>";

    const auto result = Check("--base-url https://example.com/ " + ShellQuote(site.string()));

    EXPECT_EQ(result.exitCode, 1);
    const auto [pages, errors] = PagesAndErrors(result.out);
    EXPECT_EQ(
        pages,
        "docs/a.html\r\ndocs/b.html\r\ndocs/index.html\r\ndocs/moved.html\r\ndocs/private/p.html\r\n"
        "docs/private/secret.html\r\ndocs/sub/c.html\r\ndocs/sub/deep.html\r\ndocs/sub/index.html\r\n"
        "docs/up.html\r\nelsewhere/x.html\r\nelsewhere/y.html\r\noutside-child.html\r\noutside.html\r\n");
    // The crawl's broken links, in the order of the paths; and nothing
    // outside the folder is read, whatever the link says.
    const std::string broken = Broken();
    const std::size_t a = broken.find("  /docs/gone.html");
    const std::size_t x = broken.find("  x.html");
    EXPECT_EQ(errors,
              broken.substr(a, x - a) + broken.substr(0, a) + broken.substr(x)
                  + "  ../../../etc/passwd  <Error>\r\n  %2e%2e/%2e%2e/x  <Error>\r\n");
    EXPECT_EQ(site_.TotalHits(), 0);
}

// An empty build or a wrong path must not pass a CI job: a folder holding
// no page (a directory named like one is none) is an unusable list.
TEST(SiteFolder, AFolderWithoutPagesIsAnError)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "old.html");
    std::ofstream(dir.path() / "style.css") << "a {}";
    const auto result = Check(ShellQuote(dir.path().string()));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out + result.err,
              "pardovane-check: the folder " + dir.path().string()
                  + " holds no .html, .htm or Markdown page\n");
}

TEST(SiteCrawl, AnEndlessCalendarStopsAtTheMostPages)
{
    LocalServer server;
    server.routes().Get(R"(/cal/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
        const int month = std::stoi(request.matches[1]);
        response.set_content("<a href=" + std::to_string(month + 1) + ">next</a>", "text/html");
    });
    server.Start();

    const auto result = Check("--recurse --max-pages 5 " + server.Url("/cal/0"));

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(PagesAndErrors(result.out).first,
              server.Url("/cal/0\r\n") + server.Url("/cal/1\r\n") + server.Url("/cal/2\r\n")
                  + server.Url("/cal/3\r\n") + server.Url("/cal/4\r\n"));
    EXPECT_NE(result.err.find("cut at --max-pages 5: 1 more pages were left unchecked\n"), std::string::npos);
}

}  // namespace
}  // namespace pardovane
