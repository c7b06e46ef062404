#pragma once

#include <filesystem>
#include <string>

#include "settings/SiteSettings.h"

// The SFTP side of the settings: where the server is and which host keys the user trusted.

bool UsesSftp(const SiteSettings& settings);

struct SshAddress {
    std::string host;
    unsigned short port = 22;
};
// The host setting as host and port: "name", "name:2222", "[::1]:2222"; 22 when none is named.
SshAddress SshAddressOf(const SiteSettings& settings);
// The address as trusted host keys name it: "name:22".
std::string HostKeyName(const SiteSettings& settings);

// The "SHA256:..." fingerprint the user trusted for the settings' host, or empty.
std::string TrustedHostKey(const SiteSettings& settings);
// Trusts fingerprint for the settings' host, in place of any key trusted for it before.
void TrustHostKey(SiteSettings& settings, const std::string& fingerprint);
// A fingerprint as OpenSSH writes a SHA-256 one: "SHA256:" and 43 characters of base64.
bool IsHostKeyFingerprint(const std::string& text);
// Trusts fingerprint for host in the stored settings, leaving the rest of them as they are.
void StoreTrustedHostKey(const std::filesystem::path& folder, const SiteSettings& host,
                         const std::string& fingerprint);
