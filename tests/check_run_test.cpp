#include "engine/page/utf_convert.h"
#include "engine/run/check_engine.h"
#include "tests/local_server.h"
#include "tests/recording_window.h"
#include "tests/temp_dir.h"

#include "tests/test_fixtures.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RecordingWindow;
using test::TempDir;
using Calls = std::vector<std::u16string>;

const std::u16string kExamining = u"\u3000からのリンクを調べています";

class CheckRunTest : public ::testing::Test {
protected:
    LocalServer server;
    TempDir dir;
    HttpClient http{test::ShortTimeouts(500, 500)};
    RecordingWindow window{http};
    std::filesystem::path listPath = dir.path() / "HtmlURL.txt";
    CheckEngine engine{window, http, listPath};

    void WriteList(const std::u16string& text) { dir.Write("HtmlURL.txt", Utf16ToUtf8(text)); }
    std::u16string Url(const std::string& path) { return server.Url16(path); }
};

TEST_F(CheckRunTest, EmptyListFileGivesEmptyReportAndZeroSummary)
{
    server.Start();
    WriteList(u"");
    engine.RunCheck();
    EXPECT_EQ(window.calls,
              (Calls{u"Label1:チェック中", u"Repaint:", u"Busy:", u"Max:1", u"Value:0", u"Text1:",
                     u"Default:", u"Label1:チェック数/0  エラー/0"}));
    EXPECT_FALSE(engine.lastRun().listFileFailed);
    EXPECT_EQ(engine.lastRun().badPages, 0);
}

TEST_F(CheckRunTest, OnlyEmptyLinesSetThePageLabelButProbeNothing)
{
    server.Start();
    WriteList(std::u16string(300, u'\n'));
    engine.RunCheck();
    EXPECT_EQ(window.Only({u"Max", u"Value", u"Text1"}), (Calls{u"Max:3", u"Value:0", u"Text1:"}));
    EXPECT_EQ(window.Only({u"Label2"}).size(), 300u);
    EXPECT_EQ(window.Only({u"Label2"}).back(), u"Label2:" + kExamining);
    EXPECT_EQ(server.TotalHits(), 0);
}

TEST_F(CheckRunTest, GoodAndBadPagesInListOrder)
{
    server.Page("/site/good.html", "<p>no links here</p>");
    server.Status("/site/missing.html", 404);
    server.Start();
    const std::u16string good = Url("/site/good.html");
    const std::u16string bad = Url("/site/missing.html");
    WriteList(good + u"\r\n" + bad + u"\r\n\r\n" + good + u"\r\n");

    engine.RunCheck();

    const std::u16string report
        = good + u"\r\n  <OK>\r\n\r\n" + test::BadPageBlock(bad) + good + u"\r\n  <OK>\r\n\r\n";
    EXPECT_EQ(engine.state().report, report);
    EXPECT_EQ(window.Only({u"Message"}), (Calls{u"Message:" + test::BadPageMessage(bad)}));
    EXPECT_EQ(window.calls.back(), u"Label1:チェック数/0  エラー/0");
    EXPECT_EQ(window.Only({u"Text1"}), (Calls{u"Text1:" + report}));
    // The listed-twice page is probed once and downloaded twice; the bad one
    // is probed only.
    EXPECT_EQ(server.Hits("/site/good.html"), 3);
    EXPECT_EQ(server.Hits("/site/missing.html"), 1);
    EXPECT_EQ(engine.lastRun().badPages, 1);
}

// What the user has in front of them: the controls as last set, the status
// label as last painted, and a copy of all that whenever a message is up.
class ScreenWindow : public RecordingWindow {
public:
    using RecordingWindow::RecordingWindow;

    struct Screen {
        std::u16string status, paintedStatus, page, report;
        bool busy = false;
        bool operator==(const Screen&) const = default;
    };

    void SetStatusLabel(const std::u16string& text) override { screen.status = text; }
    void RepaintStatusLabel() override { screen.paintedStatus = screen.status; }
    void SetPageLabel(const std::u16string& text) override { screen.page = text; }
    void SetBusyPointer() override { screen.busy = true; }
    void SetDefaultPointer() override { screen.busy = false; }
    void SetReportText(const std::u16string& text) override { screen.report = text; }
    void ShowMessage(const std::u16string& text) override
    {
        messages.push_back(text);
        whileMessageShown.push_back(screen);
    }

