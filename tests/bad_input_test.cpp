#include "engine/page/utf_convert.h"
#include "engine/run/check_engine.h"
#include "tests/file_permissions.h"
#include "tests/local_server.h"
#include "tests/recording_window.h"
#include "tests/temp_dir.h"

#include "tests/test_fixtures.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RecordingWindow;
using test::TempDir;
using Calls = std::vector<std::u16string>;
using namespace std::string_literals;

class BadInputRun : public testing::Test {
protected:
    LocalServer server;
    TempDir dir;
    std::filesystem::path listPath = dir.path() / "HtmlURL.txt";
    HttpClient http{test::ShortTimeouts(2000, 20'000)};
    RecordingWindow window{http};
    CheckEngine engine{window, http, listPath};

    void WriteList(const std::string& bytes) { dir.Write("HtmlURL.txt", bytes); }
    std::u16string Url(const std::string& path) const { return server.Url16(path); }
    std::string Url8(const std::string& path) const { return server.Url(path); }
};

// A list file that cannot be read at all stops the run with one message.
class UnusableListFile : public BadInputRun {
protected:
    void ExpectRefused()
    {
        engine.RunCheck();
        EXPECT_TRUE(engine.lastRun().listFileFailed);
        EXPECT_EQ(window.Only({u"Message"}),
                  (Calls{u"Message:URLリストのファイルを開けません\n" + Utf8ToUtf16(listPath.string())}));
        EXPECT_TRUE(window.Only({u"Text1"}).empty());
        EXPECT_EQ(window.calls.back(), u"Label1:「チェック」ボタンでチェックを始めてください");
    }
};

TEST_F(UnusableListFile, Missing)
{
    ExpectRefused();
}

TEST_F(UnusableListFile, IsADirectory)
{
    std::filesystem::create_directory(listPath);
    ExpectRefused();
}

TEST_F(UnusableListFile, Unreadable)
{
    if (test::FilePermissionsAreIgnored())
        GTEST_SKIP() << "root reads files whatever their permissions, so none is unreadable here";
    WriteList("http://127.0.0.1:1/\n");
    std::filesystem::permissions(listPath, std::filesystem::perms::none);
    ExpectRefused();
}

// List files of odd shapes: each line is still used exactly as read.
TEST_F(BadInputRun, EmptyAndOnlyEmptyLinesGiveAnEmptyReport)
{
    server.Start();
    for (const std::string& bytes : {std::string(), std::string("\r\n\n\r\r\n"), std::string(1000, '\n')}) {
        WriteList(bytes);
        window.calls.clear();
        engine.RunCheck();
        EXPECT_FALSE(engine.lastRun().listFileFailed);
        EXPECT_EQ(engine.state().report, u"");
        EXPECT_EQ(window.calls.back(), u"Label1:チェック数/0  エラー/0");
    }
    EXPECT_EQ(server.TotalHits(), 0);
}

TEST_F(BadInputRun, CrOnlyLineEndsAndABomSplitAndStripCleanly)
{
    server.Page("/a", "x");
    server.Page("/b", "y");
    server.Start();
    WriteList("\xEF\xBB\xBF" + Url8("/a") + "\r" + Url8("/b") + "\r\r");
    engine.RunCheck();
    EXPECT_EQ(engine.state().report, Url("/a") + u"\r\n  <OK>\r\n\r\n" + Url("/b") + u"\r\n  <OK>\r\n\r\n");
    EXPECT_EQ(server.Hits("/a"), 2);
    EXPECT_EQ(server.Hits("/b"), 2);
}

TEST_F(BadInputRun, NulBytesInALineAreKeptAndNeverSent)
{
    server.Start();
    const std::string line = Url8("/a") + std::string("\0b", 2);
    WriteList(line + "\n");
    engine.RunCheck();
    EXPECT_EQ(engine.state().report, test::BadPageBlock(Utf8ToUtf16(line)));
    EXPECT_EQ(server.TotalHits(), 0);
}

TEST_F(BadInputRun, InvalidUtf8IsReadAsWindows31j)
{
    server.Page("/\xE6\x97\xA5", "x");
    server.Start();
    // 93 FA is 日 in Windows-31J; FF is no character of it.
    WriteList(Url8("/") + "\x93\xFA\n" + Url8("/") + "\xFF\n");
    engine.RunCheck();
    EXPECT_EQ(engine.state().report,
              Url("/") + u"\u65E5\r\n  <OK>\r\n\r\n" + test::BadPageBlock(Url("/") + u"\uFFFD"));
    EXPECT_EQ(server.Hits("/%E6%97%A5"), 2);
    EXPECT_EQ(server.Hits("/%EF%BF%BD"), 1);
}

TEST_F(BadInputRun, OneMegabyteLineIsProbedAndReportedWhole)
{
    server.Start();
    const std::string line = Url8("/") + std::string(std::size_t{1024} * 1024, 'a');
    WriteList(line + "\n");
    engine.RunCheck();
    // Too long to request, it is refused unsent; the report has it in full.
    EXPECT_EQ(engine.state().report, test::BadPageBlock(Utf8ToUtf16(line)));
    EXPECT_EQ(engine.lastRun().badPages, 1);
}

TEST_F(BadInputRun, HundredThousandLinesAreEachReported)
{
    server.Status("/gone", 404);
    server.Page("/here", "x");
    server.Start();
    constexpr int kLines = 100'000;
    std::string list;
    for (int i = 0; i < kLines; ++i)
        list += (i % 10'000 == 0 ? Url8("/here") : Url8("/gone")) + "\r\n";
    WriteList(list);

    engine.RunCheck();

    // One probe per distinct URL; a download for each good line.
    EXPECT_EQ(server.Hits("/gone"), 1);
    EXPECT_EQ(server.Hits("/here"), 1 + 10);
    EXPECT_EQ(engine.lastRun().badPages, kLines - 10);
    EXPECT_EQ(window.Only({u"Message"}).size(), static_cast<std::size_t>(kLines - 10));
    const std::u16string good = Url("/here") + u"\r\n  <OK>\r\n\r\n";
    const std::u16string bad = test::BadPageBlock(Url("/gone"));
    EXPECT_EQ(engine.state().report.size(), 10 * good.size() + (kLines - 10) * bad.size());
    EXPECT_EQ(engine.state().report.substr(0, good.size() + bad.size()), good + bad);
    // The bar moves after good pages only; the last is line 90,001.
    const std::size_t lineBytes = Url8("/here").size() + 2;
    EXPECT_EQ(window.Only({u"Value"}).back(),
              u"Value:" + Utf8ToUtf16(std::to_string(90'001 * lineBytes / 128)));
}

// Pages of odd shapes: a clear verdict, and the run goes on.
class BadPage : public BadInputRun {
protected:
    // Runs one listed page (and a good page after it) and gives its block.
    std::u16string RunPage(const std::string& path)
    {
        server.Page("/next", "fine");
        server.Start();
        WriteList(Url8(path) + "\n" + Url8("/next") + "\n");
        engine.RunCheck();
        const std::u16string after = Url("/next") + u"\r\n  <OK>\r\n\r\n";
        const std::u16string& report = engine.state().report;
        EXPECT_TRUE(report.ends_with(after));
        return report.substr(0, report.size() - std::min(report.size(), after.size()));
    }
};

TEST_F(BadPage, NulBytesInTheTextAndInALink)
{
    server.Page("/p/page", "<p>\0</p><a href=\"ok\0\">x</a><a\0href=no><a href=\"fine\">"s, "text/html");
    server.Page("/p/fine", "");
    const std::u16string block = RunPage("/p/page");
    // The link with a NUL in it is refused before any request: broken.
    EXPECT_EQ(block, Url("/p/page") + u"\r\n  ok\0  <Error>\r\n  <Err>\r\n\r\n"s);
    EXPECT_EQ(engine.state().checkedCount, 2);
    EXPECT_EQ(server.Hits("/p/fine"), 1);
}

TEST_F(BadPage, InvalidBytesForItsCharsetBecomeReplacementCharacters)
{
    server.Page("/p", "<a href=\"a\x85\x40.html\">x</a><a href=\"b\xC6\">", "text/html; charset=Shift_JIS");
    const std::u16string block = RunPage("/p");
    EXPECT_EQ(block, Url("/p") + u"\r\n  a\uFFFD@.html  <Error>\r\n  b\uFF86  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(server.Hits("/a%EF%BF%BD@.html"), 1);
}

TEST_F(BadPage, FiftyMegabytesWithoutATagAreScannedForNothing)
{
    constexpr std::size_t kSize = std::size_t{50} * 1024 * 1024;
    server.routes().Get("/big", [](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(kSize, "text/html",
                                      [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            const std::string block(std::min<std::size_t>(length, std::size_t{64} * 1024), 'x');
            (void)offset;
            return sink.write(block.data(), block.size());
        });
    });
    const std::u16string block = RunPage("/big");
    EXPECT_EQ(block, Url("/big") + u"\r\n  <OK>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 0);
}

TEST_F(BadPage, AMillionLinksToOneUrlAreEachCountedAndReported)
{
    constexpr int kLinks = 1'000'000;
    std::string html;
    html.reserve(std::size_t{kLinks} * 10);
    for (int i = 0; i < kLinks; ++i)
        html += "<a href=x>";
    server.Page("/m/page", html, "text/html");
    server.Status("/m/x", 404);
    const std::u16string block = RunPage("/m/page");
    EXPECT_EQ(server.Hits("/m/x"), 1);
    EXPECT_EQ(engine.state().checkedCount, kLinks);
    EXPECT_EQ(engine.state().errorCount, kLinks);
    const std::u16string line = u"  x  <Error>\r\n";
    const std::u16string head = Url("/m/page") + u"\r\n";
    EXPECT_EQ(block.size(), head.size() + kLinks * line.size() + std::u16string(u"  <Err>\r\n\r\n").size());
    EXPECT_EQ(block.substr(0, head.size() + line.size()), head + line);
}

TEST_F(BadPage, UnterminatedCommentHidesTheRest)
{
    server.Status("/u/one", 404);
    server.Page("/u/page", "<a href=one>1</a> <img src=\"two\"> <!-- <a href=hidden> <a href=\"also\">",
                "text/html");
    server.Page("/u/two", "");
    const std::u16string block = RunPage("/u/page");
    EXPECT_EQ(block, Url("/u/page") + u"\r\n  one  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 2);
    EXPECT_EQ(server.Hits("/u/hidden"), 0);
}

TEST_F(BadPage, UnterminatedTagEndsTheScan)
{
    server.Status("/t/one", 404);
    server.Page("/t/page", "<a href=one>1</a> <img alt=\"an img tag that never closes", "text/html");
    const std::u16string block = RunPage("/t/page");
    EXPECT_EQ(block, Url("/t/page") + u"\r\n  one  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 1);
}

TEST_F(BadPage, LinkValueRunningToTheEndOfTheTextIsDropped)
{
    server.Page("/e/page", "<a href=\"ok\">x</a><img src=\"never-closed.png", "text/html");
    server.Page("/e/ok", "");
    const std::u16string block = RunPage("/e/page");
    EXPECT_EQ(block, Url("/e/page") + u"\r\n  <OK>\r\n\r\n");
    EXPECT_EQ(engine.state().checkedCount, 1);
    EXPECT_EQ(server.Hits("/e/never-closed.png"), 0);
}

// Host names in another script go out in their ASCII form; the cache and
// the report keep the text as written.
TEST_F(BadInputRun, InternationalHostIsRequestedInItsAsciiForm)
{
    server.Status("/idn", 200);
    server.Status("/gone", 404);
    server.Start();
    const std::u16string port = Utf8ToUtf16(std::to_string(server.port()));
    // *.localhost is loopback to curl itself, so no name service is asked.
    const std::u16string good = u"http://\u30C6\u30B9\u30C8.localhost:" + port + u"/idn";
    const std::u16string bad = u"http://\u30C6\u30B9\u30C8.localhost:" + port + u"/gone";
    EXPECT_EQ(engine.CheckUrl(good), 1);
    EXPECT_EQ(engine.CheckUrl(bad), 0);
    const auto headers = server.LastHeaders("/idn");
    const auto host = headers.find("Host");
    ASSERT_NE(host, headers.end());
    EXPECT_EQ(host->second, "xn--zckzah.localhost:" + std::to_string(server.port()));
    EXPECT_EQ(engine.state().cacheUrls[1], good);
}

TEST_F(BadInputRun, PercentEncodingIsNeverDoubled)
{
    server.Status("/%E6%97%A5%20x.html", 404);
    server.Page("/page",
                "<a href=\"%E6%97%A5%20x.html\">a</a><a href=\"\xE6\x97\xA5%20x.html\">b</a>"
                "<a href=\"%E6%97%A5%2520.html\">c</a>");
    server.Status("/%E6%97%A5%2520.html", 404);
    server.Start();
    WriteList(Url8("/page") + "\n");
    engine.RunCheck();
    // Two texts, two cache entries, one target on the wire; %25 stays %25.
    EXPECT_EQ(server.Hits("/%E6%97%A5%20x.html"), 2);
    EXPECT_EQ(server.Hits("/%E6%97%A5%2520.html"), 1);
    EXPECT_EQ(
        engine.state().report,
        Url("/page")
            + u"\r\n  %E6%97%A5%20x.html  <Error>\r\n  \u65E5%20x.html  <Error>\r\n  %E6%97%A5%2520.html  "
              u"<Error>\r\n  <Err>\r\n\r\n");
}

}  // namespace
}  // namespace pardovane
