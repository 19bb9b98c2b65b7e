// What a request sends: its headers, the user's own, and where credentials go.
#include "engine/http/http_client.h"
#include "engine/page/utf_convert.h"
#include "tests/local_server.h"
#include "tests/test_fixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unordered_set>

namespace pardovane {
namespace {

using test::LocalServer;

class HttpHeadersTest : public ::testing::Test {
protected:
    LocalServer server;
    HttpClient client{test::ShortTimeouts(400, 400)};

    ProbeResult Probe(const std::string& path) { return client.Probe(server.Url16(path)); }
};

TEST_F(HttpHeadersTest, SendsUserAgentAndAcceptOnly)
{
    server.Status("/h", 200);
    server.Start();
    ASSERT_TRUE(Probe("/h").good());
    const auto headers = server.LastHeaders("/h");
    const auto agent = headers.find("User-Agent");
    ASSERT_NE(agent, headers.end());
    EXPECT_EQ(agent->second, "Pardovane/1.4.0");
    const auto accept = headers.find("Accept");
    ASSERT_NE(accept, headers.end());
    EXPECT_EQ(accept->second, "*/*");
    EXPECT_EQ(headers.count("Accept-Encoding"), 0u);
    EXPECT_EQ(headers.count("Cookie"), 0u);
}

TEST_F(HttpHeadersTest, ChosenUserAgentAndExtraHeadersAreSent)
{
    HttpSettings settings = test::ShortTimeouts();
    settings.userAgent = "Tester/2";
    settings.headers = {"X-One: 1"};
    HttpClient custom(settings);
    server.Status("/h", 200);
    server.Start();
    ASSERT_TRUE(custom.Probe(server.Url16("/h")).good());
    const auto headers = server.LastHeaders("/h");
    EXPECT_EQ(headers.find("User-Agent")->second, "Tester/2");
    EXPECT_EQ(headers.find("X-One")->second, "1");
}

// Credentials go to the run's own origin alone, a header given for an
// origin to that one alone, and neither once a chain has left its first
// origin, even back to the own one; every other header goes everywhere.
TEST_F(HttpHeadersTest, CredentialsStayWithTheirOrigin)
{
    LocalServer other;
    server.Status("/page", 200);
    server.Status("/returned", 200);
    other.Status("/x", 200);
    other.Status("/landed", 200);
    // Each server's port is known once it starts, so the redirects across
    // look it up when asked.
    const auto redirect = [](LocalServer& from, const char* path, LocalServer& to, std::string target) {
        from.routes().Get(path, [&to, target](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(to.Url(target), 302);
        });
    };
    redirect(server, "/to-other", other, "/landed");
    redirect(server, "/out-back", other, "/back");
    redirect(other, "/back", server, "/returned");
    server.Start();
    other.Start();
    HttpSettings settings = test::ShortTimeouts();
    settings.headers = {"Authorization: Bearer s", "x-api-key: k", "X-Plain: 1"};
    settings.credentialHeaders = {"X-Api-Key"};
    settings.originHeaders = {{"http://127.0.0.1:" + std::to_string(other.port()), "X-For: o"}};
    settings.credentialOrigins = std::make_shared<const std::unordered_set<std::string>>(
        std::unordered_set<std::string>{"http://127.0.0.1:" + std::to_string(server.port())});
    HttpClient scoped(settings);

    struct Case {
        LocalServer& start;
        const char* path;
        LocalServer& end;
        const char* target;
        const char* expected;  // the scoped headers that arrived, in this order
    };
    const Case cases[] = {
        {server, "/page", server, "/page", "Authorization x-api-key X-Plain"},
        {other, "/x", other, "/x", "X-Plain X-For"},
        {server, "/to-other", other, "/landed", "X-Plain"},
        {server, "/out-back", server, "/returned", "X-Plain"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(scoped.Probe(c.start.Url16(c.path)).good()) << c.path;
        const auto headers = c.end.LastHeaders(c.target);
        std::string arrived;
        for (const char* name : {"Authorization", "x-api-key", "X-Plain", "X-For"})
            if (headers.count(name))
                arrived += (arrived.empty() ? "" : " ") + std::string(name);
        EXPECT_EQ(arrived, c.expected) << c.path;
    }

    // A URL's own user and password go to its origin alone.
    const std::string withUser = "http://u:p@127.0.0.1:" + std::to_string(server.port());
    EXPECT_TRUE(client.Probe(Utf8ToUtf16(withUser + "/to-other")).good());
    const auto sent = server.LastHeaders("/to-other");
    EXPECT_EQ(sent.count("Authorization") ? sent.find("Authorization")->second : "", "Basic dTpw");
    EXPECT_EQ(other.LastHeaders("/landed").count("Authorization"), 0u);
}

TEST_F(HttpHeadersTest, CookieSetOnARedirectIsSentAlongTheChainOnly)
{
    server.routes().Get("/login", [](const httplib::Request&, httplib::Response& response) {
        response.status = 302;
        response.set_header("Set-Cookie", "session=1; Path=/");
        response.set_header("Location", "/members");
    });
    server.routes().Get("/members", [](const httplib::Request& request, httplib::Response& response) {
        response.status = request.get_header_value("Cookie") == "session=1" ? 200 : 403;
    });
    server.Start();
    EXPECT_TRUE(Probe("/login").good());
    EXPECT_FALSE(Probe("/members").good());  // a new request starts without the cookie
}
}  // namespace
}  // namespace pardovane
