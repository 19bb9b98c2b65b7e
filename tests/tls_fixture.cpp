#include "tls_fixture.h"

#include "utf_convert.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>

#include <stdexcept>

namespace pardovane::test {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

std::string Drain(BIO* bio)
{
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(length));
}

// Signs a new certificate with `issuerKey`, or with its own key when null.
TestCertificate Make(const CertificateSpec& spec, const std::string& cn, bool isCa, EVP_PKEY* issuerKey,
                     X509* issuer)
{
    Key key(EVP_EC_gen("P-256"));
    Cert cert(X509_new());
    static long serial = 1;
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), ++serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), spec.fromDays * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), spec.toDays * 86400);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer ? issuer : cert.get(), cert.get(), nullptr, nullptr, 0);
    const std::string constraints = isCa ? "critical,CA:TRUE" : "CA:FALSE";
    for (auto [nid, value] : {std::pair{NID_basic_constraints, constraints},
                              std::pair{NID_subject_alt_name, spec.subjectAltName}}) {
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
        X509_add_ext(cert.get(), extension, -1);
        X509_EXTENSION_free(extension);
    }
    X509_sign(cert.get(), issuerKey ? issuerKey : key.get(), EVP_sha256());
    Bio certOut(BIO_new(BIO_s_mem())), keyOut(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(certOut.get(), cert.get());
    PEM_write_bio_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    return {Drain(certOut.get()), Drain(keyOut.get())};
}

template <typename T, T* (*Read)(BIO*, T**, pem_password_cb*, void*)>
T* FromPem(const std::string& pem)
{
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return Read(bio.get(), nullptr, nullptr, nullptr);
}

}  // namespace

TestCa::TestCa(const std::string& name) : root_(Make({"DNS:test-ca", -1, 30}, name, true, nullptr, nullptr)) {}

TestCertificate TestCa::Issue(const CertificateSpec& spec) const
{
    Key key(FromPem<EVP_PKEY, PEM_read_bio_PrivateKey>(root_.keyPem));
    Cert cert(FromPem<X509, PEM_read_bio_X509>(root_.certPem));
    return Make(spec, "Test server", false, key.get(), cert.get());
}

TestCertificate TestCa::SelfSigned(const CertificateSpec& spec)
{
    return Make(spec, "Test server", false, nullptr, nullptr);
}

struct TlsServer::Context {
    std::unique_ptr<SSL_CTX, Deleter<SSL_CTX, SSL_CTX_free>> ctx{SSL_CTX_new(TLS_server_method())};
};

TlsServer::TlsServer(const TestCertificate& certificate) : context_(std::make_unique<Context>())
{
    // OpenSSL writes with plain send(): a client that hung up must not kill the test.
    signal(SIGPIPE, SIG_IGN);
    SSL_CTX* ctx = context_->ctx.get();
    Cert cert(FromPem<X509, PEM_read_bio_X509>(certificate.certPem));
    Key key(FromPem<EVP_PKEY, PEM_read_bio_PrivateKey>(certificate.keyPem));
    if (SSL_CTX_use_certificate(ctx, cert.get()) != 1 || SSL_CTX_use_PrivateKey(ctx, key.get()) != 1)
        throw std::runtime_error("unusable test certificate");
    server_ = std::make_unique<FaultServer>([ctx](FaultConnection& connection) {
        // Blocking, with time-outs that bound every step.
        const int fd = connection.fd();
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const timeval limit{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        std::unique_ptr<SSL, Deleter<SSL, SSL_free>> ssl(SSL_new(ctx));
        SSL_set_fd(ssl.get(), fd);
        if (SSL_accept(ssl.get()) != 1)
            return;
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const int got = SSL_read(ssl.get(), buffer, sizeof buffer);
            if (got <= 0)
                return;
            head.append(buffer, static_cast<std::size_t>(got));
        }
        const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
        SSL_write(ssl.get(), answer.data(), static_cast<int>(answer.size()));
        SSL_shutdown(ssl.get());
    });
}

TlsServer::~TlsServer() = default;

std::u16string TlsServer::Url16(const std::string& path) const
{
    return Utf8ToUtf16("https://127.0.0.1:" + std::to_string(server_->port()) + path);
}

}  // namespace pardovane::test
