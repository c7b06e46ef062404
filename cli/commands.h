#pragma once

// The sitewright commands, one file each, and what they share.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "cli/output.h"
#include "core/texts.h"
#include "ftp/tls_channel.h"
#include "jobs/page_check_job.h"
#include "jobs/problem_text.h"
#include "jobs/work_table.h"
#include "memory/site_memory.h"

class Tftp_module;
struct RetrievalSummary;
struct RobotsResult;
struct SiteSettings;

namespace cli {

// What a command does with its options; returns the exit status.
using CommandRun = int (*)(const ParsedOptions&, const Output&);

int configure(const ParsedOptions& options, const Output& output);
int show(const ParsedOptions& options, const Output& output);
int generate(const ParsedOptions& options, const Output& output);
int upload(const ParsedOptions& options, const Output& output);
int notify(const ParsedOptions& options, const Output& output);
int forget(const ParsedOptions& options, const Output& output);
int memoryList(const ParsedOptions& options, const Output& output);
int memoryReset(const ParsedOptions& options, const Output& output);
int check(const ParsedOptions& options, const Output& output);

// configure's options: --dir and one for each setting it changes.
std::vector<OptionSpec> ConfigureOptions();

constexpr std::array<std::string_view, 2> kSwitchItems = {"on", "off"};

// The folder of the settings files and sitemap.xml: --dir, or the program folder (never
// created here: configure makes it, the other commands need it).
std::filesystem::path settingsFolder(const ParsedOptions& options);

// False, the failure printed, when folder is not there: reading settings from a mistyped
// folder would go on with empty ones.
bool folderExists(const std::filesystem::path& folder, const Output& output);

// Loads the settings of folder; false (the failure printed) when they cannot be read, or when
// config_v1.dat deciphers to values the program cannot have written.
bool loadSettings(const std::filesystem::path& folder, SiteSettings& settings,
                  const Output& output);

// Loads the settings a conversation with the server needs; false (printed) when they are
// missing or unusable.
bool loadServerSettings(const ParsedOptions& options, const std::filesystem::path& folder, SiteSettings& settings,
                        const Output& output);

// The settings of a walk: --dir's, with --ext in place of the stored extensions.
bool loadWalkSettings(const ParsedOptions& options, const std::filesystem::path& folder,
                      SiteSettings& settings, const Output& output);

// The site memory of --dir's folder, for the site its settings name; false (printed) when
// the settings cannot be read.
bool siteOfFolder(const ParsedOptions& options, std::filesystem::path& folder,
                  SiteSettings& settings, const Output& output);

// The value of option name as a whole number from 1 up, or fallback when it is not given.
std::size_t positiveNumber(const ParsedOptions& options, const std::string& name,
                           std::size_t fallback);

// Scripts never prompt: the way to trust a refused certificate or host key is told instead.
void offerTrust(const std::optional<CertificateInfo>& certificate,
                const std::optional<SshHostKey>& hostKey, const Output& output);

// Walks the site as settings say, stopped by Ctrl-C; the rows found.
std::vector<std::string> walkSite(const ParsedOptions& options, Tftp_module& ftp,
                                  const SiteSettings& settings, const Output& output,
                                  RetrievalSummary& summary);

// Uploads folder's sitemap (--allow-shrink lets a smaller one replace the server's).
int uploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                  const std::filesystem::path& folder, const ParsedOptions& options,
                  const Output& output);

// True for --robots-sitemap-line add; throws UsageError for another value.
bool addsRobotsLine(const ParsedOptions& options);
// After an upload: what the upload's session found of the robots.txt Sitemap: line (nothing
// without a site address) and, when IndexNow is on, the changed addresses sent; each told, none
// failing the upload.
void tellSearchEngines(Tftp_module& ftp, const SiteSettings& settings,
                       const std::filesystem::path& folder, const RobotsResult* robots,
                       const Output& output);
// The page check of a walk's rows (check.cpp), stopped by Ctrl-C: the rows' lastmods as the
// check leaves them, certificate failures warned of. With a memory, what it kept is used and
// what was seen kept.
PageCheckResult checkRows(std::vector<std::string>& rows, const RetrievalSummary& summary,
                          const SiteSettings& settings, SiteMemory* memory, Tftp_module& ftp,
                          const Output& output);

// A command whose whole work is the memory fails with the memory's own problem.
class MemoryProblem final {
public:
    SiteMemory::ProblemHandler Handler() {
        return [this](const SiteMemory::Problem& problem) { text_ = MemoryProblemText(problem); };
    }
    // Why the command failed with memory, or empty when it did not.
    std::string Of(const SiteMemory& memory) const {
        return memory.Locked() ? std::string(texts::kMemoryLocked) : text_;
    }

private:
    std::string text_;
};

} // namespace cli
