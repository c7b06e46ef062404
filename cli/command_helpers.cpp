// What several commands share: where the settings are, loading them, walking the site.
#include <charconv>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/progress.h"
#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/Uftp_module.h"
#include "jobs/retrieval.h"
#include "settings/SiteSettings.h"

namespace fs = std::filesystem;

namespace cli {

fs::path settingsFolder(const ParsedOptions& options) {
    if (!options.has("dir"))
        return ProgramFolder(false);
    if (options.value("dir").empty())
        throw UsageError(std::string(texts::kDirNeedsFolder));
    return options.value("dir");
}

bool folderExists(const fs::path& folder, const Output& output) {
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    output.Fail(Filled(texts::kLocalFolderMissing, {{"folder", folder.string()}}));
    return false;
}

bool loadSettings(const fs::path& folder, SiteSettings& settings, const Output& output) {
    try {
        LoadSettings(folder, settings);
    } catch (const std::exception& error) {
        output.Fail(ErrorText(error));
        return false;
    }
    if (DatFileGarbled(settings)) {
        output.Fail(SettingsGarbledText(folder));
        return false;
    }
    return true;
}

bool loadServerSettings(const fs::path& folder, SiteSettings& settings, const Output& output) {
    if (!folderExists(folder, output) || !loadSettings(folder, settings, output))
        return false;
    if (settings.hostname.empty()) {
        output.Fail(texts::kNoHost);
        return false;
    }
    return true;
}

bool loadWalkSettings(const ParsedOptions& options, const fs::path& folder, SiteSettings& settings,
                      const Output& output) {
    if (!loadServerSettings(folder, settings, output))
        return false;
    if (options.has("ext"))
        settings.ext_list = options.value("ext");
    return true;
}

bool siteOfFolder(const ParsedOptions& options, fs::path& folder, SiteSettings& settings,
                  const Output& output) {
    folder = settingsFolder(options);
    return folderExists(folder, output) && loadSettings(folder, settings, output);
}

std::size_t positiveNumber(const ParsedOptions& options, const std::string& name,
                           std::size_t fallback) {
    if (!options.has(name))
        return fallback;
    const std::string& text = options.value(name);
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number == 0)
        throw UsageError(Filled(texts::kPositiveNumber, {{"option", name}}));
    return number;
}

void offerTrust(const std::optional<CertificateInfo>& certificate, const Output& output) {
    if (certificate)
        output.Message(Filled(texts::kTrustHint, {{"fingerprint", certificate->fingerprint}}));
}

std::vector<std::string> walkSite(const ParsedOptions& options, Tftp_module& ftp,
                                  const SiteSettings& settings, const Output& output,
                                  RetrievalSummary& summary) {
    RetrievalLimits limits;
    limits.maxFolders = positiveNumber(options, "max-folders", limits.maxFolders);
    limits.maxRows = positiveNumber(options, "max-rows", limits.maxRows);
    CommandLineObserver observer(output);
    {
        const StopOnInterrupt stopOnInterrupt(ftp);
        ftp.ClearStop();
        summary = RunRetrieval(ftp, settings, observer, limits);
    }
    if (summary.tlsRefused)
        output.Warning(texts::kTlsRefusedPlain);
    return observer.TakeRows();
}

} // namespace cli
