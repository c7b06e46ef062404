#include "settings/ssh_settings.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "core/text_util.h"

namespace {

std::vector<std::string> trustEntries(const std::string& list) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start)
            entries.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return entries;
}

std::optional<unsigned short> portOf(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int port = std::stoi(text);
    if (port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<unsigned short>(port);
}

// list with fingerprint trusted for host, first, in place of any other for it.
std::string trusting(const std::string& list, const std::string& host,
                     const std::string& fingerprint) {
    const std::string prefix = host + ' ';
    std::string trusted = prefix + fingerprint;
    for (const std::string& entry : trustEntries(list)) {
        if (entry.compare(0, prefix.size(), prefix) != 0)
            trusted += ',' + entry;
    }
    return trusted;
}

} // namespace

bool UsesSftp(const SiteSettings& settings) {
    return settings.transport == kTransportItems[1];
}

SshAddress SshAddressOf(const SiteSettings& settings) {
    const std::string& host = settings.hostname;
    std::size_t colon = std::string::npos;
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close != std::string::npos && close + 1 < host.size() && host[close + 1] == ':')
            colon = close + 1;
        if (close != std::string::npos) {
            const std::optional<unsigned short> port =
                colon == std::string::npos ? 22 : portOf(host.substr(colon + 1));
            if (port)
                return {host.substr(1, close - 1), *port};
        }
        return {host, 22};
    }
    colon = host.find(':');
    if (colon != std::string::npos && host.find(':', colon + 1) == std::string::npos) {
        if (const std::optional<unsigned short> port = portOf(host.substr(colon + 1)))
            return {host.substr(0, colon), *port};
    }
    return {host, 22};
}

std::string HostKeyName(const SiteSettings& settings) {
    const SshAddress address = SshAddressOf(settings);
    return Concat({address.host, ":", std::to_string(address.port)});
}

std::string TrustedHostKey(const SiteSettings& settings) {
    const std::string prefix = HostKeyName(settings) + ' ';
    for (const std::string& entry : trustEntries(settings.ssh_trust)) {
        if (entry.compare(0, prefix.size(), prefix) == 0)
            return entry.substr(prefix.size());
    }
    return {};
}

void TrustHostKey(SiteSettings& settings, const std::string& fingerprint) {
    settings.ssh_trust = trusting(settings.ssh_trust, HostKeyName(settings), fingerprint);
}

bool IsHostKeyFingerprint(const std::string& text) {
    constexpr std::string_view kPrefix = "SHA256:";
    return text.size() == kPrefix.size() + 43 && text.compare(0, kPrefix.size(), kPrefix) == 0 &&
           std::all_of(text.begin() + kPrefix.size(), text.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/';
           });
}

void StoreTrustedHostKey(const std::filesystem::path& folder, const SiteSettings& host,
                         const std::string& fingerprint) {
    SiteSettings stored;
    LoadSettings(folder, stored);
    stored.ssh_trust = trusting(stored.ssh_trust, HostKeyName(host), fingerprint);
    SaveSettings(folder, stored);
}
