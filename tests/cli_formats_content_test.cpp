#include "engine/page/utf_convert.h"
#include "tests/local_server.h"
#include "tests/python_runner.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pardovane {
namespace {

using test::CodePoints;
using test::LocalServer;
using test::RunCommand;
using test::RunPython;
using test::ShellQuote;
using test::TempDir;

// A page whose link values hold everything a writer can get wrong: quotes
// cannot end up inside a value, so they come with the page URL instead.
constexpr const char kHostilePage[]
    = "<html><body>\n"
      "<a href=\"back\\slash.html\">1</a>\n"
      "<a href='apos'>2</a>\n"
      "<a href=\"tab\there.html\">3</a>\n"
      "<a href=\"line\r\nend.html\">4</a>\n"
      "<a href=\"nul\0byte.html\">5</a>\n"
      "<a href=\"ctl\x01\x1b\x7f.html\">6</a>\n"
      "<a href=\"\xe2\x80\xa8sep.html\">7</a>\n"
      "<a href=\"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e/\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8.html\">8</a>\n"
      "<a href=\"&lt;&amp;<\">9</a>\n"
      "<img src=\"]]>\">\n"
      "<a href=\"\xff.html\">11</a>\n"
      "<a href=\"title\x1b]0;PWNED\x07\xc2\x9b"
      "2K.html\">12</a>\n"
      "</body></html>\n";

// Shift_JIS: "日本語/ページ.html" and "存在しない.html" (does not exist).
constexpr const char kShiftJisPage[]
    = "<a href=\"\x93\xfa\x96\x7b\x8c\xea/\x83\x79\x81\x5b\x83\x57.html\">a</a>"
      "<a href=\"\x91\xb6\x8d\xdd\x82\xb5\x82\xc8\x82\xa2.html\">b</a>";

struct Link {
    std::u16string text;
    const char16_t* reason;  // empty for a good link
};

const std::vector<Link> kHostileLinks = {
    {u"back\\slash.html", u""},
    {u"apos", u""},
    {u"tab\there.html", u""},  // tabs and line ends inside go, as in browsers
    {u"line\r\nend.html", u""},
    {std::u16string(u"nul\0byte.html", 13), u"malformed URL"},  // other controls are never requested
    {u"ctl\x01\x1b\x7f.html", u"malformed URL"},
    {u"\u2028sep.html", u""},
    {u"\u65e5\u672c\u8a9e/\u30da\u30fc\u30b8.html", u""},
    {u"&lt;&amp;<", u""},
    {u"]]>", u""},
    {u"\ufffd.html", u""},
    {u"title\x1b]0;PWNED\x07\u009b"
     "2K.html",
     u"malformed URL"},
};

const std::vector<Link> kShiftJisLinks = {
    {u"\u65e5\u672c\u8a9e/\u30da\u30fc\u30b8.html", u""},
    {u"\u5b58\u5728\u3057\u306a\u3044.html", u"HTTP 404"},
};

class HostileContent : public testing::Test {
protected:
    void SetUp() override
    {
        server.routes().Get(R"(/h/.*)", [](const httplib::Request& request, httplib::Response& response) {
            if (request.path == "/h/page.html")
                response.set_content(std::string(kHostilePage, sizeof kHostilePage - 1),
                                     "text/html; charset=utf-8");
            else if (request.path == "/h/sjis.html")
                response.set_content(kShiftJisPage, "text/html; charset=Shift_JIS");
            else if (request.path.find("\xe5\xad\x98\xe5\x9c\xa8") != std::string::npos)
                response.status = 404;
            else
                response.set_content("ok", "text/plain");
        });
        server.Start();
        hostileUrl = server.Url("/h/page.html?q=\"a\\b\"");
        shiftJisUrl = server.Url("/h/sjis.html");
        list = ShellQuote(dir.Write("list.txt", hostileUrl + "\n" + shiftJisUrl + "\n").string());
    }

    test::CommandResult Check(const std::string& format)
    {
        return RunCommand(ShellQuote(PARDOVANE_CHECK_BINARY) + " --format " + format + " " + list);
    }

