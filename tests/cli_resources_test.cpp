#include "tests/check_command.h"
#include "tests/local_server.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace pardovane {
namespace {

using test::LocalServer;
using test::ShellQuote;

// A page that loads one broken thing of every kind, and two links whose
// #fragment names no place.
constexpr const char* kPage
    = "<!DOCTYPE html><html><head>\n"
      "<link rel=stylesheet href=\"site.css\">\n"
      "<link rel=\"shortcut icon\" href=\"missing-icon.png\">\n"
      "<link rel=preconnect href=\"http://127.0.0.1:1/\">\n"
      "<script src=\"missing.js\"></script><script src=\"app.js\"></script>\n"
      "<style>@import url(\"missing-import.css\"); body { background: url(bg.png) }</style>\n"
      "<meta http-equiv=Refresh content=\"30; URL='missing-refresh.html'\">\n"
      "</head><body>\n"
      "<img src=\"logo.png\" srcset=\"logo.png 1x, missing-2x.png 2x\">\n"
      "<picture><source srcset=\"missing-source.webp\"></picture>\n"
      "<iframe src=\"missing-frame.html\"></iframe>\n"
      "<map><area href=\"missing-area.html\"></map>\n"
      "<video src=\"movie.mp4\" poster=\"missing-poster.jpg\"></video>\n"
      "<object data=\"missing-object.svg\"></object><embed src=\"missing-embed.svg\">\n"
      "<input type=image src=\"logo.png\"><input src=\"not-an-image-input.png\">\n"
      "<div style=\"background-image: url(&quot;missing-style.png&quot;)\"></div>\n"
      "<a href=\"other.html#present\">1</a><a href=\"other.html#absent\">2</a>\n"
      "<a href=\"other.html#caf%C3%A9\">3</a><a href=\"other.html#TOP\">4</a>\n"
      "<a href=\"#here\">5</a><a href=\"#nowhere\">6</a><a href=\"logo.png#x\">7</a>\n"
      "<p id=\"here\"><a href=\"gone.html\">plainly broken</a>\n"
      "</body></html>\n";

// The stylesheet imports another, which imports it back.
constexpr const char* kSheet
    = "@import \"nested.css\";\n"
      "/* url(commented.png) */\n"
      "@font-face { src: url(fonts/missing.woff2) format(\"woff2\"), url(fonts/ok.woff) }\n"
      ".x { background: url('img/ok.png') }\n";
constexpr const char* kNested = "@import url(site.css);\n.y { background: url(../missing-nested.png) }\n";

void Serve(LocalServer& server)
{
    server.Page("/s/index.html", kPage);
    server.Page("/s/site.css", kSheet, "text/css");
    server.Page("/s/css/nested.css", kNested, "text/css");
    server.Redirect("/s/nested.css", "/s/css/nested.css");
    for (const char* path : {"/s/app.js", "/s/bg.png", "/s/logo.png", "/s/movie.mp4", "/s/fonts/ok.woff",
                             "/s/img/ok.png", "/s/css/site.css"})
        server.Page(path, "x", "application/octet-stream");
    server.Page("/s/other.html", "<h1 id=present>p</h1><a name=\"café\">c</a>");
}

TEST(CheckCommandResources, ReportsEveryBrokenResourceAndFragmentAndNothingElse)
{
    LocalServer server;
    Serve(server);
    server.Start();
    const std::string page = server.Url("/s/index.html");

    const auto result = test::Check("--resources --fragments " + ShellQuote(page));

    // Each as written, where the page (or its stylesheet) writes it.
    EXPECT_EQ(result.out,
              page
                  + "\r\n"
                    "  ../missing-nested.png  <Error>\r\n"
                    "  fonts/missing.woff2  <Error>\r\n"
                    "  missing-icon.png  <Error>\r\n"
                    "  missing.js  <Error>\r\n"
                    "  missing-import.css  <Error>\r\n"
                    "  missing-refresh.html  <Error>\r\n"
                    "  missing-2x.png  <Error>\r\n"
                    "  missing-source.webp  <Error>\r\n"
                    "  missing-frame.html  <Error>\r\n"
                    "  missing-area.html  <Error>\r\n"
                    "  missing-poster.jpg  <Error>\r\n"
                    "  missing-object.svg  <Error>\r\n"
                    "  missing-embed.svg  <Error>\r\n"
                    "  missing-style.png  <Error>\r\n"
                    "  other.html#absent  <Error>\r\n"
                    "  #nowhere  <Error>\r\n"
                    "  gone.html  <Error>\r\n"
                    "  <Err>\r\n\r\n");
    EXPECT_EQ(result.err, "チェック数/33  エラー/17\n");
    // Every URL once: the stylesheets, however often imported, and the page
    // a #fragment points into, whose one GET is also its verdict.
    for (const auto& [path, hits] : server.AllHits())
        EXPECT_EQ(hits, 1) << path;
    EXPECT_EQ(server.Hits("/s/other.html"), 1);
}

TEST(CheckCommandResources, WithoutTheOptionsOnlyAnchorsAndImagesCount)
{
    LocalServer server;
    Serve(server);
    server.Start();
    const std::string page = server.Url("/s/index.html");

    const auto result = test::Check(ShellQuote(page));

    EXPECT_EQ(result.out, page + "\r\n  gone.html  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(result.err, "チェック数/9  エラー/1\n");
    EXPECT_EQ(server.Hits("/s/site.css"), 0);
}

// A stylesheet's repeats count as a page's do, up to a bound past which a
// hostile one holds only its distinct URLs.
TEST(CheckCommandResources, AStylesheetRepeatingOneUrlEndlesslyIsBounded)
{
    LocalServer server;
    std::string sheet;
    for (int i = 0; i < 20'000; ++i)
        sheet += ".a { background: url(x.png) }\n";
    server.Page("/index.html", "<link rel=stylesheet href=s.css>");
    server.Page("/s.css", sheet, "text/css");
    server.Page("/x.png", "x", "image/png");
    server.Start();

    const auto result = test::Check("--resources " + ShellQuote(server.Url("/index.html")));

    EXPECT_EQ(result.err, "チェック数/10001  エラー/0\n");
}

TEST(CheckCommandResources, StructuredReportsNameTheKindAndTheStylesheet)
{
    LocalServer server;
    Serve(server);
    server.Start();

    test::TempDir dir;
    const std::string report = (dir.path() / "report.json").string();
    ASSERT_EQ(test::Check("--resources --fragments -f json -o " + ShellQuote(report) + " "
                          + ShellQuote(server.Url("/s/index.html")))
                  .exitCode,
              1);
    // Compacted by Python's reader, so the fields are searched as written.
    const auto json
        = test::RunCommand("python3 -c 'import json, sys; print(json.dumps(json.load(open(sys.argv[1])), "
                           "separators=(\",\", \":\")))' "
                           + ShellQuote(report));
    const std::string sheet = server.Url("/s/site.css");
    EXPECT_NE(
        json.out.find("{\"link\":\"fonts/missing.woff2\",\"kind\":\"css\",\"stylesheet\":\"" + sheet + "\""),
        std::string::npos)
        << json.err;
    EXPECT_NE(json.out.find("{\"link\":\"missing-2x.png\",\"kind\":\"srcset\""), std::string::npos);
    EXPECT_NE(json.out.find("\"failure\":null,\"reason\":\"fragment not found\""), std::string::npos);
}

}  // namespace
}  // namespace pardovane
