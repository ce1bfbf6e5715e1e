#include "self_signed_tls.h"

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

bool add_extension(X509* certificate, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension) return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

}  // namespace

SSL_CTX* make_self_signed_server_context()
{
    // An elliptic-curve key takes a millisecond to make, an RSA key far longer.
    Key key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    Certificate certificate(X509_new(), X509_free);
    if (!key || !certificate) return nullptr;

    X509* cert = certificate.get();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, key.get());
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    if (!add_extension(cert, NID_subject_alt_name, "IP:127.0.0.1")) return nullptr;
    if (X509_sign(cert, key.get(), EVP_sha256()) == 0) return nullptr;

    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context) return nullptr;
    if (SSL_CTX_use_certificate(context, cert) != 1 ||
        SSL_CTX_use_PrivateKey(context, key.get()) != 1) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}
