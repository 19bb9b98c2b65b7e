#include "tests/check_command.h"
#include "tests/local_server.h"
#include "tests/python_runner.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <string>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

// One page with every way a page can write a link, read as a browser reads it.
constexpr const char* kIndexPage
    = "<!DOCTYPE html>\r\n<HTML><HEAD>\r\n"
      "<script>var s = '<a href=\"in-script.html\">';</script>\r\n"
      "<STYLE>a[href=\"<a href=in-style.html>\"] {}</STYLE>\r\n"
      "</HEAD><BODY>\r\n"
      "<!-- <a href=\"commented.html\">Old</a> -->\r\n"
      "<A HREF=\"good.html\">capitals</A>\r\n"
      "<a\r\nhref=missing.html>tag name before a line end</a>\r\n"
      "<a title=\"x > y\" href = 'good.html#a'>quoted '>' and blanks around '='</a>\r\n"
      "<a data-href=\"data.html\" href=\"good.html#b\" href=\"second.html\">first href only</a>\r\n"
      "<abbr href=\"abbr.html\">not a</abbr><image src=\"image.png\">\r\n"
      "<img srcset=\"set.png\" src=\"img\\logo.png\">\r\n"
      "<a href=\"\">the page itself</a><a href=\"#top\">too</a><a href=\"#fn:1\">too</a>\r\n"
      "<a href=\"/top.html\">root</a><a href=\"../../../../top.html\">not above the root</a>\r\n"
      "<a href=\"//127.0.0.1:PORT/site/good.html\">network path</a>\r\n"
      "<a href=\"?q=1\">query</a><a href=\"q.html?a=1&amp;b=2&copy=3\">references</a>\r\n"
      "<a href=\" \tspaced.html\n\">blanks</a><a href=\"a b|c.html\">escaped</a>\r\n"
      "<a href=\"MailTo:webmaster@example.com\">m</a><a href=\"javascript:void(0)\">j</a>\r\n"
      "<a href=\"tel:+1\">t</a><a href=\"sms:1\">s</a><a href=\"data:,x\">d</a>\r\n"
      "<a href=\"ftp://127.0.0.1:PORT/\">other scheme</a><a href=\"file:///etc/hostname\">local</a>\r\n"
      "<a href=\"bro\r\nken.html\">broken over a line</a>\r\n"
      "<a href=\"unclosed.html\r\n</BODY></HTML>\r\n";

// Reached through a redirect, with a base: links resolve against the base,
// itself resolved against where the page came from.
constexpr const char* kSubPage = "<html><head><base href=\"../docs/\"><base href=\"/ignored/\"></head>"
                                 "<body><img src=pic.png><a href=\"./gone.html\">gone</a></body></html>\n";

std::string WithPort(std::string text, int port)
{
    for (std::size_t at; (at = text.find("PORT")) != std::string::npos;)
        text.replace(at, 4, std::to_string(port));
    return text;
}

TEST(CheckCommandLinks, FindsAndResolvesLinksAsBrowsersDo)
{
    LocalServer server;
    server.Page("/site/good.html", "good");
    server.Status("/site/missing.html", 404);
    server.Page("/site/img/logo.png", "png", "image/png");
    server.Page("/top.html", "top");
    server.Page("/site/q.html", "q");
    server.Page("/site/spaced.html", "spaced");
    server.Status(R"(/site/a b\|c\.html)", 404);  // a pattern, matched decoded
    server.Status("/site/broken.html", 404);
    server.Redirect("/old/sub", "/site/sub/page.html", 301);
    server.Page("/site/docs/pic.png", "png", "image/png");
    server.Status("/site/docs/gone.html", 404);
    server.Page("/site/sub/page.html", kSubPage);
    server.routes().Get("/site/index.html", [&server](const httplib::Request&, httplib::Response& response) {
        response.set_content(WithPort(kIndexPage, server.port()), "text/html; charset=utf-8");
    });
    server.Start();

    TempDir dir;
    const std::string index = server.Url("/site/index.html");
    const std::string sub = server.Url("/old/sub");
    const auto list = dir.Write("list.txt", index + "\r\n" + sub + "\r\n");

    const auto result = test::Check(ShellQuote(list.string()));

    // Error lines show each link as written; links of schemes that cannot
    // be checked (mail, script, phone, text, data, ftp) are neither
    // requested nor counted, and a local file is broken.
    EXPECT_EQ(result.out,
              index
                  + "\r\n"
                    "  missing.html  <Error>\r\n"
                    "  a b|c.html  <Error>\r\n"
                  + "  file:///etc/hostname  <Error>\r\n"
                    "  bro\r\nken.html  <Error>\r\n"
                    "  <Err>\r\n\r\n"
                  + sub
                  + "\r\n"
                    "  ./gone.html  <Error>\r\n"
                    "  <Err>\r\n\r\n");
    EXPECT_EQ(result.err, "チェック数/19  エラー/5\n");
    EXPECT_EQ(result.exitCode, 1);
    // Each URL once, without its fragment; the page's own links cost nothing.
    std::map<std::string, int> hits = server.AllHits();
    hits.erase("/site/index.html");
    hits.erase("/old/sub");
    hits.erase("/site/sub/page.html");
    EXPECT_EQ(hits,
              (std::map<std::string, int>{
                  {"/site/good.html", 1},
                  {"/site/missing.html", 1},
                  {"/site/img/logo.png", 1},
                  {"/top.html", 1},
                  {"/site/index.html?q=1", 1},
                  {"/site/q.html?a=1&b=2&copy=3", 1},
                  {"/site/spaced.html", 1},
                  {"/site/a%20b%7Cc.html", 1},
                  {"/site/broken.html", 1},
                  {"/site/docs/pic.png", 1},
                  {"/site/docs/gone.html", 1},
              }));
}