    // What the parsers must give back: a line per page, then one per link;
    // for JUnit only the bad links, as its failure messages give them.
    std::string Expected(bool junit) const
    {
        std::string out;
        for (const auto& [url, links] :
             {std::pair{hostileUrl, &kHostileLinks}, std::pair{shiftJisUrl, &kShiftJisLinks}}) {
            out += "page " + CodePoints(Utf8ToUtf16(url)) + "\n";
            for (const Link& link : *links) {
                const bool good = std::u16string_view(link.reason).empty();
                if (!junit) {
                    out += (good ? "good " : "bad ") + CodePoints(link.text) + "\n";
                } else if (!good) {
                    std::u16string message = link.text + u": " + link.reason;
                    for (char16_t& c : message)
                        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
                            c = u'\ufffd';  // not allowed in XML 1.0
                    out += "bad " + CodePoints(message) + "\n";
                }
            }
        }
        return out;
    }

    LocalServer server;
    TempDir dir;
    std::string hostileUrl;
    std::string shiftJisUrl;
    std::string list;
};

TEST_F(HostileContent, EveryFormatGivesBackEveryLinkAsWritten)
{
    const auto json = Check("json");
    EXPECT_EQ(json.exitCode, 1);
    const auto parsedJson = RunPython(std::string(test::kPythonCodePoints) + R"(
import json, sys
with open(sys.argv[1], encoding='utf-8') as f:
    run = json.load(f)
for page in run['pages']:
    print('page', code_points(page['url']))
    for link in page['links']:
        print('good' if link['good'] else 'bad', code_points(link['link']))
)",
                                      json.out);
    ASSERT_EQ(parsedJson.exitCode, 0) << parsedJson.err;
    EXPECT_EQ(parsedJson.out, Expected(false));

    const auto junit = Check("junit");
    EXPECT_EQ(junit.exitCode, 1);
    const auto parsedJunit = RunPython(std::string(test::kPythonCodePoints) + R"(
import sys, xml.etree.ElementTree as ET
for suite in ET.parse(sys.argv[1]).getroot().iter('testsuite'):
    print('page', code_points(suite.get('name')))
    for failure in suite.iter('failure'):
        print('bad', code_points(failure.get('message')))
)",
                                       junit.out);
    ASSERT_EQ(parsedJunit.exitCode, 0) << parsedJunit.err;
    EXPECT_EQ(parsedJunit.out, Expected(true));

    const auto text = Check("text");
    std::string report = hostileUrl + "\r\n";
    for (const Link& link : kHostileLinks)
        if (!std::u16string_view(link.reason).empty())
            report += "  " + Utf16ToUtf8(link.text) + "  <Error>\r\n";
    report += "  <Err>\r\n\r\n" + shiftJisUrl + "\r\n";
    for (const Link& link : kShiftJisLinks)
        if (!std::u16string_view(link.reason).empty())
            report += "  " + Utf16ToUtf8(link.text) + "  <Error>\r\n";
    report += "  <Err>\r\n\r\n";
    EXPECT_EQ(text.out, report);
    EXPECT_EQ(text.exitCode, 1);
}

TEST_F(HostileContent, ATerminalIsShownControlCharactersNotGivenThem)
{
    const std::string bad = "http://127.0.0.1:1/\x1b[2J\xc2\x85";
    const std::string badShown = "http://127.0.0.1:1/\\x1b[2J\\x85";
    const auto ttyList = dir.Write("tty.txt", hostileUrl + "\n" + bad + "\n");
    // stdout and stderr on one terminal, with output processing off.
    const std::string command = ShellQuote(PARDOVANE_CHECK_BINARY) + " " + ShellQuote(ttyList.string());
    const auto result
        = RunCommand("script -qec " + ShellQuote("stty -opost; TERM=dumb " + command) + " /dev/null");
    EXPECT_EQ(result.out,
              "リンクをチェックするホームページ \"" + badShown
                  + "\" にアクセスできません\nURLをご確認ください\n" + hostileUrl
                  + "\r\n  nul\\x00byte.html  <Error>\r\n  ctl\\x01\\x1b\\x7f.html  <Error>\r\n"
                  + "  title\\x1b]0;PWNED\\x07\\x9b2K.html  <Error>\r\n  <Err>\r\n\r\n"
                  + "リンクをチェックするホームページ \"" + badShown
                  + "\" にアクセスできません\r\n\u3000URLをご確認ください\r\nチェック数/12  エラー/3\n");
}

}  // namespace
}  // namespace pardovane
