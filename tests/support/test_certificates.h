#pragma once

#include <filesystem>
#include <memory>

#include "support/temp_folder.h"

// Certificates for TLS tests, made afresh in a folder: a small test CA and server certificates
// for 127.0.0.1 and localhost signed by it, one for another name, one expired, and one
// self-signed. Point SSL_CERT_FILE at caFile to make the CA trusted.
struct TestCertificates {
    struct Pair {
        std::filesystem::path certificate; // PEM
        std::filesystem::path key;         // PEM
    };
    std::filesystem::path caFile;
    Pair trusted;    // CA-signed, for 127.0.0.1 and localhost, valid now
    Pair wrongName;  // CA-signed, for other.example only
    Pair expired;    // CA-signed, for 127.0.0.1, ended yesterday
    Pair selfSigned; // for 127.0.0.1, signed by itself

    // Makes every file in folder; throws std::runtime_error when OpenSSL fails.
    explicit TestCertificates(const std::filesystem::path& folder);
};

// Test certificates in a temporary folder whose CA the client trusts while the object lives
// (SSL_CERT_FILE, which OpenSSL reads in place of the system's trust store).
class TrustedTestCa final {
public:
    TrustedTestCa();
    ~TrustedTestCa();
    TrustedTestCa(const TrustedTestCa&) = delete;
    TrustedTestCa& operator=(const TrustedTestCa&) = delete;

    const TestCertificates& Certificates() const { return *certificates_; }
    const std::filesystem::path& Folder() const { return folder_.Path(); }

private:
    TempFolder folder_;
    std::unique_ptr<TestCertificates> certificates_;
};