// A link behind a bot wall the user accepts (403), one behind LinkedIn's
// (999) and one moved for good (301): a warning leaves the text report and
// the status alone unless asked otherwise.
TEST(CheckCommandPolicy, AWarningFailsTheRunOnlyWhenAskedTo)
{
    LocalServer server;
    server.Page("/index.html",
                "<a href=walled.html>w</a><a href=linkedin.html>l</a><a href=moved.html>m</a>");
    server.Status("/walled.html", 403);
    server.Status("/linkedin.html", 999);
    server.Redirect("/moved.html", "/index.html", 301);
    server.Start();
    const std::string ok = server.Url("/index.html") + "\r\n  <OK>\r\n\r\n";
    const std::pair<const char*, int> kRuns[]
        = {{"", 0},
           {"--redirects warn", 0},
           {"--warnings-as-errors", 1},
           {"--accept 200-299,403,999 --warnings-as-errors", 0},
           {"--accept 200-299,403,999 --redirects warn --warnings-as-errors", 1}};
    for (const auto& [options, exitCode] : kRuns) {
        const auto result
            = test::Check("--accept 200-299,403 " + std::string(options) + " " + server.Url("/index.html"));
        EXPECT_EQ(result.exitCode, exitCode) << options;
        EXPECT_EQ(result.out, ok) << options;
    }
}

// The user's credentials, from the options or the configuration file, go to
// the listed pages' origin, never to a site a page links or redirects to.
TEST(CheckCommandCredentials, GoOnlyToTheListedPagesOrigin)
{
    LocalServer own;
    LocalServer other;
    other.Status("/x", 200);
    other.Status("/landed", 200);
    other.Start();
    own.Page("/index.html", "<a href=\"" + other.Url("/x") + "\">x</a><a href=out>out</a>");
    own.Redirect("/out", other.Url("/landed"));
    own.Start();
    const TempDir dir;
    const auto config
        = dir.Write("config.toml", "header = [\"Authorization: Bearer S\", \"Cookie: sid=1\"]\n");
    const std::string kWays[]
        = {"-H 'Authorization: Bearer S' -H 'Cookie: sid=1'", "--config " + ShellQuote(config.string())};
    for (const std::string& given : kWays) {
        EXPECT_EQ(test::Check(given + " " + own.Url("/index.html")).exitCode, 0) << given;
        const auto page = own.LastHeaders("/index.html");
        EXPECT_EQ(page.count("Authorization") + page.count("Cookie"), 2u) << given;
        for (const char* target : {"/x", "/landed"}) {
            const auto sent = other.LastHeaders(target);
            EXPECT_EQ(sent.count("Authorization") + sent.count("Cookie"), 0u) << given << " " << target;
        }
    }
    EXPECT_EQ(other.Hits("/x") + other.Hits("/landed"), 4);
}

