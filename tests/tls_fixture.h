#pragma once

#include "tests/fault_server.h"

#include <memory>
#include <string>

namespace pardovane::test {

// One of the PEM files (certificate and key) in tests/data/tls.
std::string TlsDataFile(const std::string& name);

// A TLS server on 127.0.0.1 answering every request "200 ok" and closing.
class TlsServer {
public:
    explicit TlsServer(const std::string& pemFile);
    std::u16string Url16() const;

private:
    std::shared_ptr<void> context_;  // the SSL_CTX, freed after the server stops
    std::unique_ptr<FaultServer> server_;
};

}  // namespace pardovane::test
