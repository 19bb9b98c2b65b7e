#include "engine/http/http_client.h"
#include "engine/http/retry_policy.h"
#include "tests/fault_server.h"

#include "tests/test_fixtures.h"

#include <gtest/gtest.h>

#include <ctime>

namespace pardovane {
namespace {

using test::FaultConnection;
using test::FaultServer;

// Each connection answers once: the first `faults` with `fault` (nothing at
// all when empty), then 200.
TEST(Retry, VerdictIsTheLastAnswer)
{
    const std::string close = "Content-Length: 0\r\nConnection: close\r\n\r\n";
    const struct {
        std::string fault;
        int faults;
        long status;
        int connections;
    } cases[] = {
        {"HTTP/1.1 429 Too Many\r\nRetry-After: 1\r\n" + close, 1, 200, 2},
        {"HTTP/1.1 503 Busy\r\nRetry-After: 0\r\n" + close, 1, 200, 2},
        {"HTTP/1.1 408 Slow\r\n" + close, 2, 200, 3},
        {"", 1, 200, 2},  // closed before any status
        {"HTTP/1.1 429 Too Many\r\n" + close, 9, 429, 3},
        {"HTTP/1.1 404 Not Found\r\n" + close, 1, 404, 1},
        {"HTTP/1.1 500 Oops\r\n" + close, 1, 500, 1},
    };
    HttpSettings settings = test::ShortTimeouts(2000, 2000);
    settings.retryDelayMs = 10;
    for (const auto& c : cases) {
        std::atomic<int> answered{0};
        FaultServer server([&](FaultConnection& connection) {
            if (connection.ReadRequestHead().empty())
                return;
            connection.Send(answered++ >= c.faults ? "HTTP/1.1 200 OK\r\n" + close : c.fault);
        });
        const ProbeResult result = HttpClient(settings).Probe(server.Url16("/x"));
        EXPECT_EQ(result.status, c.status) << c.fault << result.detail;
        EXPECT_EQ(server.connections(), c.connections) << c.fault;
    }
}

// A send cut short by a reset: no loopback server brings one about reliably,
// as the kernel takes in the whole request before the reset arrives.
TEST(IsRetried, LostConnectionsAreAskedAgainRefusalsAndTimeOutsNot)
{
    EXPECT_TRUE(IsRetried(0, HttpFailure::SendFailed));
    EXPECT_TRUE(IsRetried(0, HttpFailure::ReceiveFailed));
    EXPECT_FALSE(IsRetried(0, HttpFailure::ConnectionRefused));
    EXPECT_FALSE(IsRetried(0, HttpFailure::Timeout));
}

std::string HttpDateIn(int seconds)
{
    const std::time_t when = std::time(nullptr) + seconds;
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", std::gmtime(&when));
    return text;
}

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
