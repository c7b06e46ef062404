#include "settings/SiteSettings.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "core/file_io.h"
#include "core/text_util.h"
#include "mylib/BF2B64Text.h"

namespace fs = std::filesystem;

namespace {

// Every line of both files is enciphered under this key.
const std::string kKey = "QZV";
const char* const kConfFileName = "config_v1.conf";

std::int64_t joinHalves(std::uint32_t high, std::uint32_t low) {
    return std::int64_t(std::uint64_t(high) << 32 | low);
}

// The two initialisation values are fixed for good: files written under other values cannot be
// read back.
std::int64_t datFileIVValue() {
    return joinHalves(0x5A17C3E9, 0x2B846DF1);
}

// config_v1.dat holds these values, one line each, in this order.
std::string SiteSettings::*const kDatValues[] = {&SiteSettings::hostname, &SiteSettings::username,
                                                 &SiteSettings::password, &SiteSettings::site_root,
                                                 &SiteSettings::web_url};

// config_v1.conf holds "key=value" lines for the drop-down lists. A value is taken when it
// equals one of the list's items; offsets are matched ignoring letter case and fall back to no
// selection, the others keep their current value.
struct ConfValue {
    const char* key;
    std::string SiteSettings::*member;
    const std::string_view* items;
    std::size_t itemCount;
    bool offset;
};

template <std::size_t N>
constexpr ConfValue confValue(const char* key, std::string SiteSettings::*member,
                              const std::array<std::string_view, N>& items, bool offset) {
    return {key, member, items.data(), N, offset};
}

const ConfValue kConfValues[] = {
    confValue("[changefreq]", &SiteSettings::changefreq, kChangefreqItems, false),
    confValue("[priority]", &SiteSettings::priority, kPriorityItems, false),
    confValue("[offset_1]", &SiteSettings::offset_1, kOffset1Items, true),
    confValue("[offset_2]", &SiteSettings::offset_2, kOffset2Items, true),
    confValue("[offset_3]", &SiteSettings::offset_3, kOffset3Items, true),
    confValue("[offset_4]", &SiteSettings::offset_4, kOffset4Items, true),
    confValue("[tls]", &SiteSettings::tls, kTlsSettingItems, false),
    confValue("[connections]", &SiteSettings::connections, kConnectionItems, false),
    confValue("[sitemap_format]", &SiteSettings::sitemap_format, kSitemapFormatItems, false),
    confValue("[transport]", &SiteSettings::transport, kTransportItems, false),
    confValue("[check_connections]", &SiteSettings::check_connections, kCheckConnectionItems,
              false),
};

// Switches, stored as "1" or "0"; any other value keeps the current one.
const std::pair<const char*, bool SiteSettings::*> kConfSwitches[] = {
    {"[gzip]", &SiteSettings::gzip},
    {"[robots]", &SiteSettings::robots},
    {"[folder_addresses]", &SiteSettings::folder_addresses},
    {"[indexnow]", &SiteSettings::indexnow},
    {"[check_pages]", &SiteSettings::check_pages},
    {"[stable_lastmod]", &SiteSettings::stable_lastmod},
};

// Lists of free text, comma-separated; taken unless they hold what no typed text can.
const std::pair<const char*, std::string SiteSettings::*> kConfTexts[] = {
    {"[exclude]", &SiteSettings::exclude},
    {"[index_names]", &SiteSettings::index_names},
    {"[key_file]", &SiteSettings::key_file},
    {"[ssh_trust]", &SiteSettings::ssh_trust},
    {"[indexnow_key]", &SiteSettings::indexnow_key},
    {"[indexnow_endpoint]", &SiteSettings::indexnow_endpoint},
};

// The trusted certificate is no item of a list: taken when it reads as one.
constexpr std::string_view kTrustKey = "[tls_trust]";

void applyConfValue(const ConfValue& entry, const std::string& value, SiteSettings& settings) {
    const std::string_view* end = entry.items + entry.itemCount;
    const std::string_view* item = std::find_if(entry.items, end, [&](std::string_view text) {
        return entry.offset ? EqualsIgnoringCase(text, value) : text == value;
    });
    if (item != end)
        settings.*entry.member = std::string(*item);
    else if (entry.offset)
        (settings.*entry.member).clear();
}

// Settings files hold a few short lines; anything far larger (or a link to a device) is
// refused before it is read whole.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

// The lines of a settings file, read within the bound.
std::vector<std::string> fileLines(const fs::path& file) {
    return SplitLines(ReadFile(file, kMaxFileBytes));
}

// line (counted from 0) of file deciphered; a line that cannot be deciphered is reported with
// the file, the line and the cipher's own text.
std::string decipherLine(const fs::path& file, std::size_t line, const std::string& text,
                         std::int64_t iv) {
    try {
        return DecryptText(kKey, text, iv);
    } catch (const std::exception& error) {
        throw SettingsDamaged(file, line + 1, error.what());
    }
}

constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

// Every loc is the site URL followed by a path, so it must be an absolute web address:
// "http://" or "https://" and a host, perhaps with a user part before it and a port after.
bool namesWebHost(std::string_view url) {
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos)
        return false;
    const std::string_view scheme = url.substr(0, schemeEnd);
    if (!EqualsIgnoringCase(scheme, "http") && !EqualsIgnoringCase(scheme, "https"))
        return false;
    std::string_view authority = url.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (authority.empty())
        return false;
    const std::string_view host = authority.front() == '['
                                      ? authority.substr(0, authority.find(']') + 1)
                                      : authority.substr(0, authority.rfind(':'));
    return !host.empty() && host != "[]";
}

} // namespace

