#include "fault_server.h"
#include "http_client.h"
#include "retry_policy.h"

#include "test_fixtures.h"

#include <gtest/gtest.h>

#include <ctime>
#include <ostream>

namespace pardovane {
namespace {

using test::FaultConnection;
using test::FaultServer;

struct RetryCase {
    const char* name;
    std::string fault;  // the first answers; empty: closed before any status
    int faults;         // how many connections get it
    long status;        // the verdict's
    int connections;
};

void PrintTo(const RetryCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string HttpDateIn(int seconds)
{
    const std::time_t when = std::time(nullptr) + seconds;
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", std::gmtime(&when));
    return text;
}

class Retry : public testing::TestWithParam<RetryCase> {};

// Each connection answers once; the first `faults` get the fault, then 200.
TEST_P(Retry, VerdictIsTheLastAnswer)
{
    const RetryCase& c = GetParam();
    std::atomic<int> answered{0};
    FaultServer server([&](FaultConnection& connection) {
        if (connection.ReadRequestHead().empty())
            return;
        if (answered++ >= c.faults)
            connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        else if (!c.fault.empty())
            connection.Send(c.fault);
    });
    HttpSettings settings = test::ShortTimeouts(2000, 2000);
    settings.retryDelayMs = 10;
    HttpClient client(settings);
    const ProbeResult result = client.Probe(server.Url16("/x"));
    EXPECT_EQ(result.status, c.status) << result.detail;
    EXPECT_EQ(server.connections(), c.connections);
}

const std::string kClose = "Content-Length: 0\r\nConnection: close\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    , Retry,
    testing::Values(
        RetryCase{"TooManyRequestsWithSeconds", "HTTP/1.1 429 Too Many\r\nRetry-After: 1\r\n" + kClose, 1, 200, 2},
        RetryCase{"Unavailable", "HTTP/1.1 503 Busy\r\nRetry-After: 0\r\n" + kClose, 1, 200, 2},
        RetryCase{"RequestTimeoutTwice", "HTTP/1.1 408 Slow\r\n" + kClose, 2, 200, 3},
        RetryCase{"ClosedBeforeAnyStatus", "", 1, 200, 2},
        RetryCase{"ThrottledEveryTimeEndsThrottled", "HTTP/1.1 429 Too Many\r\n" + kClose, 9, 429, 3},
        RetryCase{"NotFoundIsFinal", "HTTP/1.1 404 Not Found\r\n" + kClose, 1, 404, 1},
        RetryCase{"ServerErrorIsFinal", "HTTP/1.1 500 Oops\r\n" + kClose, 1, 500, 1}),
    [](const testing::TestParamInfo<RetryCase>& info) { return std::string(info.param.name); });

TEST(RetryDelay, ServerWaitWinsOverBackoffAndIsCapped)
{
    using std::chrono::milliseconds;
    const milliseconds base{100};
    EXPECT_EQ(RetryDelay("", 0, base), milliseconds(100));
    EXPECT_EQ(RetryDelay("", 2, base), milliseconds(400));
    EXPECT_EQ(RetryDelay(" 3\r\n", 0, base), milliseconds(3000));
    EXPECT_EQ(RetryDelay("86400", 0, base), milliseconds(60'000));
    EXPECT_EQ(RetryDelay("soon", 1, base), milliseconds(200));
    EXPECT_EQ(RetryDelay(HttpDateIn(-100), 0, base), milliseconds(0));
    const milliseconds dated = RetryDelay(HttpDateIn(30), 0, base);
    EXPECT_GE(dated, milliseconds(28'000));
    EXPECT_LE(dated, milliseconds(30'000));
}

}  // namespace
}  // namespace pardovane
