#pragma once

#include <filesystem>

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
