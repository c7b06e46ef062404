// sitewright show: the stored settings, the password masked.
#include <cstring>

#include "cli/commands.h"
#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/tls_setting.h"
#include "settings/SiteSettings.h"

namespace fs = std::filesystem;

namespace cli {

int show(const ParsedOptions& options, const Output& output) {
    const fs::path folder = settingsFolder(options);
    if (!folderExists(folder, output))
        return kExitFailure;
    SiteSettings settings;
    try {
        LoadSettings(folder, settings);
    } catch (const std::exception& error) {
        return output.Fail(ErrorText(error));
    }
    // Values as stored, every byte that could drive the terminal shown as "%XX".
    const auto shown = [](const std::string& value) { return PercentEncodeUnsafe(value); };
    const auto onOff = [](bool on) { return std::string(kSwitchItems[on ? 0 : 1]); };
    const std::string password =
        settings.password.empty() ? std::string(texts::kEmptyValue) : std::string(kPasswordMask);
    // Each setting under its name, on a line of its own or as a key of the JSON object.
    const std::pair<const char*, std::string> values[] = {
        {"folder", shown(folder.string())},
        {"url", shown(settings.web_url)},
        {"transport", settings.transport},
        {"host", shown(settings.hostname)},
        {"user", shown(settings.username)},
        {"password", password},
        {"root", shown(settings.site_root)},
        {"changefreq", settings.changefreq},
        {"priority", settings.priority},
        {"offset", settings.TimeZoneOffset()},
        {"tls", settings.tls},
        {"connections", settings.connections},
        {"protocol", settings.sitemap_format},
        {"gzip", onOff(settings.gzip)},
        {"robots", onOff(settings.robots)},
        {"exclude", shown(settings.exclude)},
        {"key-file", shown(settings.key_file)},
        {"host-keys", shown(settings.ssh_trust)},
    };
    QJsonObject json;
    for (const auto& [name, value] : values) {
        output.Line(Concat({name, std::string(12 - std::strlen(name), ' '), value}));
        json[name] = QString::fromStdString(value);
    }
    json["password"] =
        settings.password.empty() ? QString() : QString::fromUtf8(kPasswordMask.data());
    output.Line("folder-addresses " + onOff(settings.folder_addresses) + " " +
                shown(settings.index_names));
    json["folder-addresses"] = QString::fromStdString(onOff(settings.folder_addresses));
    json["index-names"] = QString::fromStdString(shown(settings.index_names));
    output.Line(Concat({"indexnow    ", onOff(settings.indexnow), " ", shown(settings.indexnow_key),
                        " ", shown(settings.indexnow_endpoint)}));
    json["indexnow"] = QString::fromStdString(onOff(settings.indexnow));
    json["indexnow-key"] = QString::fromStdString(shown(settings.indexnow_key));
    json["indexnow-endpoint"] = QString::fromStdString(shown(settings.indexnow_endpoint));
    output.Line("check-pages " + onOff(settings.check_pages) + " " + settings.check_connections +
                " stable-lastmod " + onOff(settings.stable_lastmod));
    json["check-pages"] = QString::fromStdString(onOff(settings.check_pages));
    json["check-connections"] = QString::fromStdString(settings.check_connections);
    json["stable-lastmod"] = QString::fromStdString(onOff(settings.stable_lastmod));
    if (const auto trusted = ParseTrustedCertificate(settings.tls_trust)) {
        output.Line("trusted     " + shown(trusted->host) + " " + trusted->fingerprint);
        json["trusted"] =
            QJsonObject{{"host", QString::fromStdString(shown(trusted->host))},
                        {"fingerprint", QString::fromStdString(trusted->fingerprint)}};
    }
    output.Json()["settings"] = json;
    if (DatFileGarbled(settings))
        return output.Fail(SettingsGarbledText(folder));
    return kExitSuccess;
}

} // namespace cli
