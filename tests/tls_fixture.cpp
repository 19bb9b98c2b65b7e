#include "tests/tls_fixture.h"

#include "engine/page/utf_convert.h"

#include <openssl/ssl.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>

namespace pardovane::test {

std::string TlsDataFile(const std::string& name)
{
    return std::string(PARDOVANE_TLS_DATA) + "/" + name;
}

TlsServer::TlsServer(const std::string& pemFile)
{
    // OpenSSL writes with plain send(): a client that hung up must not kill the test.
    signal(SIGPIPE, SIG_IGN);
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    context_.reset(ctx, [](void* p) { SSL_CTX_free(static_cast<SSL_CTX*>(p)); });
    SSL_CTX_use_certificate_file(ctx, pemFile.c_str(), SSL_FILETYPE_PEM);
    SSL_CTX_use_PrivateKey_file(ctx, pemFile.c_str(), SSL_FILETYPE_PEM);
    server_ = std::make_unique<FaultServer>([ctx](FaultConnection& connection) {
        // Blocking, with time-outs that bound every step.
        const int fd = connection.fd();
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const timeval limit{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        std::unique_ptr<SSL, void (*)(SSL*)> ssl(SSL_new(ctx), SSL_free);
        SSL_set_fd(ssl.get(), fd);
        std::string head;
        char buffer[4096];
        for (int got = SSL_accept(ssl.get()); got > 0 && head.find("\r\n\r\n") == std::string::npos;) {
            got = SSL_read(ssl.get(), buffer, sizeof buffer);
            head.append(buffer, static_cast<std::size_t>(std::max(got, 0)));
        }
        const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
        if (head.find("\r\n\r\n") != std::string::npos)
            SSL_write(ssl.get(), answer.data(), static_cast<int>(answer.size()));
        SSL_shutdown(ssl.get());
    });
}

std::u16string TlsServer::Url16() const
{
    return Utf8ToUtf16("https://127.0.0.1:" + std::to_string(server_->port()) + "/");
}

}  // namespace pardovane::test