std::int64_t DatFileIV = datFileIVValue();

void PrepareDatFileIV() {
    DatFileIV = datFileIVValue();
}

std::int64_t ConfFileIV() {
    return joinHalves(0xC4D2916B, 0x7E05A38F);
}

SiteUrlProblem SiteUrlProblemOf(std::string_view url) {
    if (url.find(';') != std::string_view::npos)
        return SiteUrlProblem::Separator;
    if (HasUnsafeCharacters(url))
        return SiteUrlProblem::UnsafeCharacter;
    if (!url.empty() && !namesWebHost(url))
        return SiteUrlProblem::NotWeb;
    return SiteUrlProblem::None;
}

std::string SiteSettings::TimeZoneOffset() const {
    return offset_1 + offset_2 + ":" + offset_3 + offset_4;
}

std::size_t SiteSettings::ConnectionCount() const {
    const auto item = std::find(kConnectionItems.begin(), kConnectionItems.end(), connections);
    return item == kConnectionItems.end() ? 1 : std::size_t(item - kConnectionItems.begin()) + 1;
}

int SiteSettings::CheckConnectionCount() const {
    const auto item =
        std::find(kCheckConnectionItems.begin(), kCheckConnectionItems.end(), check_connections);
    return item == kCheckConnectionItems.end() ? 4 : int(item - kCheckConnectionItems.begin()) + 1;
}

void LoadSettings(const fs::path& folder, SiteSettings& settings) {
    PrepareDatFileIV();

    const fs::path datFile = folder / kDatFileName;
    if (fs::exists(datFile)) {
        const std::vector<std::string> lines = fileLines(datFile);
        // Lines missing at the end read as empty.
        for (std::size_t i = 0; i < std::size(kDatValues); ++i) {
            const std::string line = i < lines.size() ? lines[i] : std::string();
            settings.*kDatValues[i] = decipherLine(datFile, i, line, DatFileIV);
        }
    }

    const fs::path confFile = folder / kConfFileName;
    if (!fs::exists(confFile))
        return;
    const std::vector<std::string> lines = fileLines(confFile);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string text = decipherLine(confFile, i, lines[i], ConfFileIV());
        const std::size_t equals = text.find('=');
        const std::string key =
            equals == std::string::npos ? std::string() : text.substr(0, equals);
        const std::string value = equals == std::string::npos ? text : text.substr(equals + 1);
        for (const ConfValue& entry : kConfValues) {
            if (key == entry.key)
                applyConfValue(entry, value, settings);
        }
        if (key == kTrustKey && ParseTrustedCertificate(value))
            settings.tls_trust = value;
        for (const auto& [switchKey, member] : kConfSwitches) {
            if (key == switchKey && (value == "0" || value == "1"))
                settings.*member = value == "1";
        }
        for (const auto& [textKey, member] : kConfTexts) {
            if (key == textKey && !HasUnsafeCharacters(value))
                settings.*member = value;
        }
    }
}

void StoreTrustedCertificate(const fs::path& folder, const TrustedCertificate& certificate) {
    SiteSettings stored;
    LoadSettings(folder, stored);
    stored.tls_trust = certificate.Text();
    SaveSettings(folder, stored);
}

bool DatFileGarbled(const SiteSettings& settings) {
    for (std::string SiteSettings::*member : kDatValues) {
        if (HasUnsafeCharacters(settings.*member))
            return true;
    }
    return false;
}

void SaveSettings(const fs::path& folder, const SiteSettings& settings) {
    std::string dat;
    for (std::string SiteSettings::*member : kDatValues)
        dat += EncryptText(kKey, settings.*member, DatFileIV) + "\r\n";
    dat += "\r\n";

    std::string conf;
    for (const ConfValue& entry : kConfValues)
        conf +=
            EncryptText(kKey, entry.key + ("=" + settings.*entry.member), ConfFileIV()) + "\r\n";
    for (const auto& [key, member] : kConfSwitches)
        conf += EncryptText(kKey, Concat({key, "=", settings.*member ? "1" : "0"}), ConfFileIV()) +
                "\r\n";
    for (const auto& [key, member] : kConfTexts)
        conf += EncryptText(kKey, Concat({key, "=", settings.*member}), ConfFileIV()) + "\r\n";
    if (!settings.tls_trust.empty())
        conf +=
            EncryptText(kKey, Concat({kTrustKey, "=", settings.tls_trust}), ConfFileIV()) + "\r\n";
    conf += "\r\n";

    WriteFileAtomically(folder / kDatFileName, dat, kOwnerOnly);
    WriteFileAtomically(folder / kConfFileName, conf, kOwnerOnly);
}
