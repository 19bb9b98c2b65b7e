#include "tests/fault_server.h"
#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

// A random site: pages full of good, broken, redirected, repeated, relative
// and absolute links, served with small uneven delays so that answers come
// back out of order.
class GeneratedSite {
public:
    explicit GeneratedSite(unsigned seed) : random_(seed) {}

    std::map<std::string, std::string> pages;  // path -> html
    std::vector<std::string> listed;           // paths, in list order

    void Generate(const std::string& origin)
    {
        for (int page = 0; page < 6; ++page) {
            const std::string path = "/site/d" + std::to_string(page % 3) + "/p" + std::to_string(page) + ".html";
            pages[path] = PageHtml(origin);
            listed.push_back(path);
        }
        listed.push_back("/bad/listed.html");
        listed.push_back(listed[1]);  // a page listed twice
        listed.push_back("/r/site/d0/p0.html");
        std::shuffle(listed.begin(), listed.end(), random_);
    }

    // perSecond > 0: more requests than that in the last second get 429.
    void Serve(LocalServer& server, std::size_t perSecond = 0)
    {
        server.routes().Get(R"(/.*)", [this, &server, perSecond](const httplib::Request& request, httplib::Response& response) {
            const std::string& path = request.path;
            server.Wait(std::chrono::milliseconds(std::hash<std::string>{}(path) % 7));
            if (perSecond > 0 && !Admit(perSecond))
                response.status = 429;
            else if (auto page = pages.find(path); page != pages.end())
                response.set_content(page->second, "text/html");
            else if (path.starts_with("/bad"))
                response.status = 404;
            else if (path.starts_with("/r/"))
                response.set_redirect(path.substr(2));
            else
                response.set_content("ok", "text/plain");
        });
    }

private:
    bool Admit(std::size_t perSecond)
    {
        const std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        while (!recent_.empty() && now - recent_.front() > std::chrono::seconds(1))
            recent_.pop_front();
        if (recent_.size() >= perSecond)
            return false;
        recent_.push_back(now);
        return true;
    }

    std::string PageHtml(const std::string& origin)
    {
        static const std::vector<std::string> kRelative = {
            "a.html", "../up.html", "./here.html", "/rooted.html", "sub/deep.html", "#top", "",
            "q.html?x=1&amp;y=2", "p0.html", "../d1/p3.html"};
        std::string html = "<html><body>\n";
        std::uniform_int_distribution<int> kind(0, 9);
        std::uniform_int_distribution<int> pick(0, static_cast<int>(kRelative.size()) - 1);
        std::uniform_int_distribution<int> number(0, 12);
        for (int i = 0; i < 30; ++i) {
            std::string link;
            switch (kind(random_)) {
            case 0: link = "/bad/" + std::to_string(number(random_)) + ".html"; break;
            case 1: link = origin + "/bad/x" + std::to_string(number(random_)); break;
            case 2: link = origin + "/r/ok/" + std::to_string(number(random_)); break;
            case 3: link = origin + "/r/bad/" + std::to_string(number(random_)); break;
            case 4: link = origin + "/ok/" + std::to_string(number(random_)); break;
            case 5: link = "mailto:someone@example.com"; break;
            default: link = kRelative[pick(random_)]; break;
            }
            switch (i % 4) {
            case 0: html += "<a href=\"" + link + "\">x</a>\n"; break;
            case 1: html += "<A HREF=" + link + ">y</A>\n"; break;
            case 2: html += "<img src=\"" + link + "\">\n"; break;
            default: html += "<!-- <a href=\"/bad/commented\"> --><a class=x href=\"" + link + "\">z</a>\n"; break;
            }
        }
        return html + "</body></html>\n";
    }

    std::mt19937 random_;
    std::mutex mutex_;
    std::deque<std::chrono::steady_clock::time_point> recent_;
};

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
    std::string list;
    for (const std::string& path : site.listed)
        list += origin + path + "\r\n";
    const auto listFile = dir.Write("HtmlURL.txt", list);
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
