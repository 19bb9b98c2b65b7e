#include "engine/fetch/lookahead_fetcher.h"
#include "engine/page/utf_convert.h"
#include "engine/run/check_engine.h"
#include "tests/fault_server.h"
#include "tests/local_server.h"
#include "tests/recording_window.h"
#include "tests/temp_dir.h"

#include "tests/test_fixtures.h"

#include <gtest/gtest.h>

namespace pardovane {
namespace {

using test::FaultConnection;
using test::FaultServer;
using test::LocalServer;
using test::RecordingWindow;
using test::TempDir;
using Calls = std::vector<std::u16string>;

std::u16string RecordedMessage(const std::u16string& url)
{
    return u"Message:" + test::BadPageMessage(url);
}

HttpSettings ShortTimeouts()
{
    HttpSettings settings = test::ShortTimeouts();
    settings.downloadCapBytes = std::size_t{1024} * 1024;
    return settings;
}

// Every kind of misbehaving server at once, behind one page of links and in
// the list itself. Each request is answered by what its path names.
class HostileSite {
public:
    HostileSite() : faults_([](FaultConnection& connection) { Serve(connection); })
    {
        site.Page("/site/index.html", PageHtml());
        site.Page("/site/after.html", "<p>after</p>");
        site.Page("/site/fine.html", "ok");
        for (int i = 0; i < 11; ++i)
            site.Redirect("/site/hop" + std::to_string(i), "/site/hop" + std::to_string(i + 1));
        site.Page("/site/hop11", "end");
        site.Redirect("/site/loop-a", "/site/loop-b");
        site.Redirect("/site/loop-b", "/site/loop-a");
        site.Redirect("/site/to-file", "file:///etc/hostname");
        site.Redirect("/site/to-ftp", "ftp://127.0.0.1/");
        site.routes().Get("/site/endless", [this](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/html", [this](std::size_t, httplib::DataSink& sink) {
                const std::string chunk(std::size_t{16} * 1024, 'x');
                return !site.stopping() && sink.write(chunk.data(), chunk.size());
            });
        });
        site.Start();
    }

    LocalServer site;

    std::u16string Fault(const std::string& name) const { return faults_.Url16("/" + name); }
    std::u16string Site(const std::string& path) const { return site.Url16(path); }

    // The links of the index page, as written, that must be reported broken.
    std::vector<std::u16string> brokenLinks() const
    {
        return {Fault("silent"), Fault("closes-in-headers"), u"hop0", u"loop-a", u"to-file", u"to-ftp"};
    }

private:
    static void Serve(FaultConnection& connection)
    {
        const std::string head = connection.ReadRequestHead();
        if (head.empty())
            return;
        const std::string path = head.substr(4, head.find(' ', 4) - 4);
        const std::string ok = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
        if (path == "/silent") {
            connection.HoldOpen();
        } else if (path == "/stalls-body") {
            if (connection.Send(ok + "Content-Length: 1000\r\n\r\n<a href=x>"))
                connection.HoldOpen();
        } else if (path == "/closes-in-body") {
            connection.Send(ok + "Content-Length: 1000\r\n\r\n<a href=x>");
        } else if (path == "/closes-in-headers") {
            connection.Send(ok + "Content-Ty");
        } else {
            connection.Send(ok + "Content-Length: 2\r\n\r\nok");
        }
    }

    std::string PageHtml() const
    {
        std::string html;
        auto link
            = [&](const std::u16string& href) { html += "<a href=\"" + Utf16ToUtf8(href) + "\">x</a>\n"; };
        link(Fault("silent"));
        link(Fault("stalls-body"));     // the status is in before the stall: good
        link(Fault("closes-in-body"));  // likewise
        link(Fault("closes-in-headers"));
        link(u"hop0");  // eleven redirects
        link(u"hop1");  // ten
        link(u"loop-a");
        link(u"to-file");
        link(u"to-ftp");
        link(u"endless");  // the probe stops at the status
        link(u"fine.html");
        return html;
    }

    FaultServer faults_;
};

class HostileRun : public testing::Test {
protected:
    HostileSite site;
    TempDir dir;
    std::filesystem::path listPath = dir.path() / "HtmlURL.txt";

    std::u16string List() const
    {
        return site.Fault("silent") + u"\r\n" + site.Fault("stalls-body") + u"\r\n"
            + site.Fault("closes-in-body") + u"\r\n" + site.Site("/site/endless") + u"\r\n"
            + site.Site("/site/index.html") + u"\r\n" + site.Site("/site/after.html") + u"\r\n";
    }

    std::u16string ExpectedReport() const
    {
        std::u16string index = site.Site("/site/index.html") + u"\r\n";
        for (const std::u16string& link : site.brokenLinks())
            index += u"  " + link + u"  <Error>\r\n";
        index += u"  <Err>\r\n\r\n";
        // The silent page fails its probe; the next three answer it and then
        // fail their downloads (stalled, cut short, above the cap).
        return test::BadPageBlock(site.Fault("silent")) + site.Fault("stalls-body") + u"\r\n  <Err>\r\n\r\n"
            + site.Fault("closes-in-body") + u"\r\n  <Err>\r\n\r\n" + site.Site("/site/endless")
            + u"\r\n  <Err>\r\n\r\n" + index + site.Site("/site/after.html") + u"\r\n  <OK>\r\n\r\n";
    }

    Calls ExpectedMessages() const
    {
        return {RecordedMessage(site.Fault("silent")), RecordedMessage(site.Fault("stalls-body")),
                RecordedMessage(site.Fault("closes-in-body")), RecordedMessage(site.Site("/site/endless"))};
    }
};

TEST_F(HostileRun, EveryFailureIsReportedAndTheRunGoesOn)
{
    dir.Write("HtmlURL.txt", Utf16ToUtf8(List()));
    HttpClient http(ShortTimeouts());
    RecordingWindow window(http);
    CheckEngine engine(window, http, listPath);

    engine.RunCheck();

    EXPECT_EQ(engine.state().report, ExpectedReport());
    EXPECT_EQ(window.Only({u"Message"}), ExpectedMessages());
    EXPECT_EQ(engine.state().checkedCount, 11);
    EXPECT_EQ(engine.state().errorCount, 6);
    EXPECT_EQ(engine.lastRun().badPages, 4);
    EXPECT_EQ(window.calls.back(), u"Label1:チェック数/11  エラー/6");
    // The loop is cut at the redirect limit.
    EXPECT_LE(site.site.Hits("/site/loop-a") + site.site.Hits("/site/loop-b"), 11);
}

TEST_F(HostileRun, FetchingAheadGivesTheSameReport)
{
    dir.Write("HtmlURL.txt", Utf16ToUtf8(List()));
    HttpClient http(ShortTimeouts());
    LookaheadFetcher fetcher(4, ShortTimeouts());
    class AheadWindow : public RecordingWindow {
    public:
        AheadWindow(HttpClient& http, LookaheadFetcher& fetcher)
            : RecordingWindow(http), fetcher_(fetcher) { }
        std::optional<DownloadedPage> DownloadPage(const std::u16string& url) override
        {
            return fetcher_.DownloadText(url);
        }

    private:
        LookaheadFetcher& fetcher_;
    } window(http, fetcher);
    CheckEngine engine(window, fetcher, listPath);
    engine.AddObserver(fetcher);

    engine.RunCheck();

    EXPECT_EQ(engine.state().report, ExpectedReport());
    EXPECT_EQ(window.Only({u"Message"}), ExpectedMessages());
    EXPECT_EQ(engine.state().errorCount, 6);
}

}  // namespace
}  // namespace pardovane