    Screen screen;
    std::vector<std::u16string> messages;
    std::vector<Screen> whileMessageShown;
};

void PrintTo(const ScreenWindow::Screen& screen, std::ostream* out)
{
    *out << Utf16ToUtf8(u"status " + screen.status + u", painted " + screen.paintedStatus + u", page "
                        + screen.page + u", report " + screen.report)
         << (screen.busy ? ", busy" : "");
}

// While the bad page's message is up the user sees the run going on, with
// the report box as it was; at the end, the report and the summary.
TEST_F(CheckRunTest, WhatTheUserSeesDuringAndAfterARun)
{
    server.Page("/p", "x");
    server.Status("/bad", 500);
    server.Start();
    const std::u16string good = Url("/p");
    const std::u16string bad = Url("/bad");
    WriteList(good + u"\n" + bad + u"\n");
    ScreenWindow screen{http};
    CheckEngine run{screen, http, listPath};

    run.RunCheck();

    EXPECT_EQ(screen.messages, Calls{test::BadPageMessage(bad)});
    const ScreenWindow::Screen duringMessage{u"チェック中", u"チェック中", bad + kExamining, u"", true};
    EXPECT_EQ(screen.whileMessageShown, std::vector<ScreenWindow::Screen>{duringMessage});
    EXPECT_EQ(screen.screen,
              (ScreenWindow::Screen{u"チェック数/0  エラー/0", u"チェック中", bad + kExamining,
                                    good + u"\r\n  <OK>\r\n\r\n" + test::BadPageBlock(bad), false}));
}

TEST_F(CheckRunTest, ProgressCountsBlocksOfTheFileAndStopsAtBadPages)
{
    server.Status("/bad", 404);
    server.Page(R"(/p\d+)", "x");
    server.Start();
    // Each line is 100 bytes with its LF, so the values are easy to follow.
    auto line = [&](const std::string& path) {
        std::u16string url = Url(path) + u"?";
        url.resize(99, u'q');
        return url + u"\n";
    };
    WriteList(line("/p1") + line("/p2") + line("/bad") + line("/p3"));
    engine.RunCheck();
    EXPECT_EQ(window.Only({u"Max", u"Value"}),
              (Calls{u"Max:4", u"Value:0", u"Value:0", u"Value:1", u"Value:3"}));
}

TEST_F(CheckRunTest, MissingListFileIsReportedAndTheReportBoxKeepsItsText)
{
    server.Page("/p", "x");
    server.Start();
    WriteList(Url("/p") + u"\n");
    engine.RunCheck();
    std::filesystem::remove(listPath);
    window.calls.clear();

    engine.RunCheck();

    EXPECT_EQ(window.calls,
              (Calls{u"Label1:チェック中", u"Repaint:", u"Busy:",
                     u"Message:URLリストのファイルを開けません\n" + Utf8ToUtf16(listPath.string()),
                     u"Default:", u"Label1:「チェック」ボタンでチェックを始めてください"}));
    EXPECT_TRUE(engine.lastRun().listFileFailed);
}

TEST_F(CheckRunTest, FailedDownloadOfAGoodPageIsReportedAndTheRunGoesOn)
{
    int requests = 0;
    server.routes().Get("/flaky", [&](const httplib::Request&, httplib::Response& response) {
        if (++requests > 1)
            server.Wait(std::chrono::seconds(5));  // the download times out
        response.set_content("x", "text/html");
    });
    server.Page("/after", "y");
    server.Start();
    const std::u16string flaky = Url("/flaky");
    const std::u16string after = Url("/after");
    WriteList(flaky + u"\n" + after + u"\n");

    engine.RunCheck();

    EXPECT_EQ(engine.state().report, flaky + u"\r\n  <Err>\r\n\r\n" + after + u"\r\n  <OK>\r\n\r\n");
    EXPECT_EQ(window.Only({u"Message"}), (Calls{u"Message:" + test::BadPageMessage(flaky)}));
    EXPECT_EQ(engine.state().checkedCount, 0);
    EXPECT_EQ(engine.state().errorCount, 0);
    EXPECT_EQ(engine.lastRun().badPages, 1);
}

