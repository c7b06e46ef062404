#include "ftp/tls_setting.h"

#include <cctype>

FtpSecurity ParseFtpSecurity(std::string_view setting) {
    if (setting == kTlsSettingItems[0])
        return FtpSecurity::Required;
    if (setting == kTlsSettingItems[2])
        return FtpSecurity::Off;
    return FtpSecurity::Auto;
}

bool IsCertificateFingerprint(std::string_view text) {
    constexpr std::string_view kPrefix = "SHA256:";
    if (text.size() != kPrefix.size() + 32 * 3 - 1 || text.substr(0, kPrefix.size()) != kPrefix)
        return false;
    text.remove_prefix(kPrefix.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool separator = i % 3 == 2;
        const auto c = static_cast<unsigned char>(text[i]);
        if (separator ? c != ':' : !std::isxdigit(c))
            return false;
    }
    return true;
}

std::optional<TrustedCertificate> ParseTrustedCertificate(std::string_view text) {
    const std::size_t blank = text.rfind(' ');
    if (blank == 0 || blank == std::string_view::npos)
        return std::nullopt;
    const std::string_view host = text.substr(0, blank);
    const std::string_view fingerprint = text.substr(blank + 1);
    for (const char c : host) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return std::nullopt;
    }
    if (!IsCertificateFingerprint(fingerprint))
        return std::nullopt;
    return TrustedCertificate{std::string(host), std::string(fingerprint)};
}

FtpTlsOptions TlsOptionsFor(std::string_view setting, std::string_view trusted,
                            std::string_view host) {
    FtpTlsOptions options;
    options.security = ParseFtpSecurity(setting);
    if (const auto certificate = ParseTrustedCertificate(trusted);
        certificate && certificate->host == host)
        options.trustedFingerprint = certificate->fingerprint;
    return options;
}
