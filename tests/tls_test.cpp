#include "engine/http/http_client.h"
#include "tests/tls_fixture.h"

#include "tests/scoped_env.h"
#include "tests/test_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace pardovane {
namespace {

using test::FaultConnection;
using test::FaultServer;
using test::ScopedEnv;
using test::TlsDataFile;
using test::TlsServer;

class Tls : public testing::Test {
protected:
    const std::string caFile = TlsDataFile("authority.pem");

    ProbeResult Probe(const TlsServer& server, bool insecure = false) const
    {
        HttpSettings settings = test::ShortTimeouts(2000, 2000);
        settings.caFile = caFile;
        settings.insecure = insecure;
        return HttpClient(settings).Probe(server.Url16());
    }
};

TEST_F(Tls, EachCertificateProblemHasItsOwnReason)
{
    const std::pair<const char*, HttpFailure> cases[] = {
        {"good.pem", HttpFailure::None},
        {"expired.pem", HttpFailure::CertExpired},
        {"not-yet-valid.pem", HttpFailure::CertNotYetValid},
        {"other-host.pem", HttpFailure::CertWrongHost},
        {"self-signed.pem", HttpFailure::CertSelfSigned},
        {"unknown-issuer.pem", HttpFailure::CertUnknownIssuer},
    };
    for (const auto& [file, failure] : cases) {
        TlsServer server(TlsDataFile(file));
        const ProbeResult result = Probe(server);
        EXPECT_EQ(result.failure, failure) << file << ": " << result.detail;
        EXPECT_EQ(Probe(server, true).status, 200);
    }
}

TEST_F(Tls, AuthorityNamedByTheEnvironmentIsTrusted)
{
    TlsServer server(TlsDataFile("good.pem"));
    ScopedEnv bundle("CURL_CA_BUNDLE", nullptr), dir("SSL_CERT_DIR", nullptr), file("SSL_CERT_FILE", nullptr);
    EXPECT_EQ(HttpClient().Probe(server.Url16()).failure, HttpFailure::CertUnknownIssuer);
    for (const char* variable : {"SSL_CERT_FILE", "CURL_CA_BUNDLE"}) {
        ScopedEnv trusted(variable, caFile.c_str());
        EXPECT_EQ(HttpClient().Probe(server.Url16()).status, 200) << variable;
    }
}

TEST_F(Tls, HttpsGoesThroughAConnectProxy)
{
    TlsServer server(TlsDataFile("good.pem"));
    FaultServer proxy([](FaultConnection& client) {
        const std::string head = client.ReadRequestHead();
        const std::string prefix = "CONNECT 127.0.0.1:";
        if (head.starts_with(prefix))
            client.RelayTo(std::atoi(head.c_str() + prefix.size()),
                           "HTTP/1.1 200 Connection established\r\nProxy-Agent: test\r\n\r\n");
    });
    const std::string proxyUrl = proxy.Url("");
    ScopedEnv env("https_proxy", proxyUrl.c_str()), none("no_proxy", nullptr), NONE("NO_PROXY", nullptr);
    HttpSettings settings;
    settings.caFile = caFile;
    HttpClient client(settings);
    EXPECT_EQ(client.Probe(server.Url16()).status, 200);
    EXPECT_EQ(client.DownloadText(server.Url16())->text, u"ok");
    EXPECT_EQ(proxy.connections(), 2);
}

}  // namespace
}  // namespace pardovane
