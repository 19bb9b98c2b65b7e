#include "tls_fixture.h"

#include "utf_convert.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>

namespace pardovane::test {
namespace {

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, std::integral_constant<decltype(Free), Free>>;
using Key = Owned<EVP_PKEY, EVP_PKEY_free>;
using Cert = Owned<X509, X509_free>;
using Bio = Owned<BIO, BIO_free_all>;

template <typename T, T* (*Read)(BIO*, T**, pem_password_cb*, void*)>
T* FromPem(const std::string& pem)
{
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return Read(bio.get(), nullptr, nullptr, nullptr);
}

template <typename Write>
std::string ToPem(Write write)
{
    Bio bio(BIO_new(BIO_s_mem()));
    write(bio.get());
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

TestCertificate Make(const std::string& altName, long fromDays, long toDays, const TestCertificate* issuer,
                     const std::string& name, bool isCa)
{
    Key key(EVP_EC_gen("P-256"));
    Cert cert(X509_new());
    static long serial = 1;
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), ++serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), fromDays * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), toDays * 86400);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME_add_entry_by_txt(X509_get_subject_name(cert.get()), "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    Cert issuerOwned(issuer ? FromPem<X509, PEM_read_bio_X509>(issuer->certPem) : nullptr);
    Key issuerKey(issuer ? FromPem<EVP_PKEY, PEM_read_bio_PrivateKey>(issuer->keyPem) : nullptr);
    X509* issuerCert = issuer ? issuerOwned.get() : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(issuerCert));
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuerCert, cert.get(), nullptr, nullptr, 0);
    for (auto [nid, value] : {std::pair{NID_basic_constraints, isCa ? "critical,CA:TRUE" : "CA:FALSE"},
                              std::pair{NID_subject_alt_name, altName.c_str()}}) {
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
        X509_add_ext(cert.get(), extension, -1);
        X509_EXTENSION_free(extension);
    }
    X509_sign(cert.get(), issuerKey ? issuerKey.get() : key.get(), EVP_sha256());
    return {ToPem([&](BIO* bio) { PEM_write_bio_X509(bio, cert.get()); }),
            ToPem([&](BIO* bio) {
                PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
            })};
}

}  // namespace

TestCertificate MakeCertificate(const std::string& subjectAltName, long fromDays, long toDays,
                                const TestCertificate* issuer, const std::string& name)
{
    return Make(subjectAltName, fromDays, toDays, issuer, name, false);
}

TestCertificate MakeAuthority(const std::string& name)
{
    return Make("DNS:authority.test", -1, 30, nullptr, name, true);
}

TlsServer::TlsServer(const TestCertificate& certificate)
{
    // OpenSSL writes with plain send(): a client that hung up must not kill the test.
    signal(SIGPIPE, SIG_IGN);
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    context_.reset(ctx, [](void* p) { SSL_CTX_free(static_cast<SSL_CTX*>(p)); });
    Cert cert(FromPem<X509, PEM_read_bio_X509>(certificate.certPem));
    Key key(FromPem<EVP_PKEY, PEM_read_bio_PrivateKey>(certificate.keyPem));
    SSL_CTX_use_certificate(ctx, cert.get());
    SSL_CTX_use_PrivateKey(ctx, key.get());
    server_ = std::make_unique<FaultServer>([ctx](FaultConnection& connection) {
        // Blocking, with time-outs that bound every step.
        const int fd = connection.fd();
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const timeval limit{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        Owned<SSL, SSL_free> ssl(SSL_new(ctx));
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
