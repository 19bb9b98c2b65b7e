#include "http_client.h"
#include "temp_dir.h"
#include "tls_fixture.h"

#include "test_fixtures.h"


#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace pardovane {
namespace {

using test::CertificateSpec;
using test::FaultConnection;
using test::FaultServer;
using test::TempDir;
using test::TestCa;
using test::TlsServer;

class Tls : public testing::Test {
protected:
    TestCa ca;
    TempDir dir;
    std::string caFile = dir.Write("ca.pem", ca.root().certPem).string();

    HttpClient Client(bool insecure = false) const
    {
        HttpSettings settings = test::ShortTimeouts(2000, 2000);
        settings.caFile = caFile;
        settings.insecure = insecure;
        return HttpClient(settings);
    }
};

// Sets (or, given nullptr, removes) an environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(Tls, EachCertificateProblemHasItsOwnReason)
{
    TestCa stranger("Stranger CA");
    const struct {
        test::TestCertificate certificate;
        HttpFailure failure;
    } cases[] = {
        {ca.Issue({}), HttpFailure::None},
        {ca.Issue({"IP:127.0.0.1", -30, -1}), HttpFailure::CertExpired},
        {ca.Issue({"IP:127.0.0.1", 1, 30}), HttpFailure::CertNotYetValid},
        {ca.Issue({"DNS:other.example", -1, 30}), HttpFailure::CertWrongHost},
        {TestCa::SelfSigned({}), HttpFailure::CertSelfSigned},
        {stranger.Issue({}), HttpFailure::CertUnknownIssuer},
    };
    for (const auto& c : cases) {
        TlsServer server(c.certificate);
        const ProbeResult result = Client().Probe(server.Url16());
        EXPECT_EQ(result.failure, c.failure) << HttpFailureName(result.failure) << ": " << result.detail;
        EXPECT_EQ(Client(true).Probe(server.Url16()).status, 200);
    }
}

TEST_F(Tls, AuthorityNamedByTheEnvironmentIsTrusted)
{
    TlsServer server(ca.Issue({}));
    ScopedEnv bundle("CURL_CA_BUNDLE", nullptr), dir("SSL_CERT_DIR", nullptr), file("SSL_CERT_FILE", nullptr);
    EXPECT_EQ(HttpClient().Probe(server.Url16()).failure, HttpFailure::CertUnknownIssuer);
    {
        ScopedEnv trusted("SSL_CERT_FILE", caFile.c_str());
        EXPECT_EQ(HttpClient().Probe(server.Url16()).status, 200);
    }
    ScopedEnv trusted("CURL_CA_BUNDLE", caFile.c_str());
    EXPECT_EQ(HttpClient().Probe(server.Url16()).status, 200);
}

// An HTTP proxy that opens a tunnel on CONNECT and relays bytes both ways.
FaultServer::Script ConnectProxy()
{
    return [](FaultConnection& client) {
        const std::string head = client.ReadRequestHead();
        const std::string prefix = "CONNECT 127.0.0.1:";
        if (head.starts_with(prefix))
            client.RelayTo(std::atoi(head.c_str() + prefix.size()),
                           "HTTP/1.1 200 Connection established\r\nProxy-Agent: test\r\n\r\n");
    };
}

TEST_F(Tls, HttpsGoesThroughAConnectProxy)
{
    TlsServer server(ca.Issue({}));
    FaultServer proxy(ConnectProxy());
    const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
    ScopedEnv env("https_proxy", proxyUrl.c_str()), none("no_proxy", nullptr), NONE("NO_PROXY", nullptr);
    HttpClient client = Client();
    EXPECT_EQ(client.Probe(server.Url16()).status, 200);
    EXPECT_EQ(client.DownloadText(server.Url16())->text, u"ok");
    EXPECT_EQ(proxy.connections(), 2);
}

}  // namespace
}  // namespace pardovane