// Behind a bot wall (LinkedIn's 999, or Cloudflare's challenge on 403, 503
// or 429) a link is good with a warning in every report; a bare 403 is
// broken. (Under --accept, a wall's status is no warning: see above.)
TEST(CheckCommandPolicy, ABotWallIsAWarningNotABrokenLink)
{
    LocalServer server;
    server.routes().Get(R"(/(\d+)(-cf)?)", [](const httplib::Request& request, httplib::Response& response) {
        response.status = std::stoi(request.matches[1]);
        if (request.matches[2].length() > 0)
            response.set_header("cf-mitigated", "challenge");
        response.set_content("a wall", "text/html");
    });
    server.Page(
        "/page.html",
        "<a href=999>1</a><a href=403-cf>2</a><a href=503-cf>3</a><a href=429-cf>4</a><a href=403>5</a>");
    server.Start();
    const std::string page = server.Url("/page.html");

    const auto text = test::Check(page);
    EXPECT_EQ(text.out, page + "\r\n  403  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(text.err, "チェック数/5  エラー/1\n");
    const auto json
        = test::RunPython("import json, sys\n"
                          "for link in json.load(open(sys.argv[1]))['pages'][0]['links']:\n"
                          "    print(link['link'], link['good'], link.get('warning', link.get('reason')))\n",
                          test::Check("-f json " + page).out);
    EXPECT_EQ(json.out,
              "999 True blocked by bot protection (HTTP 999)\n"
              "403-cf True blocked by bot protection (HTTP 403)\n"
              "503-cf True blocked by bot protection (HTTP 503)\n"
              "429-cf True blocked by bot protection (HTTP 429)\n"
              "403 False HTTP 403\n");
    EXPECT_NE(test::Check("-f junit " + page)
                  .out.find("<system-out>warning: blocked by bot protection (HTTP 429)\n"),
              std::string::npos);
}

// A site that answers 200 with its "not found" page for every unknown path.
TEST(CheckCommandSoft404, DeadLinksOfASiteAnswering200EverywhereAreBrokenWhenAsked)
{
    const std::string nav = "<nav>Home Products About Contact Blog Careers Press Help Shop</nav>";
    LocalServer server;
    server.Page("/",
                nav
                    + "<a href=live.html>l</a><a href=dead.html>d</a><a href=docs/gone/>g</a>"
                      "<a href=moved>m</a><a href=/>root</a>");
    server.Page("/live.html", nav + "<h1>Live</h1><p>What we sell, what it costs and how it is shipped.</p>");
    server.Redirect("/moved", "/");
    server.routes().Get(".*", [nav](const httplib::Request& request, httplib::Response& response) {
        response.set_content(nav + "<h1>Sorry</h1><p>There is no " + request.path + " here.</p>",
                             "text/html");
    });
    server.Start();
    const std::string site = server.Url("/");
    const auto madeUp = [&server] {
        int hits = 0;
        for (const auto& [target, count] : server.AllHits())
            hits += target.starts_with("/pardovane-no-such-page-") ? count : 0;
        return hits;
    };
    const struct {
        std::string options;
        std::string out;
        std::string err;
        int madeUpAsked;
    } kRuns[] = {
        {"", site + "\r\n  <OK>\r\n\r\n", "チェック数/5  エラー/0\n", 0},
        {"--soft-404",
         site + "\r\n  dead.html  <Error>\r\n  docs/gone/  <Error>\r\n  moved  <Error>\r\n  <Err>\r\n\r\n",
         "pardovane-check: 7 requests, 1 of them for pages that cannot exist (--soft-404)\n"
         "チェック数/5  エラー/3\n",
         1},
    };
    for (const auto& run : kRuns) {
        const int before = madeUp();
        const auto result = test::Check(run.options + " " + site);
        EXPECT_EQ(result.out, run.out) << run.options;
        EXPECT_EQ(result.err, run.err) << run.options;
        EXPECT_EQ(result.exitCode, run.out.find("<Error>") == std::string::npos ? 0 : 1) << run.options;
        EXPECT_EQ(madeUp() - before, run.madeUpAsked) << run.options;
    }
    // The reports give the reason.
    const std::string json = test::Check("--soft-404 -f json " + site).out;
    int reasons = 0;
    for (std::size_t at = 0; (at = json.find("\"reason\": \"soft 404\"", at)) != std::string::npos; ++at)
        ++reasons;
    EXPECT_EQ(reasons, 3) << json;
}

// A site that redirects every unknown path to one "not found" page: a link
// that goes there is broken, one that leads elsewhere is not, and neither is
// the page itself, whose body is the one unknown paths get.
TEST(CheckCommandSoft404, LinksRedirectedWhereUnknownPathsGoAreBroken)
{
    LocalServer server;
    server.Page("/", "<a href=gone.html>g</a><a href=moved.html>m</a><a href=404.html>n</a>");
    server.Page("/404.html", "<h1>Not found</h1>");
    server.Page("/new.html", "<h1>New</h1><p>Where the old page went.</p>");
    server.Redirect("/moved.html", "/new.html");
    server.routes().Get(".*", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/404.html");
    });
    server.Start();

    const auto result = test::Check("--soft-404 -f markdown " + server.Url("/"));

    EXPECT_NE(result.out.find("gone.html"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("soft 404 (redirected as a path that does not exist is)"), std::string::npos)
        << result.out;
    EXPECT_EQ(result.out.find("moved.html"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("404.html`"), std::string::npos) << result.out;
    EXPECT_EQ(result.exitCode, 1);
}

// Good answers of other sites' links are kept across runs; bad ones, and
// the site's own links, are asked every time.
TEST(CheckCommandCache, FreshAnswersAreTakenStaleAndDamagedOnesAreAskedAgain)
{
    constexpr int kGood = 1000;
    LocalServer other;
    other.Status("/bad.html", 404);
    other.Redirect("/moved.html", "/bad.html", 301);
    other.routes().Get(R"(/g\d+\.html)", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("good", "text/html");
    });
    other.Start();
    // *.localhost is loopback to curl, and another site than 127.0.0.1.
    const std::string origin = "http://other.localhost:" + std::to_string(other.port());
    std::string html = "<a href=own.html>o</a><a href=" + origin + "/bad.html>b</a><a href=" + origin
        + "/moved.html>m</a>";
    for (int n = 0; n < kGood; ++n)
        html += "<a href=" + origin + "/g" + std::to_string(n) + ".html>g</a>";
    LocalServer site;
    site.Page("/index.html", html);
    site.Page("/own.html", "own");
    site.Start();
    TempDir dir;
    const auto cache = dir.path() / "answers";
    const auto run = [&](const std::string& options) {
        return test::Check("--cache " + ShellQuote(cache.string()) + " " + options + " "
                           + site.Url("/index.html"));
    };
    int goodSeen = 0;  // requests for the good pages, till the last look
    const auto newGoodRequests = [&] {
        const int good = other.TotalHits() - other.Hits("/bad.html") - other.Hits("/moved.html");
        return good - std::exchange(goodSeen, good);
    };

    const auto first = run("--accept 200-299,404");
    EXPECT_EQ(newGoodRequests(), kGood);
    const auto fresh = run("--accept 200-299,404");
    EXPECT_EQ(fresh.out, first.out);
    EXPECT_EQ(fresh.err, first.err);
    EXPECT_EQ(newGoodRequests(), 0);
    EXPECT_EQ(site.Hits("/own.html"), 2);
    EXPECT_EQ(other.Hits("/moved.html"), 1);
    // A kept answer is judged by this run's rules: 404 is bad now, and the
    // redirect to it is asked again.
    const auto stricter = run("");
    EXPECT_EQ(other.Hits("/moved.html"), 2);
    EXPECT_EQ(newGoodRequests(), 0);

    EXPECT_EQ(run("--max-cache-age 0").out, stricter.out);
    EXPECT_EQ(newGoodRequests(), kGood);

    std::filesystem::resize_file(cache, std::filesystem::file_size(cache) / 2);
    const auto damaged = run("");
    EXPECT_EQ(damaged.out, stricter.out);
    EXPECT_EQ(damaged.err,
              "pardovane-check: the cache " + cache.string()
                  + " is damaged or not a cache of pardovane-check; it is left out and will be replaced\n"
                  + stricter.err);
    EXPECT_EQ(newGoodRequests(), kGood);
    std::ofstream(cache) << "{\"not\": \"ours\"}\n";
    EXPECT_EQ(run("").err, damaged.err);
    EXPECT_EQ(newGoodRequests(), kGood);
    run("");  // written anew, whole, by the run that could not use it
    EXPECT_EQ(newGoodRequests(), 0);

    // A clock gone wrong wrote an answer dated tomorrow: it is not trusted.
    const auto tomorrow = std::chrono::system_clock::now() + std::chrono::hours(24);
    std::ofstream(cache)
        << "pardovane answer cache 1\n"
        << std::chrono::duration_cast<std::chrono::seconds>(tomorrow.time_since_epoch()).count() << "\t200\t"
        << origin << "/g0.html\nend 1\n";
    EXPECT_EQ(run("").err, stricter.err);
    EXPECT_EQ(newGoodRequests(), kGood);
}

}  // namespace
}  // namespace pardovane
