#include "tests/local_server.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

test::CommandResult Check(const std::string& arguments)
{
    return RunCommand(ShellQuote(PARDOVANE_CHECK_BINARY) + " " + arguments);
}

struct PolicyCase {
    const char* options;
    int exitCode;
    const char* errorLines;  // of the text report
};

// A link behind a bot wall (403) and one moved for good (301 to a good page).
const PolicyCase kPolicies[] = {
    {"", 1, "  walled.html  <Error>\r\n"},
    {"--accept 200-299,403", 0, ""},
    {"--accept 200-299,403 --redirects warn", 0, ""},
    {"--accept 200-299,403 --redirects warn --warnings-as-errors", 1, ""},
    {"--accept 200-299,403 --redirects error", 1, "  moved.html  <Error>\r\n"},
    {"--accept 200-299,403 --warnings-as-errors", 0, ""},
};

TEST(CheckCommandPolicy, AcceptedStatusesAndRedirectsDecideVerdictsAndStatus)
{
    LocalServer server;
    server.Page("/index.html", "<a href=walled.html>w</a><a href=moved.html>m</a>");
    server.Status("/walled.html", 403);
    server.Redirect("/moved.html", "/new.html", 301);
    server.Page("/new.html", "new");
    server.Start();
    for (const PolicyCase& c : kPolicies) {
        const auto result = Check(std::string(c.options) + " " + server.Url("/index.html"));
        EXPECT_EQ(result.exitCode, c.exitCode) << c.options;
        EXPECT_EQ(result.out,
                  server.Url("/index.html") + "\r\n" + c.errorLines
                      + (*c.errorLines ? "  <Err>\r\n\r\n" : "  <OK>\r\n\r\n"))
            << c.options;
    }
}

// Good answers of other sites' links are kept across runs; bad ones, and
// the site's own links, are asked every time.
class AnswerCacheRuns : public testing::Test {
protected:
    static constexpr int kExternal = 1000;

    void SetUp() override
    {
        other.Status("/bad.html", 404);
        other.Redirect("/moved.html", "/target.html", 301);
        other.Page("/target.html", "moved here");
        other.routes().Get(R"(/g\d+\.html)", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("good", "text/html");
        });
        other.Start();
        // *.localhost is loopback to curl, and another site than 127.0.0.1.
        const std::string origin = "http://other.localhost:" + std::to_string(other.port());
        std::string html = "<a href=own.html>own</a><a href=" + origin + "/bad.html>bad</a><a href=" + origin
            + "/moved.html>moved</a>";
        for (int n = 0; n < kExternal; ++n)
            html += "<a href=" + origin + "/g" + std::to_string(n) + ".html>" + std::to_string(n) + "</a>";
        site.Page("/index.html", html);
        site.Page("/own.html", "own");
        site.Start();
        cache = dir.path() / "answers";
    }

    test::CommandResult Run(const std::string& options = "")
    {
        return Check("--cache " + ShellQuote(cache.string()) + " " + options + " " + site.Url("/index.html"));
    }

    // Requests to the other site's good pages since the last call.
    int NewGoodRequests()
    {
        const int total = other.TotalHits() - other.Hits("/bad.html") - other.Hits("/moved.html")
            - other.Hits("/target.html");
        return total - std::exchange(goodSeen, total);
    }

    LocalServer site;
    LocalServer other;
    TempDir dir;
    std::filesystem::path cache;
    int goodSeen = 0;
};

TEST_F(AnswerCacheRuns, FreshAnswersAreTakenStaleAndDamagedOnesAreAskedAgain)
{
    const auto first = Run();
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_EQ(NewGoodRequests(), kExternal);

    const auto fresh = Run();
    EXPECT_EQ(fresh.out, first.out);
    EXPECT_EQ(fresh.err, first.err);
    EXPECT_EQ(NewGoodRequests(), 0);
    EXPECT_EQ(other.Hits("/bad.html"), 2);
    EXPECT_EQ(site.Hits("/own.html"), 2);
    EXPECT_EQ(other.Hits("/moved.html"), 1);

    // A kept answer is judged by this run's rules, never reused as a verdict.
    const auto stricter = Run("--redirects error");
    EXPECT_NE(stricter.out.find("moved.html  <Error>"), std::string::npos);
    EXPECT_EQ(other.Hits("/moved.html"), 2);
    EXPECT_EQ(NewGoodRequests(), 0);

    EXPECT_EQ(Run("--max-cache-age 0").out, first.out);
    EXPECT_EQ(NewGoodRequests(), kExternal);

    // What was stale is not written back.
    Run();
    EXPECT_EQ(NewGoodRequests(), kExternal);
    std::filesystem::resize_file(cache, std::filesystem::file_size(cache) / 2);
    const auto damaged = Run();
    EXPECT_EQ(damaged.out, first.out);
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_EQ(damaged.err,
              "pardovane-check: the cache " + cache.string()
                  + " is damaged or not a cache of pardovane-check; it is left out and will "
                    "be replaced\n"
                  + first.err);
    EXPECT_EQ(NewGoodRequests(), kExternal);

    std::ofstream(cache) << "{\"not\": \"ours\"}\n";
    EXPECT_EQ(Run().err, damaged.err);
    EXPECT_EQ(NewGoodRequests(), kExternal);
    // Written anew, whole, by the run that could not use it.
    Run();
    EXPECT_EQ(NewGoodRequests(), 0);
}

}  // namespace
}  // namespace pardovane
