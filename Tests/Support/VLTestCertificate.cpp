#include "Tests/Support/VLTestCertificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>

namespace {

template <class Object, void (*Free)(Object*)>
struct OpenSSLFree {
    void operator()(Object* object) const { Free(object); }
};
template <class Object, void (*Free)(Object*)>
using OpenSSLPointer = std::unique_ptr<Object, OpenSSLFree<Object, Free>>;

std::string pemOf(const std::function<int(BIO*)>& write) {
    OpenSSLPointer<BIO, BIO_free_all> bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get()) != 1)
        throw std::runtime_error("PEM writing failed");
    char* bytes = nullptr;
    const long length = BIO_ctrl(bio.get(), BIO_CTRL_INFO, 0, static_cast<void*>(&bytes));
    return std::string(bytes, size_t(length));
}

} // namespace

VLTestCertificate::VLTestCertificate(const std::string& hostName) {
    char curve[] = "P-256";
    OpenSSLPointer<EVP_PKEY, EVP_PKEY_free> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", curve));
    OpenSSLPointer<X509, X509_free> certificate(X509_new());
    if (!key || !certificate)
        throw std::runtime_error("certificate making failed");
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()),
                     long(reinterpret_cast<uintptr_t>(this) & 0x7fffffff));
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 86400);
    X509_set_pubkey(certificate.get(), key.get());
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(hostName.c_str()), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate.get(), certificate.get(), nullptr, nullptr, 0);
    const std::string alternativeNames = "DNS:" + hostName + ",IP:127.0.0.1";
    for (const auto& [nid, value] : {std::pair{NID_subject_alt_name, alternativeNames},
                                     std::pair{NID_basic_constraints, std::string("critical,CA:TRUE")}}) {
        OpenSSLPointer<X509_EXTENSION, X509_EXTENSION_free> extension(
            X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
        if (!extension)
            throw std::runtime_error("certificate extension failed");
        X509_add_ext(certificate.get(), extension.get(), -1);
    }
    if (X509_sign(certificate.get(), key.get(), EVP_sha256()) == 0)
        throw std::runtime_error("certificate signing failed");
    _certificate = pemOf([&](BIO* bio) { return PEM_write_bio_X509(bio, certificate.get()); });
    _key = pemOf([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    std::ofstream(authorityFile()) << _certificate;
}