TEST_F(CheckRunTest, TrailingSpaceIsPartOfTheUrl)
{
    server.Page("/p", "x");
    server.Status("/p%20", 404);
    server.Start();
    WriteList(Url("/p") + u" \n");
    engine.RunCheck();
    EXPECT_EQ(server.Hits("/p%20"), 1);
    EXPECT_EQ(server.Hits("/p"), 0);
    EXPECT_EQ(engine.state().cacheUrls.back(), Url("/p") + u" ");
}

// The window's second press: the same report and summary as the first.
TEST_F(CheckRunTest, SecondRunStartsFromAFreshCacheReportAndSummary)
{
    server.Page("/p", "<a href=gone>x</a>");
    server.Status("/gone", 404);
    server.Start();
    WriteList(Url("/p") + u"\n");
    engine.RunCheck();
    engine.RunCheck();
    EXPECT_EQ(engine.state().report, Url("/p") + u"\r\n  gone  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(window.Only({u"Label1"}),
              (Calls{u"Label1:チェック中", u"Label1:チェック数/1  エラー/1", u"Label1:チェック中",
                     u"Label1:チェック数/1  エラー/1"}));
    EXPECT_EQ(engine.state().cacheUrls.size(), 3u);
    EXPECT_EQ(server.Hits("/p"), 4);
}

class CheckUrlTest : public CheckRunTest { };

TEST_F(CheckUrlTest, EmptyUrlIsBadWithoutRequestOrEntry)
{
    server.Start();
    EXPECT_EQ(engine.CheckUrl(u""), 0);
    EXPECT_EQ(engine.state().cacheUrls.size(), 1u);
    EXPECT_EQ(server.TotalHits(), 0);
}

TEST_F(CheckUrlTest, KeysAreExactTextCaseAndTrailingSlashIncluded)
{
    server.Status("/a", 200);
    server.Status("/A", 200);
    server.Status("/a/", 200);
    server.Start();
    for (int round = 0; round < 2; ++round)
        for (const char* path : {"/a", "/A", "/a/"})
            EXPECT_EQ(engine.CheckUrl(Url(path)), 1) << path;
    EXPECT_EQ(server.Hits("/a"), 1);
    EXPECT_EQ(server.Hits("/A"), 1);
    EXPECT_EQ(server.Hits("/a/"), 1);
    EXPECT_EQ(engine.state().cacheUrls.size(), 4u);
}

TEST_F(CheckUrlTest, FailedUrlStaysBadForTheRun)
{
    int requests = 0;
    server.routes().Get("/later", [&](const httplib::Request&, httplib::Response& response) {
        response.status = ++requests == 1 ? 500 : 200;
    });
    server.Start();
    EXPECT_EQ(engine.CheckUrl(Url("/later")), 0);
    EXPECT_EQ(engine.CheckUrl(Url("/later")), 0);
    EXPECT_EQ(requests, 1);
}

TEST_F(CheckUrlTest, TextThatIsNoUrlIsBadAndCached)
{
    EXPECT_EQ(engine.CheckUrl(u"not a url"), 0);
    EXPECT_EQ(engine.state().cacheUrls.back(), u"not a url");
    EXPECT_FALSE(engine.state().cacheOk.back());
}

// A failed request comes back as a value; an exception from the prober is a
// fault of the program's, which goes on to the front end's handler instead
// of passing for a broken link. The URL stays judged bad for the run.
class FailingProber : public UrlProber {
public:
    int calls = 0;
    ProbeResult Probe(const std::u16string&) override
    {
        ++calls;
        throw std::runtime_error("a fault of the program's");
    }
};

TEST(CheckUrlFailure, AFaultOfTheProgramReachesTheFrontEnd)
{
    HttpClient http;
    RecordingWindow window(http);
    FailingProber prober;
    CheckEngine engine(window, prober, "unused");
    EXPECT_THROW(engine.CheckUrl(u"http://127.0.0.1:1/x"), std::runtime_error);
    EXPECT_EQ(engine.CheckUrl(u"http://127.0.0.1:1/x"), 0);
    EXPECT_EQ(prober.calls, 1);
}

}  // namespace
}  // namespace pardovane
