#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>

#include "core/file_io.h"
#include "jobs/missing_pages.h"
#include "jobs/retrieval.h"
#include "jobs/table_sitemap.h"
#include "jobs/problem_text.h"
#include "jobs/work_table.h"
#include "jobs/path_filter.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "cli/options.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_client.h"
#include "ftp/tls_setting.h"
#include "memory/site_memory.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "sitemap/upload.h"

namespace fs = std::filesystem;

namespace {

// What a command prints. Whatever it prints passes EscapeControls, so that no text from a
// server or a settings file can drive the terminal; the ftp layer has masked the password in
// the server's replies already.
class Output final {
public:
    Output(CommandLineIo& io, std::string command) : io(io), command_(std::move(command)) {}

    // A line of the command's result on stdout.
    void Line(std::string_view text) const { io.out << EscapeControls(text) << '\n'; }
    // What the window shows in a message box, line by line on stderr.
    void Message(std::string_view text) const { io.err << asLines(text, "\n") << '\n'; }
    void Warning(std::string_view text) const {
        io.err << "sitewright " << command_ << ": " << texts::kWarning
               << texts::JoinSentences(SplitLines(EscapeControls(text))) << '\n';
    }
    // The one line that says why the command failed; returns the failure status.
    int Fail(std::string_view reason) const {
        io.err << "sitewright " << command_ << ": "
               << texts::JoinSentences(SplitLines(EscapeControls(reason))) << '\n';
        io.err.flush();
        return kExitFailure;
    }

    CommandLineIo& io;

private:
    // text escaped, its line breaks (CR LF, CR or LF) written as lineBreak.
    static std::string asLines(std::string_view text, std::string_view lineBreak) {
        std::string joined;
        const std::vector<std::string> lines = SplitLines(EscapeControls(text));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0)
                joined += lineBreak;
            joined += lines[i];
        }
        return joined;
    }

    std::string command_;
};

// The signal that asked the running walk to stop; 0 while none has.
std::atomic<int> interruptSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
// The client whose waits a Ctrl-C ends at once; set only while a walk runs.
std::atomic<const Tftp_module*> abortTarget{nullptr};
static_assert(std::atomic<const Tftp_module*>::is_always_lock_free);

extern "C" void onInterrupt(int signal) {
    interruptSignal = signal;
    // Abort only writes to an eventfd, which a signal handler may do.
    if (const Tftp_module* ftp = abortTarget.load())
        ftp->Abort();
}

// While it lives, the first Ctrl-C (or SIGTERM) stops the walk on ftp at once, even in the
// middle of a wait on the server; a second one ends the program as usual.
class StopOnInterrupt final {
public:
    explicit StopOnInterrupt(const Tftp_module& ftp) {
        interruptSignal = 0;
        abortTarget = &ftp;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &previousInterrupt_);
        ::sigaction(SIGTERM, &action, &previousTerminate_);
    }
    ~StopOnInterrupt() {
        ::sigaction(SIGINT, &previousInterrupt_, nullptr);
        ::sigaction(SIGTERM, &previousTerminate_, nullptr);
        abortTarget = nullptr;
    }
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};

// Columns a text takes on a terminal; characters beyond ASCII are counted wide.
std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            ++width;
        else if (byte >= 0xC0)
            width += 2;
    }
    return width;
}

// The end of text that fits into width columns, "..." in front when it was cut.
std::string fitFromTheEnd(const std::string& text, std::size_t width) {
    if (displayWidth(text) <= width)
        return text;
    std::size_t start = text.size();
    std::size_t used = 3;
    while (start > 0) {
        std::size_t lead = start - 1;
        while (lead > 0 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80)
            --lead;
        const std::size_t charWidth =
            displayWidth(std::string_view(text).substr(lead, start - lead));
        if (used + charWidth > width)
            break;
        used += charWidth;
        start = lead;
    }
    return "..." + text.substr(start);
}

// The retrieval as the command line shows it: messages on stderr, on a terminal a progress
// line that is rewritten in place, the rows kept for the writer.
class CommandLineObserver final : public RetrievalObserver {
public:
    explicit CommandLineObserver(const Output& output) : output_(output) {}

