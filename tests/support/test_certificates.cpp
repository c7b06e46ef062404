#include "support/test_certificates.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

void check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("making test certificates failed at ") + what);
}

Key newKey() {
    Key key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    check(key != nullptr, "key");
    return key;
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    check(extension != nullptr, "extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

// A certificate for commonName with altNames (empty: none), valid from startDays to endDays
// (relative to now), signed by issuer (or by itself).
Certificate newCertificate(const EVP_PKEY* key, const char* commonName, const char* altNames,
                           long startDays, long endDays, X509* issuer, EVP_PKEY* issuerKey,
                           bool authority, long serial) {
    Certificate certificate(X509_new(), X509_free);
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), startDays * 86400);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), endDays * 86400);
    X509_set_pubkey(certificate.get(), const_cast<EVP_PKEY*>(key));
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Site Wright tests"), -1, -1,
                               0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509* signer = issuer ? issuer : certificate.get();
    X509_set_issuer_name(certificate.get(), X509_get_subject_name(signer));
    addExtension(certificate.get(), signer, NID_basic_constraints,
                 authority ? "critical,CA:TRUE" : "CA:FALSE");
    if (*altNames)
        addExtension(certificate.get(), signer, NID_subject_alt_name, altNames);
    addExtension(certificate.get(), signer, NID_subject_key_identifier, "hash");
    check(X509_sign(certificate.get(), issuerKey ? issuerKey : const_cast<EVP_PKEY*>(key),
                    EVP_sha256()) > 0,
          "signing");
    return certificate;
}

void writePem(const std::filesystem::path& path, X509* certificate, EVP_PKEY* key) {
    FILE* file = std::fopen(path.c_str(), "w");
    check(file != nullptr, "opening a file");
    const bool ok = key ? PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr)
                        : PEM_write_X509(file, certificate);
    std::fclose(file);
    check(ok, "writing a file");
}

TestCertificates::Pair writePair(const std::filesystem::path& folder, const std::string& name,
                                 X509* certificate, EVP_PKEY* key) {
    TestCertificates::Pair pair{folder / (name + ".crt"), folder / (name + ".key")};
    writePem(pair.certificate, certificate, nullptr);
    writePem(pair.key, nullptr, key);
    return pair;
}

} // namespace

TestCertificates::TestCertificates(const std::filesystem::path& folder) {
    const Key caKey = newKey();
    const Certificate ca =
        newCertificate(caKey.get(), "Site Wright test CA", "", -1, 30, nullptr, nullptr, true, 1);
    caFile = folder / "ca.crt";
    writePem(caFile, ca.get(), nullptr);

    const char* const local = "IP:127.0.0.1,DNS:localhost";
    const Key key = newKey();
    trusted = writePair(
        folder, "trusted",
        newCertificate(key.get(), "localhost", local, -1, 30, ca.get(), caKey.get(), false, 2)
            .get(),
        key.get());
    wrongName = writePair(folder, "wrong_name",
                          newCertificate(key.get(), "other.example", "DNS:other.example", -1, 30,
                                         ca.get(), caKey.get(), false, 3)
                              .get(),
                          key.get());
    expired = writePair(
        folder, "expired",
        newCertificate(key.get(), "localhost", local, -30, -1, ca.get(), caKey.get(), false, 4)
            .get(),
        key.get());
    selfSigned = writePair(
        folder, "self_signed",
        newCertificate(key.get(), "localhost", local, -1, 30, nullptr, nullptr, false, 5).get(),
        key.get());
}

TrustedTestCa::TrustedTestCa()
    : folder_("sw_test_ca"), certificates_(std::make_unique<TestCertificates>(folder_.Path())) {
    ::setenv("SSL_CERT_FILE", certificates_->caFile.c_str(), 1);
}

TrustedTestCa::~TrustedTestCa() {
    ::unsetenv("SSL_CERT_FILE");
}
