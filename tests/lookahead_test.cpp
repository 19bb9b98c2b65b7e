#include "tests/fault_server.h"
#include "tests/generated_site.h"
#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace pardovane {
namespace {

using test::GeneratedSite;
using test::LocalServer;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

// In front of a server: the first four connections at a time pass, the
// rest are reset, as a server limiting each client does.
test::FaultServer::Script FourConnectionsAtATime(int port)
{
    auto active = std::make_shared<std::atomic<int>>(0);
    return [active, port](test::FaultConnection& connection) {
        if (++*active <= 4)
            connection.RelayTo(port);
        else
            connection.Reset();
        --*active;
    };
}

std::map<std::string, int> Difference(std::map<std::string, int> after, const std::map<std::string, int>& before)
{
    for (const auto& [target, count] : before)
        if ((after[target] -= count) == 0)
            after.erase(target);
    return after;
}

enum class Limit { None, FourConnections, ThirtyPerSecond };

class LookaheadDifferential : public ::testing::TestWithParam<std::pair<unsigned, Limit>> {};

TEST_P(LookaheadDifferential, SameReportMessagesAndRequestsAsOneAtATime)
{
    const auto [seed, limit] = GetParam();
    LocalServer server;
    GeneratedSite site(seed);
    server.Start();
    std::optional<test::FaultServer> front;
    if (limit == Limit::FourConnections)
        front.emplace(FourConnectionsAtATime(server.port()));
    const std::string origin = front ? front->Url("") : server.Url();
    site.Generate(origin);
    site.Serve(server, limit == Limit::ThirtyPerSecond ? 30 : 0);

    TempDir dir;
    const auto listFile = dir.Write("HtmlURL.txt", site.List(origin));
    auto run = [&](int jobs) {
        return RunCommand(ShellQuote(PARDOVANE_CHECK_BINARY) + " --jobs " + std::to_string(jobs) + " "
                          + ShellQuote(listFile.string()));
    };

    const auto before = server.AllHits();
    const auto sequential = run(1);
    const auto middle = server.AllHits();
    const auto concurrent = run(16);
    const auto after = server.AllHits();

    EXPECT_EQ(sequential.exitCode, 1);
    EXPECT_EQ(concurrent.exitCode, sequential.exitCode);
    EXPECT_EQ(concurrent.out, sequential.out);
    EXPECT_EQ(concurrent.err, sequential.err);
    if (limit != Limit::None) {
        // Refused requests are asked again, so only the answers can agree.
        EXPECT_EQ(run(64).out, sequential.out);
        return;
    }
    const auto sequentialHits = Difference(middle, before);
    auto concurrentHits = Difference(after, middle);
    // The same requests, except that a listed page the fetching ahead reaches
    // before a link to it does is probed and downloaded by one GET.
    const std::set<std::string> listed(site.listed.begin(), site.listed.end());
    for (const auto& [target, count] : sequentialHits) {
        const int got = concurrentHits[target];
        if (listed.contains(target)) {
            EXPECT_GE(got, 1) << target;
            EXPECT_LE(got, count) << target;
        } else {
            EXPECT_EQ(got, count) << target;
        }
    }
    EXPECT_EQ(concurrentHits.size(), sequentialHits.size());
    // The report really holds broken links and a bad page, so agreement means something.
    EXPECT_NE(sequential.out.find("  <Error>\r\n"), std::string::npos);
    EXPECT_NE(sequential.out.find("/bad/listed.html\" "), std::string::npos);
    // Broken and redirecting URLs are reached by one URL text each: one request.
    for (const auto& [target, count] : sequentialHits) {
        if (target.starts_with("/bad") || target.starts_with("/r/ok") || target.starts_with("/r/bad")) {
            EXPECT_EQ(count, 1) << target;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, LookaheadDifferential,
                         ::testing::Values(std::pair{1u, Limit::None}, std::pair{2u, Limit::None},
                                           std::pair{3u, Limit::None}, std::pair{4u, Limit::FourConnections},
                                           std::pair{5u, Limit::ThirtyPerSecond}));

}  // namespace
}  // namespace pardovane
