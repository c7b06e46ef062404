// The SFTP side of the settings: the host as address and port, and the host keys trusted per host.
#include <gtest/gtest.h>

#include <vector>

#include "settings/ssh_settings.h"

namespace {

SiteSettings withHost(const std::string& host) {
    SiteSettings settings;
    settings.hostname = host;
    return settings;
}

TEST(SshSettings, HostAndPort) {
    const struct {
        const char* typed;
        const char* host;
        unsigned short port;
    } cases[] = {
        {"example.com", "example.com", 22},   {"example.com:2222", "example.com", 2222},
        {"[::1]:2200", "::1", 2200},          {"[::1]", "::1", 22},
        {"example.com:0", "example.com:0", 22}, {"example.com:99999", "example.com:99999", 22},
        {"fe80::1", "fe80::1", 22},
    };
    for (const auto& c : cases) {
        const SshAddress address = SshAddressOf(withHost(c.typed));
        EXPECT_EQ(address.host, c.host) << c.typed;
        EXPECT_EQ(address.port, c.port) << c.typed;
    }
}

TEST(SshSettings, TrustIsPerHostAndPortAndReplacesTheOldKey) {
    const std::string first = "SHA256:nThbg6kXUpJWGl7E1IGOCspRomTxdCARLviKw6E5SY8";
    const std::string second = "SHA256:JStl07qN3OaqIskscygdCmkFNhyGnwbeldR5zDHIVnA";
    SiteSettings settings = withHost("a.example");
    TrustHostKey(settings, first);
    settings.hostname = "b.example:2222";
    TrustHostKey(settings, second);
    EXPECT_EQ(TrustedHostKey(settings), second);
    settings.hostname = "b.example";
    EXPECT_EQ(TrustedHostKey(settings), "") << "another port is another host";
    settings.hostname = "a.example";
    EXPECT_EQ(TrustedHostKey(settings), first);
    TrustHostKey(settings, second);
    EXPECT_EQ(TrustedHostKey(settings), second);
    EXPECT_EQ(settings.ssh_trust.find(first), std::string::npos);

    EXPECT_TRUE(IsHostKeyFingerprint(first));
    for (const std::string& bad : std::vector<std::string>{"", "SHA256:", first + "A", "MD5:" + first.substr(7),
                                  "SHA256:nThbg6kXUpJWGl7E1IGOCspRomTxdCARLviKw6E5S,8"})
        EXPECT_FALSE(IsHostKeyFingerprint(bad)) << bad;
}

} // namespace
