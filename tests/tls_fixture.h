#pragma once

#include "fault_server.h"

#include <memory>
#include <string>

namespace pardovane::test {

// A key and certificate in PEM.
struct TestCertificate {
    std::string certPem;
    std::string keyPem;
};

// What a certificate says: the name it is for, and when it is valid, in days
// from now.
struct CertificateSpec {
    std::string subjectAltName = "IP:127.0.0.1";
    long fromDays = -1;
    long toDays = 30;
};

// A certificate authority made on the spot.
class TestCa {
public:
    explicit TestCa(const std::string& name = "Test CA");
    const TestCertificate& root() const { return root_; }
    TestCertificate Issue(const CertificateSpec& spec) const;
    static TestCertificate SelfSigned(const CertificateSpec& spec);

private:
    TestCertificate root_;
};

// A TLS server on 127.0.0.1 answering every request "200 ok" and closing.
class TlsServer {
public:
    explicit TlsServer(const TestCertificate& certificate);
    ~TlsServer();
    std::u16string Url16(const std::string& path = "/") const;
    int port() const { return server_->port(); }

private:
    struct Context;
    std::unique_ptr<Context> context_;
    std::unique_ptr<FaultServer> server_;
};

}  // namespace pardovane::test
