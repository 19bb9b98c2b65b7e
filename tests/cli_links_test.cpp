#include "local_server.h"
#include "run_command.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

// A page written the way old sites are: capitals, unquoted and apostrophe
// values, a commented-out link, the same links more than once, a mail link,
// redirects, and a value broken over a line.
constexpr const char* kIndexPage =
    "<HTML>\r\n<BODY>\r\n"
    "<A HREF=\"good.html\">Good</A>\r\n"
    "<a href=missing.html>Gone</a>\r\n"
    "<a title='t' href='apos.html'>Apostrophes</a>\r\n"
    "<!-- <a href=\"commented.html\">Old</a> -->\r\n"
    "<a href=\"../top.html\">Top</a>\r\n"
    "<IMG SRC=\"img/logo.png\" ALT=\"\">\r\n"
    "<a href=\"moved.html\">Moved</a>\r\n"
    "<a href=\"old.html\">Moved away</a>\r\n"
    "<a href=\"missing.html\">Gone again</a>\r\n"
    "<a href=\"MailTo:webmaster@example.com\">Mail</a>\r\n"
    "<a href=\"good.html\">Good again</a>\r\n"
    "<a href=\"bro\r\nken.html\">Broken over a line</a>\r\n"
    "</BODY>\r\n</HTML>\r\n";

constexpr const char* kSubPage =
    "<html><body><a href=\"../good.html\">Up</a><img src=pic.png></body></html>\n";

TEST(CheckCommandLinks, ReportsBadLinksInPageOrderAndRequestsEachUrlOnce)
{
    LocalServer server;
    server.Page("/site/index.html", kIndexPage);
    server.Page("/site/sub/clean.html", kSubPage);
    server.Page("/site/good.html", "good");
    server.Status("/site/missing.html", 404);
    server.Page("/top.html", "top");
    server.Page("/site/img/logo.png", "png", "image/png");
    server.Redirect("/site/moved.html", "/site/new.html");
    server.Page("/site/new.html", "new");
    server.Redirect("/site/old.html", "/site/nowhere.html", 301);
    server.Status("/site/nowhere.html", 404);
    server.Page("/site/sub/pic.png", "png", "image/png");
    server.Page("/site/commented.html", "never asked for");
    server.Start();

    TempDir dir;
    const std::string index = server.Url("/site/index.html");
    const std::string clean = server.Url("/site/sub/clean.html");
    const auto list = dir.Write("list.txt", index + "\r\n" + clean + "\r\n");

    const auto result = RunCommand(ShellQuote(PARDOVANE_CHECK_BINARY) + " " + ShellQuote(list.string()));

    EXPECT_EQ(result.out, index + "\r\n"
                              "  missing.html  <Error>\r\n"
                              "  'apos.html'  <Error>\r\n"
                              "  old.html  <Error>\r\n"
                              "  missing.html  <Error>\r\n"
                              "  bro\r\nken.html  <Error>\r\n"
                              "  <Err>\r\n\r\n"
                              + clean + "\r\n"
                              "  <OK>\r\n\r\n");
    EXPECT_EQ(result.err, "チェック数/12  エラー/5\n");
    EXPECT_EQ(result.exitCode, 1);
    // Every URL once, a listed page's probe and download being one GET;
    // the commented link, the mail link and the broken one never.
    EXPECT_EQ(server.AllHits(), (std::map<std::string, int>{
                                    {"/site/index.html", 1},
                                    {"/site/sub/clean.html", 1},
                                    {"/site/good.html", 1},
                                    {"/site/missing.html", 1},
                                    {"/site/'apos.html'", 1},
                                    {"/top.html", 1},
                                    {"/site/img/logo.png", 1},
                                    {"/site/moved.html", 1},
                                    {"/site/new.html", 1},
                                    {"/site/old.html", 1},
                                    {"/site/nowhere.html", 1},
                                    {"/site/sub/pic.png", 1},
                                }));
}

}  // namespace
}  // namespace pardovane
