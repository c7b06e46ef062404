#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ftp/tls_setting.h"

// Input: the stored text of a trusted certificate, as a damaged or hand-edited settings file may
// hold it. A text taken as a certificate reads back the same when written, its fingerprint is
// one, and it only ever applies to its own host.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto trusted = ParseTrustedCertificate(text);
    const FtpTlsOptions options = TlsOptionsFor("auto", text, "ftp.example.com");
    if (!trusted) {
        if (!options.trustedFingerprint.empty())
            __builtin_trap();
        return 0;
    }
    if (trusted->Text() != text || !IsCertificateFingerprint(trusted->fingerprint))
        __builtin_trap();
    const auto again = ParseTrustedCertificate(trusted->Text());
    if (!again || again->host != trusted->host || again->fingerprint != trusted->fingerprint)
        __builtin_trap();
    if ((trusted->host == "ftp.example.com") != !options.trustedFingerprint.empty())
        __builtin_trap();
    return 0;
}
