#include "tests/check_command.h"
#include "tests/fault_server.h"
#include "tests/generated_site.h"
#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

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

std::map<std::string, int> Difference(std::map<std::string, int> after,
                                      const std::map<std::string, int>& before)
{
    for (const auto& [target, count] : before)
        if ((after[target] -= count) == 0)
            after.erase(target);
    return after;
}

enum class Limit { None, FourConnections, ThirtyPerSecond };
const char* const kLimitNames[] = {"", "FourConnections", "ThirtyPerSecond"};

void PrintTo(Limit limit, std::ostream* out)
{
    *out << (limit == Limit::None ? "no limit" : kLimitNames[static_cast<int>(limit)]);
}

class LookaheadDifferential : public ::testing::TestWithParam<std::pair<unsigned, Limit>> { };

TEST_P(LookaheadDifferential, SameReportMessagesAndRequestsAtEveryNumberOfJobs)
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
    // The listed pages alone, and crawled from: every page a crawl adds
    // comes at its place in the report, whatever the jobs.
    for (const std::string mode : {"", "--recurse "}) {
        SCOPED_TRACE(mode);
        auto run = [&](int jobs) {
            return RunCommand(ShellQuote(PARDOVANE_CHECK_BINARY) + " " + mode + "--jobs "
                              + std::to_string(jobs) + " " + ShellQuote(listFile.string()));
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
            continue;
        }
        const auto sequentialHits = Difference(middle, before);
        // One GET per URL text, whatever the jobs: a listed page's is its probe
        // and its text for every line that lists it, also where a link reached
        // it first; and so is a crawled page's.
        EXPECT_EQ(Difference(after, middle), sequentialHits);
        for (const std::string& path : site.listed) {
            if (path != "/site/d0/p0.html") {  // also the end of a listed redirect
                EXPECT_EQ(sequentialHits.at(path), 1) << path;
            }
        }
        // The report really holds broken links and a bad page, so agreement means something.
        EXPECT_NE(sequential.out.find("  <Error>\r\n"), std::string::npos);
        EXPECT_NE(sequential.out.find("/bad/listed.html\" "), std::string::npos);
        EXPECT_EQ(sequential.out.find("/sub/deep.html\r\n") != std::string::npos, !mode.empty());
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::pair<unsigned, Limit>>& info)
{
    return "Seed" + std::to_string(info.param.first) + kLimitNames[static_cast<int>(info.param.second)];
}

INSTANTIATE_TEST_SUITE_P(Seeds, LookaheadDifferential,
                         ::testing::Values(std::pair{1u, Limit::None}, std::pair{2u, Limit::None},
                                           std::pair{3u, Limit::None}, std::pair{4u, Limit::FourConnections},
                                           std::pair{5u, Limit::ThirtyPerSecond}),
                         CaseName);

// Another site's link that fails once, by a reset or by a 503 beyond the
// retries, is good at its second look, and one that fails twice is broken;
// the site's own links are not asked again.
TEST(LookaheadSecondLook, AnotherSitesLinkIsBrokenOnlyWhenItFailsTwice)
{
    std::mutex mutex;
    std::map<std::string, int> asked;
    test::FaultServer other([&](test::FaultConnection& connection) {
        const std::string head = connection.ReadRequestHead();
        if (head.empty())
            return;
        const std::string path = head.substr(4, head.find(' ', 4) - 4);
        const std::lock_guard lock(mutex);
        const bool fails = ++asked[path] == 1 || path == "/busy-always";
        if (fails && path == "/reset-once")
            connection.Reset();
        else
            connection.Send(test::ResponseHead(fails ? "503 Busy" : "200 OK",
                                               {"Content-Length: 0", "Connection: close"}));
    });
    const std::string origin = "http://other.localhost:" + std::to_string(other.port());
    LocalServer site;
    std::atomic<int> ownAsked{0};
    site.routes().Get("/own-busy-once", [&ownAsked](const httplib::Request&, httplib::Response& response) {
        response.status = ++ownAsked == 1 ? 503 : 200;
    });
    site.Page("/index.html",
              "<a href=" + origin + "/reset-once>r</a><a href=" + origin + "/busy-once>b</a><a href=" + origin
                  + "/busy-always>a</a><a href=own-busy-once>o</a>");
    site.Start();

    const auto result = test::Check("--max-retries 0 " + site.Url("/index.html"));

    EXPECT_EQ(result.out,
              site.Url("/index.html") + "\r\n  " + origin
                  + "/busy-always  <Error>\r\n  own-busy-once  <Error>\r\n  <Err>\r\n\r\n");
    const std::lock_guard lock(mutex);
    EXPECT_EQ(asked,
              (std::map<std::string, int>{{"/reset-once", 2}, {"/busy-once", 2}, {"/busy-always", 2}}));
    EXPECT_EQ(site.Hits("/own-busy-once"), 1);
}

}  // namespace
}  // namespace pardovane
