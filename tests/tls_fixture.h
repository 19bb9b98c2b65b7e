#pragma once

#include "fault_server.h"

#include <memory>
#include <string>

namespace pardovane::test {

// A key and certificate in PEM, made on the spot.
struct TestCertificate {
    std::string certPem;
    std::string keyPem;
};

// For subjectAltName ("IP:127.0.0.1"), valid from..to days from now, signed
// by issuer, or by itself when there is none.
TestCertificate MakeCertificate(const std::string& subjectAltName, long fromDays, long toDays,
                                const TestCertificate* issuer, const std::string& name = "Test server");
TestCertificate MakeAuthority(const std::string& name);

// A TLS server on 127.0.0.1 answering every request "200 ok" and closing.
class TlsServer {
public:
    explicit TlsServer(const TestCertificate& certificate);
    std::u16string Url16() const;

private:
    std::shared_ptr<void> context_;  // the SSL_CTX, freed after the server stops
    std::unique_ptr<FaultServer> server_;
};

}  // namespace pardovane::test