    void ProblemMet(const WalkProblem& problem) override {
        clearProgress();
        output_.Message(WalkProblemText(problem));
    }
    void Finished(const RetrievalSummary&, std::vector<std::string> rows) override {
        clearProgress();
        rows_ = std::move(rows);
    }
    bool StopRequested() override {
        return output_.io.stop != nullptr ? output_.io.stop->load() : interruptSignal.load() != 0;
    }
    void FolderEntered(const std::string& path) override {
        ++folders_;
        current_ = path;
        drawProgress();
    }
    void RowFound(const std::string&) override {
        ++files_;
        drawProgress();
    }
    void WalkProgress(std::size_t done, std::size_t known, std::size_t sessions) override {
        done_ = done;
        known_ = known;
        sessions_ = sessions;
        drawProgress();
    }

    std::vector<std::string> TakeRows() { return std::move(rows_); }

private:
    void drawProgress() {
        if (!output_.io.progress)
            return;
        // A terminal redrawn for every folder of a large site costs more than the walk.
        const auto now = std::chrono::steady_clock::now();
        if (shown_ && now - lastDrawn_ < std::chrono::milliseconds(100))
            return;
        lastDrawn_ = now;
        const std::string counts =
            known_ == 0 ? Filled(texts::kProgress, {{"folders", std::to_string(folders_)},
                                                    {"files", std::to_string(files_)}})
                        : Filled(texts::kParallelProgress, {{"folders", std::to_string(folders_)},
                                                            {"done", std::to_string(done_)},
                                                            {"known", std::to_string(known_)},
                                                            {"sessions", std::to_string(sessions_)},
                                                            {"files", std::to_string(files_)}});
        const std::size_t columns = std::size_t(std::max(output_.io.columns, 20)) - 1;
        const std::size_t used = displayWidth(counts);
        const std::size_t room = columns > used ? columns - used : 0;
        output_.io.err << '\r' << counts << fitFromTheEnd(current_, room) << "\x1b[K" << std::flush;
        shown_ = true;
    }
    void clearProgress() {
        if (shown_)
            output_.io.err << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

    const Output& output_;
    std::vector<std::string> rows_;
    std::size_t folders_ = 0;
    std::size_t files_ = 0;
    // Of a walk over several sessions: folders listed, known, and the sessions listing them.
    std::size_t done_ = 0;
    std::size_t known_ = 0;
    std::size_t sessions_ = 0;
    std::string current_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point lastDrawn_;
};

// The folder of the settings files and sitemap.xml: --dir, or the program folder.
fs::path settingsFolder(const ParsedOptions& options) {
    if (!options.has("dir"))
        return ProgramFolder();
    if (options.value("dir").empty())
        throw UsageError(std::string(texts::kDirNeedsFolder));
    return options.value("dir");
}

// False, the failure printed, when folder is not there: reading settings from a mistyped
// folder would go on with empty ones.
bool folderExists(const fs::path& folder, const Output& output) {
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    output.Fail(Filled(texts::kLocalFolderMissing, {{"folder", folder.string()}}));
    return false;
}

// Loads the settings of folder; false (the failure printed) when they cannot be read, or when
// config_v1.dat deciphers to values the program cannot have written.
bool loadSettings(const fs::path& folder, SiteSettings& settings, const Output& output) {
    try {
        LoadSettings(folder, settings);
    } catch (const std::exception& error) {
        output.Fail(error.what());
        return false;
    }
    if (const std::string problem = DatFileProblem(folder, settings); !problem.empty()) {
        output.Fail(problem);
        return false;
    }
    return true;
}

// The settings dialog's fields hold one line of text each; a value with a control character
// or bytes that are no UTF-8 would read back as a damaged file.
void requireUsable(const std::string& value, std::string_view what) {
    if (HasUnsafeCharacters(value))
        throw UsageError(Filled(texts::kUnusableCharacterIn, {{"what", what}}));
}

constexpr std::array<std::string_view, 2> kSwitchItems = {"on", "off"};

template <std::size_t N>
bool isItem(const std::array<std::string_view, N>& items, const std::string& value) {
    return std::find(items.begin(), items.end(), value) != items.end();
}

template <std::size_t N>
void requireItem(const ParsedOptions& options, const std::string& name,
                 const std::array<std::string_view, N>& items) {
    if (!options.has(name) || isItem(items, options.value(name)))
        return;
    std::string list;
    for (const std::string_view item : items)
        list += (list.empty() ? "" : ", ") + std::string(item);
    throw UsageError(Filled(texts::kItemsOnly, {{"option", name}, {"items", list}}));
}

// "+HH:MM" or "-HH:MM" into the four offset fields, as the dialog's four lists hold them.
void applyOffset(const std::string& text, SiteSettings& settings) {
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

// The value of option name as a whole number from 1 up, or fallback when it is not given.
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

int configure(const ParsedOptions& options, const Output& output) {
    SiteSettings changes;
    const std::pair<const char*, std::string SiteSettings::*> values[] = {
        {"url", &SiteSettings::web_url},
        {"host", &SiteSettings::hostname},
        {"user", &SiteSettings::username},
        {"root", &SiteSettings::site_root},
    };
    for (const auto& [name, member] : values) {
        if (!options.has(name))
            continue;
        // The site URL is refused as the settings dialog refuses it.
        const std::string_view urlProblem =
            member == &SiteSettings::web_url ? SiteUrlProblem(options.value(name)) : "";
        if (!urlProblem.empty())
            throw UsageError(std::string(urlProblem));
        requireUsable(options.value(name), std::string("--") + name);
        changes.*member = options.value(name);
    }
    if (options.has("host")) {
        try {
            ParseFtpEndpoint(changes.hostname); // a bad port is refused now, not at login
        } catch (const EIdException& error) {
            throw UsageError(std::string("--host: ") + FailureText(error.Failure()));
        }
    }
    if (options.has("root") && !changes.site_root.empty() && changes.site_root[0] != '/')
        throw UsageError(std::string(texts::kRootNeedsSlash));
    requireItem(options, "changefreq", kChangefreqItems);
    requireItem(options, "priority", kPriorityItems);
    requireItem(options, "tls", kTlsSettingItems);
    requireItem(options, "connections", kConnectionItems);
    requireItem(options, "protocol", kSitemapFormatItems);
    for (const char* name : {"gzip", "robots", "folder-addresses"})
        requireItem(options, name, kSwitchItems);
    // Every --exclude adds its patterns; the list given replaces the stored one.
    std::string exclude;
    if (options.has("exclude")) {
        for (const std::string& patterns : options.all.at("exclude")) {
            requireUsable(patterns, "--exclude");
            for (const std::string& pattern : SplitList(patterns))
                exclude += (exclude.empty() ? "" : ",") + pattern;
        }
    }
    if (options.has("index-names"))
        requireUsable(options.value("index-names"), "--index-names");
    if (options.has("trust-fingerprint") &&
        !IsCertificateFingerprint(options.value("trust-fingerprint")))
        throw UsageError(std::string(texts::kNotAFingerprint));
    if (options.has("offset"))
        applyOffset(options.value("offset"), changes);
    if (options.has("password-stdin")) {
        if (!std::getline(output.io.in, changes.password))
            throw UsageError(std::string(texts::kNoPasswordLine));
        if (!changes.password.empty() && changes.password.back() == '\r')
            changes.password.pop_back();
        requireUsable(changes.password, texts::kPasswordWord);
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
    for (const auto& [name, member] : values) {
        if (options.has(name))
            settings.*member = changes.*member;
    }
    if (options.has("password-stdin"))
        settings.password = changes.password;
    if (options.has("changefreq"))
        settings.changefreq = options.value("changefreq");
    if (options.has("priority"))
        settings.priority = options.value("priority");
    if (options.has("tls"))
        settings.tls = options.value("tls");
    if (options.has("connections"))
        settings.connections = options.value("connections");
    if (options.has("protocol"))
        settings.sitemap_format = options.value("protocol");
    const std::pair<const char*, bool SiteSettings::*> switches[] = {
        {"gzip", &SiteSettings::gzip},
        {"robots", &SiteSettings::robots},
        {"folder-addresses", &SiteSettings::folder_addresses},
    };
    for (const auto& [name, member] : switches) {
        if (options.has(name))
            settings.*member = options.value(name) == kSwitchItems[0];
    }
    if (options.has("exclude"))
        settings.exclude = exclude;
    if (options.has("index-names"))
        settings.index_names = options.value("index-names");
    if (options.has("trust-fingerprint"))
        settings.tls_trust =
            TrustedCertificate{settings.hostname, options.value("trust-fingerprint")}.Text();
    if (options.has("offset")) {
        settings.offset_1 = changes.offset_1;
        settings.offset_2 = changes.offset_2;
        settings.offset_3 = changes.offset_3;
        settings.offset_4 = changes.offset_4;
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

int show(const ParsedOptions& options, const Output& output) {
    const fs::path folder = settingsFolder(options);
    if (!folderExists(folder, output))
        return kExitFailure;
    SiteSettings settings;
    try {
        LoadSettings(folder, settings);
    } catch (const std::exception& error) {
        return output.Fail(error.what());
    }
    // Values as stored, every byte that could drive the terminal shown as "%XX".
    const auto shown = [](const std::string& value) { return PercentEncodeUnsafe(value); };
    output.Line("folder      " + shown(folder.string()));
    output.Line("url         " + shown(settings.web_url));
    output.Line("host        " + shown(settings.hostname));
    output.Line("user        " + shown(settings.username));
    output.Line(
        Concat({"password    ", settings.password.empty() ? texts::kEmptyValue : kPasswordMask}));
    output.Line("root        " + shown(settings.site_root));
    output.Line("changefreq  " + settings.changefreq);
    output.Line("priority    " + settings.priority);
    output.Line("offset      " + settings.TimeZoneOffset());
    output.Line("tls         " + settings.tls);
    output.Line("connections " + settings.connections);
    const auto onOff = [](bool on) { return std::string(kSwitchItems[on ? 0 : 1]); };
    output.Line("protocol    " + settings.sitemap_format);
    output.Line("gzip        " + onOff(settings.gzip));
    output.Line("robots      " + onOff(settings.robots));
    output.Line("exclude     " + shown(settings.exclude));
    output.Line("folder-addresses " + onOff(settings.folder_addresses) + " " +
                shown(settings.index_names));
    if (const auto trusted = ParseTrustedCertificate(settings.tls_trust))
        output.Line("trusted     " + shown(trusted->host) + " " + trusted->fingerprint);
    if (const std::string problem = DatFileProblem(folder, settings); !problem.empty())
        return output.Fail(problem);
    return kExitSuccess;
}

// Scripts never prompt: the way to trust a refused certificate is told instead.
void offerTrust(const std::optional<CertificateInfo>& certificate, const Output& output) {
    if (certificate)
        output.Message(Filled(texts::kTrustHint, {{"fingerprint", certificate->fingerprint}}));
}

int uploadSitemap(Tftp_module& ftp, const SiteSettings& settings, const fs::path& folder,
                  const ParsedOptions& options, const Output& output) {
    // Uploaded, a sitemap without a URL would empty the server's copy.
    if (SitemapHasNoUrl(folder))
        return output.Fail(texts::kEmptySitemapRefused);
    ftp.ClearStop();
    const bool allowShrink = options.has("allow-shrink");
    const UploadResult result = UploadSitemap(
        ftp, settings, folder, [allowShrink](const ShrinkFinding&) { return allowShrink; });
    switch (result.outcome) {
    case UploadOutcome::Uploaded:
        if (!result.notice.empty())
            output.Warning(result.notice);
        output.Line(texts::kUploaded);
        return kExitSuccess;
    case UploadOutcome::ShrinkRefused:
        return output.Fail(
            Concat({UploadFailureText(result), texts::kLineBreak, texts::kAllowShrinkHint}));
    case UploadOutcome::NoSitemap:
        return output.Fail(texts::kNoSitemap);
    case UploadOutcome::LoginFailed:
        offerTrust(result.untrustedCertificate, output);
        return output.Fail(
            Concat({texts::kConnectFailed, texts::kLineBreak, UploadFailureText(result)}));
    case UploadOutcome::UnusableFile:
    case UploadOutcome::FolderRefused:
    case UploadOutcome::StoreFailed:
        break;
    }
    return output.Fail(
        Concat({texts::kUploadFailed, texts::kLineBreak, UploadFailureText(result)}));
}

// Loads the settings a conversation with the server needs; false (printed) when they are
// missing or unusable.
bool loadServerSettings(const fs::path& folder, SiteSettings& settings, const Output& output) {
    if (!folderExists(folder, output) || !loadSettings(folder, settings, output))
        return false;
    if (settings.hostname.empty()) {
        output.Fail(texts::kNoHost);
        return false;
    }
    return true;
}

// A failure after the walk: why, and that no sitemap was written.
int failWithoutSitemap(std::string_view why, const Output& output) {
    return output.Fail(Concat({why, texts::kLineBreak, texts::kNoSitemapWritten}));
}

// After the walk: the sitemap of every row in the table's order, and the upload if asked.
int writeSitemap(const RetrievalSummary& summary, std::vector<std::string> rows,
                 const ParsedOptions& options, Tftp_module& ftp, const SiteSettings& settings,
                 const fs::path& folder, const Output& output) {
    if (summary.loginFailed) {
        offerTrust(summary.untrustedCertificate, output);
        return failWithoutSitemap(texts::kConnectFailed, output);
    }
    if (summary.stopped)
        return failWithoutSitemap(texts::kRetrievalStopped, output);
    if (summary.endedEarly)
        return failWithoutSitemap(texts::kListCutShort, output);
    if (summary.folders == 0)
        return failWithoutSitemap(
            Concat({PercentEncodeUnsafe(settings.site_root), texts::kFolderMissing}), output);
    const bool upload = options.has("upload");
    if (upload && rows.empty())
        return failWithoutSitemap(texts::kEmptySitemapRefused, output);
    std::error_code error;
    if (rows.empty() && fs::exists(SitemapPath(folder), error))
        return output.Fail(
            Filled(texts::kNoRowsSitemapKept, {{"file", SitemapPath(folder).string()}}));

    // The window's table decides the order, applies the same memory (leaving the pages it does
    // not know new, for the window to show) and writes the sitemap the same way.
    SiteMemory memory(
        folder, settings.web_url,
        [&output](const SiteMemory::Problem& problem) {
            output.Warning(MemoryProblemText(problem));
        },
        false);
    // Without its memory the sitemap would list the pages the user unticked.
    if (memory.Locked())
        return failWithoutSitemap(texts::kMemoryLocked, output);
    WorkTable table;
    const AppliedMemory applied = table.fillRetrieved(rows, &memory, false);
    if (memory.IsOn()) {
        // Only a complete walk tells which pages are gone.
        const std::size_t missing =
            applied.missing > 0 && summary.WalkedWholeSite()
                ? MissingPages(memory, rows, settings, summary.robotsTxt).size()
                : 0;
        output.Line(Filled(texts::kMemoryApplied, {{"unticked", std::to_string(applied.unticked)},
                                                   {"edited", std::to_string(applied.edited)},
                                                   {"fresh", std::to_string(applied.fresh)},
                                                   {"missing", std::to_string(missing)}}));
        if (missing > 0)
            output.Line(texts::kMissingHint);
    }
    SitemapFilesSummary written;
    try {
        written = WriteTableSitemap(table, folder, settings);
    } catch (const std::exception& error) {
        return output.Fail(error.what());
    }
    output.Line(Filled(texts::kSitemapWritten, {{"file", SitemapPath(folder).string()}}));
    if (written.parts > 0)
        output.Line(Filled(texts::kSitemapSplit, {{"urls", std::to_string(written.urls)},
                                                  {"parts", std::to_string(written.parts)},
                                                  {"file", SitemapPath(folder).string()}}));
    if (!upload)
        return kExitSuccess;
    return uploadSitemap(ftp, settings, folder, options, output);
}

// Walks the site as settings say, stopped by Ctrl-C; the rows found.
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

// The settings of a walk: --dir's, with --ext in place of the stored extensions.
bool loadWalkSettings(const ParsedOptions& options, const fs::path& folder, SiteSettings& settings,
                      const Output& output) {
    if (!loadServerSettings(folder, settings, output))
        return false;
    if (options.has("ext"))
        settings.ext_list = options.value("ext");
    return true;
}

int generate(const ParsedOptions& options, const Output& output) {
    const auto started = std::chrono::steady_clock::now();
    // Usage errors first, before any conversation.
    positiveNumber(options, "max-folders", 1);
    positiveNumber(options, "max-rows", 1);
    const fs::path folder = settingsFolder(options);
    SiteSettings settings;
    if (!loadWalkSettings(options, folder, settings, output))
        return kExitFailure;
    const FolderLock lock(folder);
    if (!lock.Held())
        return output.Fail(Filled(texts::kFolderBusy, {{"folder", folder.string()}}));

    Tftp_module ftp;
    RetrievalSummary summary;
    std::vector<std::string> rows = walkSite(options, ftp, settings, output, summary);
    const int status =
        writeSitemap(summary, std::move(rows), options, ftp, settings, folder, output);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.2f", seconds);
    // Which listing the times came from (how many folders each, when both); nothing when no
    // folder was listed. Then what the walk left out beyond the usual figures.
    std::string listing;
    if (summary.foldersListedMlsd > 0 && summary.foldersListedList > 0)
        listing =
            Filled(texts::kSummaryMixed, {{"mlsd", std::to_string(summary.foldersListedMlsd)},
                                          {"list", std::to_string(summary.foldersListedList)}});
    else if (summary.folders > 0)
        listing = summary.foldersListedList == 0 && summary.mlsd ? texts::kSummaryMlsd
                                                                 : texts::kSummaryList;
    if (summary.foldersRepeated > 0)
        listing +=
            Filled(texts::kSummaryRepeated, {{"count", std::to_string(summary.foldersRepeated)}});
    if (summary.undated > 0)
        listing += Filled(texts::kSummaryUndated, {{"count", std::to_string(summary.undated)}});
    output.Line(Filled(texts::kSummary, {{"rows", std::to_string(summary.rows)},
                                         {"folders", std::to_string(summary.folders)},
                                         {"refused", std::to_string(summary.foldersRefused)},
                                         {"unreadable", std::to_string(summary.foldersUnreadable)},
                                         {"deep", std::to_string(summary.foldersTooDeep)},
                                         {"excluded", std::to_string(summary.excluded)},
                                         {"robots", std::to_string(summary.robotsExcluded)},
                                         {"seconds", secondsText},
                                         {"commands", std::to_string(summary.commands)},
                                         {"listing", listing}}));
    return status;
}

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

int forget(const ParsedOptions& options, const Output& output) {
    if (!options.has("missing"))
        throw UsageError(std::string(texts::kForgetNeedsMissing));
    const fs::path folder = settingsFolder(options);
    SiteSettings settings;
    if (!loadWalkSettings(options, folder, settings, output))
        return kExitFailure;
    Tftp_module ftp;
    RetrievalSummary summary;
    const std::vector<std::string> rows = walkSite(options, ftp, settings, output, summary);
    if (summary.loginFailed) {
        offerTrust(summary.untrustedCertificate, output);
        return output.Fail(texts::kConnectFailed);
    }
    // A page in a folder the walk did not list would be taken for a page that is gone.
    if (!summary.WalkedWholeSite())
        return output.Fail(texts::kMissingNeedsWholeWalk);
    MemoryProblem problem;
    SiteMemory memory(folder, settings.web_url, problem.Handler(), false);
    const std::size_t forgotten =
        memory.Forget(MissingPages(memory, rows, settings, summary.robotsTxt));
    if (const std::string why = problem.Of(memory); !why.empty())
        return output.Fail(why);
    output.Line(Filled(texts::kMissingForgotten, {{"count", std::to_string(forgotten)}}));
    return kExitSuccess;
}

// The site memory of --dir's folder, for the site its settings name; false (printed) when
// the settings cannot be read.
bool siteOfFolder(const ParsedOptions& options, fs::path& folder, SiteSettings& settings,
                  const Output& output) {
    folder = settingsFolder(options);
    return folderExists(folder, output) && loadSettings(folder, settings, output);
}

int memoryList(const ParsedOptions& options, const Output& output) {
    fs::path folder;
    SiteSettings settings;
    if (!siteOfFolder(options, folder, settings, output))
        return kExitFailure;
    MemoryProblem problem;
    SiteMemory memory(folder, settings.web_url, problem.Handler(), false);
    const std::vector<PageChoice> pages = memory.List();
    if (const std::string why = problem.Of(memory); !why.empty())
        return output.Fail(why);
    output.Line(Filled(texts::kMemoryListed,
                       {{"site", settings.web_url}, {"count", std::to_string(pages.size())}}));
    const auto orDash = [](const std::string& value) { return value.empty() ? "-" : value; };
    for (const PageChoice& page : pages)
        output.Line(Concat(
            {page.setAt, "  ", page.unticked ? std::string_view(texts::kUnticked) : "-", "  ",
             orDash(page.changefreq), "  ", orDash(page.priority), "  ", page.address}));
    return kExitSuccess;
}

int memoryReset(const ParsedOptions& options, const Output& output) {
    fs::path folder;
    SiteSettings settings;
    if (!siteOfFolder(options, folder, settings, output))
        return kExitFailure;
    MemoryProblem problem;
    SiteMemory memory(folder, settings.web_url, problem.Handler(), false);
    const std::size_t forgotten = memory.Reset();
    if (const std::string why = problem.Of(memory); !why.empty())
        return output.Fail(why);
    output.Line(Filled(texts::kMemoryErased,
                       {{"site", settings.web_url}, {"count", std::to_string(forgotten)}}));
    return kExitSuccess;
}

int upload(const ParsedOptions& options, const Output& output) {
    const fs::path folder = settingsFolder(options);
    if (!folderExists(folder, output))
        return kExitFailure;
    std::error_code error;
    if (!fs::exists(SitemapPath(folder), error))
        return output.Fail(texts::kNoSitemap);
    SiteSettings settings;
    if (!loadServerSettings(folder, settings, output))
        return kExitFailure;
    const FolderLock lock(folder);
    if (!lock.Held())
        return output.Fail(Filled(texts::kFolderBusy, {{"folder", folder.string()}}));
    Tftp_module ftp;
    return uploadSitemap(ftp, settings, folder, options, output);
}

struct Command {
    const char* name;
    const char* verb; // the word after the name that picks the command, or nullptr
    texts::Text usage;
    std::vector<OptionSpec> options;
    int (*run)(const ParsedOptions&, const Output&);
};

const std::vector<Command>& commands() {
    static const std::vector<Command> all = {
        {"configure",
         nullptr,
         texts::kConfigureUsage,
         {{"dir", true},
          {"url", true},
          {"host", true},
          {"user", true},
          {"password-stdin", false},
          {"root", true},
          {"changefreq", true},
          {"priority", true},
          {"offset", true},
          {"tls", true},
          {"trust-fingerprint", true},
          {"connections", true},
          {"protocol", true},
          {"gzip", true},
          {"exclude", true},
          {"robots", true},
          {"folder-addresses", true},
          {"index-names", true}},
         configure},
        {"show", nullptr, texts::kShowUsage, {{"dir", true}}, show},
        {"generate",
         nullptr,
         texts::kGenerateUsage,
         {{"dir", true},
          {"ext", true},
          {"upload", false},
          {"max-folders", true},
          {"max-rows", true},
          {"allow-shrink", false}},
         generate},
        {"upload", nullptr, texts::kUploadUsage, {{"dir", true}, {"allow-shrink", false}}, upload},
        {"forget",
         nullptr,
         texts::kForgetUsage,
         {{"dir", true}, {"missing", false}, {"ext", true}},
         forget},
        {"memory", "list", texts::kMemoryUsage, {{"dir", true}}, memoryList},
        {"memory", "reset", texts::kMemoryUsage, {{"dir", true}}, memoryReset},
    };
    return all;
}

} // namespace

int RunCommandLine(const std::vector<std::string>& args, CommandLineIo& io) {
    if (args.empty()) {
        io.err << texts::kTopUsage;
        return kExitUsage;
    }
    if (args[0] == "-h" || args[0] == "--help") {
        io.out << texts::kTopUsage;
        return kExitSuccess;
    }
    if (args[0] == "--version") {
        io.out << "sitewright " SW_VERSION "\n";
        return kExitSuccess;
    }
    const auto named = std::find_if(commands().begin(), commands().end(),
                                    [&](const Command& c) { return args[0] == c.name; });
    if (named == commands().end()) {
        // The argument is not repeated: it may be a secret typed in the wrong place.
        io.err << "sitewright: " << texts::kUnknownCommand << '\n';
        return kExitUsage;
    }
    const auto command = std::find_if(named, commands().end(), [&](const Command& c) {
        return args[0] == c.name && (!c.verb || (args.size() > 1 && args[1] == c.verb));
    });
    if (command == commands().end()) {
        const bool help = args.size() > 1 && (args[1] == "-h" || args[1] == "--help");
        (help ? io.out : io.err) << named->usage;
        if (!help)
            io.err << "sitewright " << named->name << ": " << texts::kMemoryVerb << '\n';
        return help ? kExitSuccess : kExitUsage;
    }

    Output output(io, command->name);
    try {
        const ParsedOptions options = ParseOptions(args, command->verb ? 2 : 1, command->options);
        if (options.help) {
            io.out << command->usage;
            return kExitSuccess;
        }
        return command->run(options, output);
    } catch (const UsageError& error) {
        io.err << "sitewright " << command->name << ": "
               << texts::JoinSentences({EscapeControls(error.what()),
                                        Filled(texts::kSeeHelp, {{"command", command->name}})})
               << '\n';
        return kExitUsage;
    } catch (const std::exception& error) {
        return output.Fail(ErrorText(error));
    }
}

int InterruptSignal() {
    return interruptSignal.load();
}
