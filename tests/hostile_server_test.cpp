#include "engine/http/http_client.h"
#include "tests/fault_server.h"
#include "tests/local_server.h"

#include "tests/test_fixtures.h"

#include <gtest/gtest.h>

#include <ostream>

namespace pardovane {
namespace {

using test::FaultConnection;
using test::FaultServer;
using test::LocalServer;
using test::ResponseHead;

// Every wait in these tests ends on one of these; none is asserted on.
// A server that reads the request, sends bytes, and then either closes the
// connection or holds it open without another word.
enum class Then { Close, Stall };

FaultServer::Script Answer(const std::string& bytes, Then then)
{
    return [bytes, then](FaultConnection& connection) {
        if (connection.ReadRequestHead().empty())
            return;
        if (connection.Send(bytes) && then == Then::Stall)
            connection.HoldOpen();
    };
}

struct FaultCase {
    const char* name;
    std::string bytes;
    Then then;
    long probeStatus;  // 0: the probe fails
    HttpFailure probeFailure;
    HttpFailure downloadFailure;
    std::string body;  // of a download that succeeds
};

void PrintTo(const FaultCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string CaseName(const testing::TestParamInfo<FaultCase>& info)
{
    return info.param.name;
}

class ServerFault : public testing::TestWithParam<FaultCase> {
protected:
    // Two clients, so the download never reuses what the probe left behind;
    // one answer each, as retries are tested on their own.
    static HttpSettings Settings()
    {
        HttpSettings settings = test::ShortTimeouts(500, 500);
        settings.maxRetries = 0;
        return settings;
    }
    HttpClient client{Settings()};
    HttpClient downloader{Settings()};
};

// The probe takes the status once the headers are in, whatever the body does;
// the download needs the whole body and fails without it.
TEST_P(ServerFault, GivesTheExpectedProbeAndDownload)
{
    const FaultCase& c = GetParam();
    FaultServer server(Answer(c.bytes, c.then));

    const ProbeResult probe = client.Probe(server.Url16("/page"));
    EXPECT_EQ(probe.status, c.probeStatus);
    EXPECT_EQ(probe.failure, c.probeFailure) << HttpFailureName(probe.failure) << ": " << probe.detail;
    EXPECT_EQ(probe.good(), c.probeStatus > 0 && c.probeStatus < 400);

    const DownloadResult download = downloader.Download(server.Url16("/page"));
    EXPECT_EQ(download.failure, c.downloadFailure)
        << HttpFailureName(download.failure) << ": " << download.detail;
    if (download.ok()) {
        EXPECT_EQ(download.body, c.body);
    }
}

const std::string k200 = "HTTP/1.1 200 OK\r\n";

INSTANTIATE_TEST_SUITE_P(
    , ServerFault,
    testing::Values(
        // Accepts the connection and never answers.
        FaultCase{"NeverAnswers", "", Then::Stall, 0, HttpFailure::Timeout, HttpFailure::Timeout, ""},
        // Headers, then the body stalls forever.
        FaultCase{"BodyStallsWithSmallLength", k200 + "Content-Length: 20\r\n\r\nhalf", Then::Stall, 200,
                  HttpFailure::None, HttpFailure::Timeout, ""},
        FaultCase{"BodyStallsWithLargeLength", k200 + "Content-Length: 10000000\r\n\r\nhalf", Then::Stall,
                  200, HttpFailure::None, HttpFailure::Timeout, ""},
        FaultCase{"BodyStallsChunked", k200 + "Transfer-Encoding: chunked\r\n\r\n4\r\nhalf\r\n", Then::Stall,
                  200, HttpFailure::None, HttpFailure::Timeout, ""},
        FaultCase{"BodyStallsWithoutLength", k200 + "\r\nhalf", Then::Stall, 200, HttpFailure::None,
                  HttpFailure::Timeout, ""},
        FaultCase{"StatusLineStalls", "HTTP/1.1 200", Then::Stall, 0, HttpFailure::Timeout,
                  HttpFailure::Timeout, ""},
        FaultCase{"HeadersStall", k200 + "Content-Type: text/html\r\n", Then::Stall, 0, HttpFailure::Timeout,
                  HttpFailure::Timeout, ""},
        // The connection closes half-way through the response.
        FaultCase{"ClosesBeforeAnswering", "", Then::Close, 0, HttpFailure::GotNothing,
                  HttpFailure::GotNothing, ""},
        FaultCase{"ClosesInTheStatusLine", "HTTP/1.1 20", Then::Close, 0, HttpFailure::GotNothing,
                  HttpFailure::GotNothing, ""},
        FaultCase{"ClosesInTheHeaders", k200 + "Content-Type: te", Then::Close, 0, HttpFailure::Transfer,
                  HttpFailure::Transfer, ""},
        FaultCase{"ClosesInTheBody", k200 + "Content-Length: 100\r\n\r\nhalf", Then::Close, 200,
                  HttpFailure::None, HttpFailure::Transfer, ""},
        FaultCase{"ClosesInAChunk", k200 + "Transfer-Encoding: chunked\r\n\r\n10\r\nhalf", Then::Close, 200,
                  HttpFailure::None, HttpFailure::Transfer, ""},
        FaultCase{"ClosesInABadPage", "HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\nhalf",
                  Then::Close, 404, HttpFailure::None, HttpFailure::Transfer, ""},
        // A body without a length ends where the connection does.
        FaultCase{"BodyEndsAtClose", k200 + "\r\n<p>all</p>", Then::Close, 200, HttpFailure::None,
                  HttpFailure::None, "<p>all</p>"},
        // Content-Length that lies: a shorter one cuts the body, a longer one
        // leaves the download waiting for bytes that never come.
        FaultCase{"LengthShorterThanBody", k200 + "Content-Length: 5\r\n\r\n<p>longer body</p>", Then::Stall,
                  200, HttpFailure::None, HttpFailure::None, "<p>lo"},
        FaultCase{"LengthLongerThanBody", k200 + "Content-Length: 500\r\n\r\n<p>short</p>", Then::Stall, 200,
                  HttpFailure::None, HttpFailure::Timeout, ""},
        FaultCase{"LengthNotANumber", k200 + "Content-Length: lots\r\n\r\n<p>x</p>", Then::Close, 0,
                  HttpFailure::NotHttp, HttpFailure::NotHttp, ""},
        // No status line: curl takes it for HTTP/0.9, which it refuses.
        FaultCase{"NotHttpAtAll", "SSH-2.0-OpenSSH_9.2\r\n", Then::Close, 0, HttpFailure::NotHttp,
                  HttpFailure::NotHttp, ""}),
    CaseName);

// Headers of several hundred kilobytes: a status behind them still counts
// while curl accepts them; beyond its limit the answer is a clean failure.
class HugeHeaders : public testing::Test {
protected:
    HttpClient client{test::ShortTimeouts(500, 500)};

    static std::string Filler(std::size_t lines, std::size_t lineLength)
    {
        std::string headers;
        for (std::size_t i = 0; i < lines; ++i)
            headers += "X-Filler-" + std::to_string(i) + ": " + std::string(lineLength, 'f') + "\r\n";
        return headers;
    }
};

TEST_F(HugeHeaders, ManyHeadersBelowTheLimitStillGiveTheStatus)
{
    FaultServer server(
        Answer("HTTP/1.1 404 Not Found\r\n" + Filler(200, 1000) + "Content-Length: 0\r\n\r\n", Then::Close));
    const ProbeResult probe = client.Probe(server.Url16());
    EXPECT_EQ(probe.status, 404);
    EXPECT_FALSE(probe.good());
}

TEST_F(HugeHeaders, SeveralHundredKilobytesAreAFailureNotAHang)
{
    FaultServer server(Answer(k200 + Filler(800, 1000) + "Content-Length: 0\r\n\r\n", Then::Stall));
    const ProbeResult probe = client.Probe(server.Url16());
    EXPECT_FALSE(probe.good());
    EXPECT_EQ(probe.failure, HttpFailure::Transfer) << probe.detail;
    EXPECT_FALSE(client.DownloadText(server.Url16()).has_value());
}

TEST_F(HugeHeaders, OneHeaderLineOfHundredsOfKilobytesIsAFailure)
{
    FaultServer server(
        Answer(k200 + "X-Huge: " + std::string(std::size_t{300} * 1024, 'h') + "\r\n\r\n", Then::Stall));
    const ProbeResult probe = client.Probe(server.Url16());
    EXPECT_FALSE(probe.good());
    EXPECT_EQ(probe.failure, HttpFailure::Transfer);
}

// Compressed bodies: the download asks for them and decodes them, the probe
// never asks.
class CompressedBody : public testing::Test {
protected:
    LocalServer server;
    HttpClient client{test::ShortTimeouts(500, 500)};
    // gzip of <a href="gone.html">x</a>
    const std::string gzipped{
        "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xb3IT\xc8(JM\xb3UJ\xcf\xcfK\xd5\xcb(\xc9\xcdQ\xb2\xab"
        "\xb0\xd1O\xb4\x03\x00\x97*\xcc\xe1\x19\x00\x00\x00",
        45};

    void ServeGzip(const std::string& path, const std::string& body)
    {
        server.routes().Get(path, [body](const httplib::Request&, httplib::Response& response) {
            response.set_header("Content-Encoding", "gzip");
            response.set_content(body, "text/html");
        });
    }
};

TEST_F(CompressedBody, DownloadDecodesGzip)
{
    ServeGzip("/page", gzipped);
    server.Start();
    EXPECT_EQ(client.DownloadText(server.Url16("/page"))->text,
              std::u16string(u"<a href=\"gone.html\">x</a>"));
    EXPECT_NE(server.LastHeaders("/page").count("Accept-Encoding"), 0u);
    EXPECT_TRUE(client.Probe(server.Url16("/page")).good());
}

TEST_F(CompressedBody, CorruptGzipFailsTheDownloadOnly)
{
    std::string corrupt = gzipped;
    corrupt[15] = '\xff';
    corrupt.resize(30);
    ServeGzip("/page", corrupt);
    server.Start();
    EXPECT_TRUE(client.Probe(server.Url16("/page")).good());
    EXPECT_FALSE(client.DownloadText(server.Url16("/page")).has_value());
}

// A body that never ends: the probe stops at the status, the download at
// its cap.
TEST(EndlessBody, DownloadStopsAtTheCap)
{
    HttpSettings settings = test::ShortTimeouts(500, 500);
    settings.downloadTimeoutMs = 10'000;  // the cap, not the clock, must end it
    settings.downloadCapBytes = std::size_t{1024} * 1024;
    HttpClient client(settings);
    FaultServer server([](FaultConnection& connection) {
        if (connection.ReadRequestHead().empty())
            return;
        connection.Send(k200 + "Transfer-Encoding: chunked\r\n\r\n");
        const std::string chunk = "4000\r\n" + std::string(0x4000, 'x') + "\r\n";
        while (connection.Send(chunk)) {
        }
    });
    EXPECT_TRUE(client.Probe(server.Url16()).good());
    EXPECT_EQ(client.Download(server.Url16()).failure, HttpFailure::TooLarge);
}

TEST(EndlessBody, AnnouncedLengthAboveTheCapIsRefusedAtOnce)
{
    HttpSettings settings = test::ShortTimeouts(500, 500);
    settings.downloadCapBytes = std::size_t{1024} * 1024;
    HttpClient client(settings);
    FaultServer server(Answer(k200 + "Content-Length: 100000000000\r\n\r\nxxxx", Then::Stall));
    EXPECT_EQ(client.Download(server.Url16()).failure, HttpFailure::TooLarge);
}

}  // namespace
}  // namespace pardovane
