#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/ftp_client.h"

// The connection-security setting as the settings file stores it, in the order the settings
// dialog lists it: TLS required, TLS when the server offers it, plain FTP.
inline constexpr std::array<std::string_view, 3> kTlsSettingItems = {"required", "auto", "off"};
inline constexpr std::string_view kDefaultTlsSetting = "auto";

// The security a setting text names; anything else is the default, "auto".
FtpSecurity ParseFtpSecurity(std::string_view setting);

// A certificate the user chose to trust for a host although it could not be verified, stored
// as "host SHA256:AB:CD:…".
struct TrustedCertificate {
    std::string host; // the FTP host as the settings name it
    std::string fingerprint;

    std::string Text() const { return host + ' ' + fingerprint; }
};

// True for "SHA256:" followed by 32 hexadecimal pairs joined by ":" (either letter case).
bool IsCertificateFingerprint(std::string_view text);

// The stored text read back; nothing when it is not a host, one blank and a fingerprint.
std::optional<TrustedCertificate> ParseTrustedCertificate(std::string_view text);

// What a login to host does about TLS with these settings: the security, and the trusted
// fingerprint only when it was trusted for this very host.
FtpTlsOptions TlsOptionsFor(std::string_view setting, std::string_view trusted,
                            std::string_view host);
