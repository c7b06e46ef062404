// sitewright configure: every option it takes is one row of a table that says how its value is
// checked and which setting it changes.
#include <algorithm>
#include <istream>

#include "cli/commands.h"
#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/ftp_client.h"
#include "ftp/tls_setting.h"
#include "jobs/path_filter.h"
#include "jobs/problem_text.h"
#include "jobs/search_engines.h"
#include "settings/SiteSettings.h"
#include "settings/ssh_settings.h"

namespace fs = std::filesystem;

namespace cli {
namespace {

// An option given to configure: its name and value, and the input --password-stdin reads.
struct Given {
    const std::string name;
    const ParsedOptions& options;
    std::istream& in;

    const std::string& value() const { return options.value(name); }
};

// One option of configure: how its value is checked into changes (throwing UsageError), and
// how the checked value changes the stored settings.
struct SettingOption {
    const char* name;
    bool takesValue;
    void (*check)(const Given& given, SiteSettings& changes);
    void (*apply)(const SiteSettings& changes, SiteSettings& settings);
};

// The settings dialog's fields hold one line of text each; a value with a control character
// or bytes that are no UTF-8 would read back as a damaged file.
void requireUsable(const std::string& value, std::string_view what) {
    if (HasUnsafeCharacters(value))
        throw UsageError(Filled(texts::kUnusableCharacterIn, {{"what", what}}));
}

// The value given, refused when the settings could not hold it.
const std::string& usable(const Given& given) {
    requireUsable(given.value(), "--" + given.name);
    return given.value();
}

template <std::size_t N>
bool isItem(const std::array<std::string_view, N>& items, const std::string& value) {
    return std::find(items.begin(), items.end(), value) != items.end();
}

// The value given when it is one of items.
template <std::size_t N>
const std::string& item(const Given& given, const std::array<std::string_view, N>& items) {
    if (isItem(items, given.value()))
        return given.value();
    std::string list;
    for (const std::string_view item : items)
        list += (list.empty() ? "" : ", ") + std::string(item);
    throw UsageError(Filled(texts::kItemsOnly, {{"option", given.name}, {"items", list}}));
}

// --transport takes the settings' items as the command line writes its words.
constexpr std::array<std::string_view, 2> kTransportItemsLower = {"ftp", "sftp"};

bool switchedOn(const Given& given) {
    return item(given, kSwitchItems) == kSwitchItems[0];
}

// "+HH:MM" or "-HH:MM" into the four offset fields, as the dialog's four lists hold them.
void checkOffset(const Given& given, SiteSettings& settings) {
    const std::string& text = given.value();
    const bool shaped = text.size() == 6 && text[3] == ':';
    const std::string sign = shaped ? text.substr(0, 1) : "";
    const std::string hours = shaped ? text.substr(1, 2) : "";
    const std::string tens = shaped ? text.substr(4, 1) : "";
    const std::string units = shaped ? text.substr(5, 1) : "";
    if (!shaped || !isItem(kOffset1Items, sign) || !isItem(kOffset2Items, hours) ||
        !isItem(kOffset3Items, tens) || !isItem(kOffset4Items, units))
        throw UsageError(std::string(texts::kOffsetForm));
    settings.offset_1 = sign;
    settings.offset_2 = hours;
    settings.offset_3 = tens;
    settings.offset_4 = units;
}

void applyOffset(const SiteSettings& changes, SiteSettings& settings) {
    settings.offset_1 = changes.offset_1;
    settings.offset_2 = changes.offset_2;
    settings.offset_3 = changes.offset_3;
    settings.offset_4 = changes.offset_4;
}

// Every --exclude adds its patterns; the list given replaces the stored one.
void checkExclude(const Given& given, SiteSettings& changes) {
    std::string exclude;
    for (const std::string& patterns : given.options.all.at(given.name)) {
        requireUsable(patterns, "--exclude");
        for (const std::string& pattern : SplitList(patterns))
            exclude += (exclude.empty() ? "" : ",") + pattern;
    }
    changes.exclude = exclude;
}

void readPassword(const Given& given, SiteSettings& changes) {
    if (!std::getline(given.in, changes.password))
        throw UsageError(std::string(texts::kNoPasswordLine));
    if (!changes.password.empty() && changes.password.back() == '\r')
        changes.password.pop_back();
    requireUsable(changes.password, texts::kPasswordWord);
}

template <auto member> void copy(const SiteSettings& changes, SiteSettings& settings) {
    settings.*member = changes.*member;
}

// In the order they are checked and applied: the trusted certificate is the host's, so the
// host comes first.
const SettingOption kSettingOptions[] = {
    {"url", true,
     [](const Given& given, SiteSettings& changes) {
         // The site URL is refused as the settings dialog refuses it.
         if (const SiteUrlProblem problem = SiteUrlProblemOf(given.value());
             problem != SiteUrlProblem::None)
             throw UsageError(std::string(SiteUrlProblemText(problem)));
         changes.web_url = usable(given);
     },
     copy<&SiteSettings::web_url>},
    {"host", true,
     [](const Given& given, SiteSettings& changes) {
         changes.hostname = usable(given);
         try {
             ParseFtpEndpoint(changes.hostname); // a bad port is refused now, not at login
         } catch (const EIdException& error) {
             throw UsageError(std::string("--host: ") + FailureText(error.Failure()));
         }
     },
     copy<&SiteSettings::hostname>},
    {"user", true,
     [](const Given& given, SiteSettings& changes) { changes.username = usable(given); },
     copy<&SiteSettings::username>},
    {"password-stdin", false, readPassword, copy<&SiteSettings::password>},
    {"root", true,
     [](const Given& given, SiteSettings& changes) {
         changes.site_root = usable(given);
         if (!changes.site_root.empty() && changes.site_root[0] != '/')
             throw UsageError(std::string(texts::kRootNeedsSlash));
     },
     copy<&SiteSettings::site_root>},
    {"changefreq", true,
     [](const Given& given, SiteSettings& changes) {
         changes.changefreq = item(given, kChangefreqItems);
     },
     copy<&SiteSettings::changefreq>},
    {"priority", true,
     [](const Given& given, SiteSettings& changes) {
         changes.priority = item(given, kPriorityItems);
     },
     copy<&SiteSettings::priority>},
    {"offset", true, checkOffset, applyOffset},
    {"tls", true,
     [](const Given& given, SiteSettings& changes) { changes.tls = item(given, kTlsSettingItems); },
     copy<&SiteSettings::tls>},
    {"trust-fingerprint", true,
     [](const Given& given, SiteSettings& changes) {
         if (!IsCertificateFingerprint(given.value()))
             throw UsageError(std::string(texts::kNotAFingerprint));
         changes.tls_trust = given.value();
     },
     [](const SiteSettings& changes, SiteSettings& settings) {
         settings.tls_trust = TrustedCertificate{settings.hostname, changes.tls_trust}.Text();
     }},
    {"transport", true,
     [](const Given& given, SiteSettings& changes) {
         changes.transport = item(given, kTransportItemsLower) == "sftp" ? "SFTP" : "FTP";
     },
     copy<&SiteSettings::transport>},
    {"key-file", true,
     [](const Given& given, SiteSettings& changes) { changes.key_file = usable(given); },
     copy<&SiteSettings::key_file>},
    {"trust-host-key", true,
     [](const Given& given, SiteSettings& changes) {
         if (!IsHostKeyFingerprint(given.value()))
             throw UsageError(std::string(texts::kNotAHostKey));
         changes.ssh_trust = given.value();
     },
     [](const SiteSettings& changes, SiteSettings& settings) {
         TrustHostKey(settings, changes.ssh_trust);
     }},
    {"connections", true,
     [](const Given& given, SiteSettings& changes) {
         changes.connections = item(given, kConnectionItems);
     },
     copy<&SiteSettings::connections>},
    {"protocol", true,
     [](const Given& given, SiteSettings& changes) {
         changes.sitemap_format = item(given, kSitemapFormatItems);
     },
     copy<&SiteSettings::sitemap_format>},
    {"gzip", true,
     [](const Given& given, SiteSettings& changes) { changes.gzip = switchedOn(given); },
     copy<&SiteSettings::gzip>},
    {"exclude", true, checkExclude, copy<&SiteSettings::exclude>},
    {"robots", true,
     [](const Given& given, SiteSettings& changes) { changes.robots = switchedOn(given); },
     copy<&SiteSettings::robots>},
    {"folder-addresses", true,
     [](const Given& given, SiteSettings& changes) {
         changes.folder_addresses = switchedOn(given);
     },
     copy<&SiteSettings::folder_addresses>},
    {"index-names", true,
     [](const Given& given, SiteSettings& changes) { changes.index_names = usable(given); },
     copy<&SiteSettings::index_names>},
    // Turned on, it keeps the site's key or makes one.
    {"indexnow", true,
     [](const Given& given, SiteSettings& changes) { changes.indexnow = switchedOn(given); },
     [](const SiteSettings& changes, SiteSettings& settings) {
         settings.indexnow = changes.indexnow;
         if (!changes.indexnow)
             return;
         const std::optional<std::string> key = KeptOrNewIndexNowKey(settings.indexnow_key);
         if (!key)
             throw FileError(std::string(texts::kIndexNowNoKey));
         settings.indexnow_key = *key;
     }},
    {"indexnow-endpoint", true,
     [](const Given& given, SiteSettings& changes) {
         changes.indexnow_endpoint = usable(given);
         const QUrl endpoint(QString::fromStdString(changes.indexnow_endpoint), QUrl::StrictMode);
         if (!changes.indexnow_endpoint.empty() &&
             (!endpoint.isValid() || endpoint.host().isEmpty() ||
              (endpoint.scheme() != u"https" && endpoint.scheme() != u"http")))
             throw UsageError(std::string(texts::kIndexNowEndpointForm));
     },
     copy<&SiteSettings::indexnow_endpoint>},
    {"check-pages", true,
     [](const Given& given, SiteSettings& changes) { changes.check_pages = switchedOn(given); },
     copy<&SiteSettings::check_pages>},
    {"check-connections", true,
     [](const Given& given, SiteSettings& changes) {
         changes.check_connections = item(given, kCheckConnectionItems);
     },
     copy<&SiteSettings::check_connections>},
    {"stable-lastmod", true,
     [](const Given& given, SiteSettings& changes) { changes.stable_lastmod = switchedOn(given); },
     copy<&SiteSettings::stable_lastmod>},
};

} // namespace

std::vector<OptionSpec> ConfigureOptions() {
    std::vector<OptionSpec> specs = {{"dir", true}};
    for (const SettingOption& option : kSettingOptions)
        specs.push_back({option.name, option.takesValue});
    return specs;
}

int configure(const ParsedOptions& options, const Output& output) {
    // Every value is checked before anything is read or written.
    SiteSettings changes;
    for (const SettingOption& option : kSettingOptions) {
        if (options.has(option.name))
            option.check(Given{option.name, options, output.io.in}, changes);
    }

    const fs::path folder = settingsFolder(options);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return output.Fail(Concat({Filled(texts::kCannotCreateFolder, {{"file", folder.string()}}),
                                   texts::kLineBreak, error.message()}));
    SiteSettings settings;
    if (!loadSettings(folder, settings, output))
        return kExitFailure;
    try {
        for (const SettingOption& option : kSettingOptions) {
            if (options.has(option.name))
                option.apply(changes, settings);
        }
    } catch (const FileError& failure) {
        return output.Fail(failure.what());
    }
    if (options.has("url") && !settings.web_url.empty() && settings.web_url.back() == '/')
        output.Warning(texts::kUrlEndsInSlash);

    try {
        SaveSettings(folder, settings);
    } catch (const std::exception& failure) {
        return output.Fail(failure.what());
    }
    output.Line(Filled(texts::kSettingsSaved, {{"folder", folder.string()}}));
    return kExitSuccess;
}

} // namespace cli
