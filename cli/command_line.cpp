#include "cli/command_line.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>

#include "app/file_io.h"
#include "app/row_order.h"
#include "cli/options.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_client.h"
#include "app/jobs/retrieval.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "sitemap/upload.h"

namespace fs = std::filesystem;

namespace {

const char* const kTopUsage = R"(Usage: sitewright <command> [options]

Makes the sitemap.xml of a web site from the files on its FTP server.

Commands:
  configure   change the stored site settings
  show        print the stored site settings (the password masked)
  generate    walk the server and write sitemap.xml; with --upload also upload it
  upload      upload the existing sitemap.xml into the site root folder

Every command takes --dir DIR, the folder that holds the settings files and
sitemap.xml (default: the program folder). "sitewright <command> --help" shows
the options of a command.

Exit status: 0 done, 1 failed (the reason on stderr), 2 wrong command line.
)";

const char* const kConfigureUsage =
    R"(Usage: sitewright configure [--dir DIR] [--url URL] [--host HOST] [--user USER]
                            [--password-stdin] [--root PATH] [--changefreq F]
                            [--priority P] [--offset +HH:MM]

Changes the given settings and saves both settings files (enciphered, readable
by the owner only); settings not given keep their values.

  --dir DIR          folder of the settings files (default: the program folder)
  --url URL          web site address, without the final "/"
                     (example: https://www.example.com)
  --host HOST        FTP host name or address, optionally HOST:PORT
  --user USER        FTP user name
  --password-stdin   read the FTP password from the first line of standard input
                     (there is no option that takes the password itself)
  --root PATH        site root folder on the FTP server, beginning with "/"
                     (example: /public_html); empty: the login folder
  --changefreq F     default update frequency: always, hourly, daily, weekly,
                     monthly, yearly or never
  --priority P       default priority: 0.0, 0.1, ... 1.0
  --offset +HH:MM    time-zone offset of the server's clock, added to every
                     modification time (example: +09:00, -05:30)
  -h, --help         show this help
)";

const char* const kShowUsage = R"(Usage: sitewright show [--dir DIR]

Prints the stored settings; the password is masked.

  --dir DIR    folder of the settings files (default: the program folder)
  -h, --help   show this help
)";

const char* const kGenerateUsage = R"(Usage: sitewright generate [--dir DIR] [--ext LIST] [--upload]

Logs in to the FTP server, walks the site root folder and every folder below it,
and writes DIR/sitemap.xml with one URL for every file whose extension is in
LIST, each with its modification time and the default update frequency and
priority. A folder the server will not let it enter is reported on stderr and
left out. Ctrl-C stops the walk; no sitemap is written then, and a walk that
fails writes none either: an earlier sitemap.xml stays as it was.

  --dir DIR    folder of the settings files and sitemap.xml
               (default: the program folder)
  --ext LIST   extensions of the files to take, separated by commas
               (default: .htm,.html,.php,.cgi)
  --upload     then upload sitemap.xml into the site root folder
  -h, --help   show this help
)";

const char* const kUploadUsage = R"(Usage: sitewright upload [--dir DIR]

Uploads DIR/sitemap.xml as sitemap.xml into the site root folder on the FTP
server.

  --dir DIR    folder of the settings files and sitemap.xml
               (default: the program folder)
  -h, --help   show this help
)";

const std::string kNoSitemap = "サイトマップがまだ作成されていません。";
const std::string kUploaded = "サイトマップをアップロードしました。";
const std::string kUploadFailed = "サイトマップのアップロードに失敗しました。";
const std::string kConnectFailed = "接続失敗";
const std::string kMask = "********";

std::string replaceAll(std::string text, const std::string& search,
                       const std::string& replacement) {
    if (search.empty())
        return text;
    for (std::size_t at = text.find(search); at != std::string::npos;
         at = text.find(search, at + replacement.size()))
        text.replace(at, search.size(), replacement);
    return text;
}

// What a command prints. Everything that goes out passes the mask, so that the password
// never shows, even inside a server's reply.
class Output final {
public:
    Output(CommandLineIo& io, std::string command) : io(io), command_(std::move(command)) {}

    void SetSecret(const std::string& secret) { secret_ = secret; }
    std::string Masked(const std::string& text) const { return replaceAll(text, secret_, kMask); }

    // A line of the command's result on stdout.
    void Line(const std::string& text) const { io.out << Masked(text) << '\n'; }
    // What the window shows in a message box, line by line on stderr.
    void Message(const std::string& text) const {
        io.err << Masked(replaceAll(replaceAll(text, "\r\n", "\n"), "\r", "\n")) << '\n';
    }
    void Warning(const std::string& text) const {
        io.err << "sitewright " << command_ << ": warning: " << Masked(text) << '\n';
    }
    // The one line that says why the command failed; returns the failure status.
    int Fail(const std::string& reason) const {
        io.err << "sitewright " << command_ << ": "
               << Masked(replaceAll(replaceAll(reason, "\r\n", " "), "\n", " ")) << '\n';
        io.err.flush();
        return kExitFailure;
    }

    CommandLineIo& io;

private:
    std::string command_;
    std::string secret_;
};

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) {
    interrupted = true;
}

// While it lives, the first Ctrl-C asks the walk to stop before its next command; a second
// one ends the program as usual.
class StopOnInterrupt final {
public:
    StopOnInterrupt() {
        interrupted = false;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &previous_);
    }
    ~StopOnInterrupt() { ::sigaction(SIGINT, &previous_, nullptr); }
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

private:
    struct sigaction previous_ {};
};

// Columns a text takes on a terminal; characters beyond ASCII are counted wide.
std::size_t displayWidth(const std::string& text) {
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
        const std::size_t charWidth = displayWidth(text.substr(lead, start - lead));
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

    void ClearTable() override {}
    void SetStatusText(int, const std::string&) override {}
    void SetMaxTotalText(const std::string&) override {}
    void ShowMessage(const std::string& text) override {
        clearProgress();
        output_.Message(text);
    }
    void FillTable(std::vector<std::string> rows) override {
        clearProgress();
        rows_ = std::move(rows);
    }
    bool StopRequested() override {
        return output_.io.stop != nullptr ? output_.io.stop->load() : interrupted.load();
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
            "folders " + std::to_string(folders_) + ", files " + std::to_string(files_) + ": ";
        const std::size_t columns = std::size_t(std::max(output_.io.columns, 20)) - 1;
        const std::size_t room = columns > counts.size() ? columns - counts.size() : 0;
        output_.io.err << '\r' << counts << output_.Masked(fitFromTheEnd(current_, room))
                       << "\x1b[K" << std::flush;
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
    std::string current_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point lastDrawn_;
};

fs::path settingsFolder(const ParsedOptions& options) {
    if (!options.has("dir"))
        return ProgramFolder();
    if (options.value("dir").empty())
        throw UsageError("option --dir needs a folder");
    return options.value("dir");
}

// Loads the settings of folder; false (the failure printed) when they cannot be read.
bool loadSettings(const fs::path& folder, SiteSettings& settings, const Output& output) {
    try {
        LoadSettings(folder, settings);
        return true;
    } catch (const std::exception& error) {
        output.Fail("cannot read the settings in " + folder.string() + ": " + error.what());
        return false;
    }
}

// The settings dialog's fields hold one line each.
void requireOneLine(const std::string& value, const std::string& what) {
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw UsageError(what + " may not hold a line break or NUL");
}

template <std::size_t N>
bool isItem(const std::array<std::string_view, N>& items, const std::string& value) {
    return std::find(items.begin(), items.end(), value) != items.end();
}

template <std::size_t N> std::string itemList(const std::array<std::string_view, N>& items) {
    std::string text;
    for (const std::string_view item : items)
        text += (text.empty() ? "" : ", ") + std::string(item);
    return text;
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
        throw UsageError("--offset must be a sign, hours 00 to 23, \":\" and minutes 00 to 59, "
                         "such as +09:00 or -05:30");
    settings.offset_1 = sign;
    settings.offset_2 = hours;
    settings.offset_3 = tens;
    settings.offset_4 = units;
}

int configure(const ParsedOptions& options, Output& output) {
    SiteSettings changes;
    const std::pair<const char*, std::string SiteSettings::*> texts[] = {
        {"url", &SiteSettings::web_url},
        {"host", &SiteSettings::hostname},
        {"user", &SiteSettings::username},
        {"root", &SiteSettings::site_root},
    };
    for (const auto& [name, member] : texts) {
        if (options.has(name)) {
            requireOneLine(options.value(name), std::string("--") + name);
            changes.*member = options.value(name);
        }
    }
    if (options.has("host")) {
        try {
            ParseFtpEndpoint(changes.hostname); // a bad port is refused now, not at login
        } catch (const EIdException& error) {
            throw UsageError(std::string("--host: ") + error.what());
        }
    }
    if (options.has("root") && !changes.site_root.empty() && changes.site_root[0] != '/')
        throw UsageError("--root must begin with \"/\" (or be empty for the login folder)");
    if (options.has("changefreq") && !isItem(kChangefreqItems, options.value("changefreq")))
        throw UsageError("--changefreq must be one of " + itemList(kChangefreqItems));
    if (options.has("priority") && !isItem(kPriorityItems, options.value("priority")))
        throw UsageError("--priority must be one of " + itemList(kPriorityItems));
    if (options.has("offset"))
        applyOffset(options.value("offset"), changes);
    if (options.has("password-stdin")) {
        if (!std::getline(output.io.in, changes.password))
            throw UsageError("--password-stdin: standard input holds no line; an empty "
                             "password is an empty line");
        if (!changes.password.empty() && changes.password.back() == '\r')
            changes.password.pop_back();
        requireOneLine(changes.password, "the password");
        output.SetSecret(changes.password);
    }

    const fs::path folder = settingsFolder(options);
    SiteSettings settings;
    if (!loadSettings(folder, settings, output))
        return kExitFailure;
    for (const auto& [name, member] : texts) {
        if (options.has(name))
            settings.*member = changes.*member;
    }
    if (options.has("password-stdin"))
        settings.password = changes.password;
    if (options.has("changefreq"))
        settings.changefreq = options.value("changefreq");
    if (options.has("priority"))
        settings.priority = options.value("priority");
    if (options.has("offset")) {
        settings.offset_1 = changes.offset_1;
        settings.offset_2 = changes.offset_2;
        settings.offset_3 = changes.offset_3;
        settings.offset_4 = changes.offset_4;
    }
    if (options.has("url") && !settings.web_url.empty() && settings.web_url.back() == '/')
        output.Warning("the web site address ends in \"/\"; every URL will hold \"//\"");

    try {
        fs::create_directories(folder);
        SaveSettings(folder, settings);
    } catch (const std::exception& error) {
        return output.Fail(std::string("cannot save the settings: ") + error.what());
    }
    output.Line("Settings saved in " + folder.string());
    return kExitSuccess;
}

int show(const ParsedOptions& options, Output& output) {
    const fs::path folder = settingsFolder(options);
    SiteSettings settings;
    if (!loadSettings(folder, settings, output))
        return kExitFailure;
    output.Line("folder      " + folder.string());
    output.Line("url         " + settings.web_url);
    output.Line("host        " + settings.hostname);
    output.Line("user        " + settings.username);
    output.Line("password    " + (settings.password.empty() ? "(empty)" : kMask));
    output.Line("root        " + settings.site_root);
    output.Line("changefreq  " + settings.changefreq);
    output.Line("priority    " + settings.priority);
    output.Line("offset      " + settings.TimeZoneOffset());
    return kExitSuccess;
}

int uploadSitemap(Tftp_module& ftp, const SiteSettings& settings, const fs::path& folder,
                  const Output& output) {
    try {
        const UploadResult result = UploadSitemap(ftp, settings, folder);
        switch (result.outcome) {
        case UploadOutcome::Uploaded:
            output.Line(kUploaded);
            return kExitSuccess;
        case UploadOutcome::NoSitemap:
            return output.Fail(kNoSitemap);
        case UploadOutcome::LoginFailed:
            return output.Fail(kConnectFailed + ": " + result.reason);
        case UploadOutcome::StoreFailed:
            return output.Fail(kUploadFailed + " " + result.reason);
        }
    } catch (const std::exception& error) {
        ftp.FtpDisconnect();
        return output.Fail(kUploadFailed + " " + error.what());
    }
    return kExitFailure;
}

// Loads the settings a conversation with the server needs; false (printed) when they are
// missing.
bool loadServerSettings(const fs::path& folder, SiteSettings& settings, Output& output) {
    if (!loadSettings(folder, settings, output))
        return false;
    output.SetSecret(settings.password);
    if (settings.hostname.empty()) {
        output.Fail("no FTP host is set in " + folder.string() +
                    "; set one with sitewright configure --host");
        return false;
    }
    return true;
}

// After the walk: the sitemap of every row in the table's order, and the upload if asked.
int writeSitemap(const RetrievalSummary& summary, std::vector<std::string> rows,
                 const ParsedOptions& options, Tftp_module& ftp, const SiteSettings& settings,
                 const fs::path& folder, const Output& output) {
    if (summary.loginFailed)
        return output.Fail("the login failed; no sitemap written");
    if (summary.stopped)
        return output.Fail("stopped; no sitemap written");
    if (summary.endedEarly)
        return output.Fail("the walk ended before its end; no sitemap written");
    if (summary.folders == 0)
        return output.Fail("the site root folder could not be entered; no sitemap written");

    RowOrder().sort(rows);
    SitemapBuilder builder;
    for (const std::string& row : rows)
        builder.AddRow(row);
    builder.Finish();
    try {
        WriteSitemap(folder, builder.document());
    } catch (const std::exception& error) {
        return output.Fail(error.what());
    }
    output.Line("Wrote " + SitemapPath(folder).string());
    if (builder.ExceedsSingleFileLimits())
        output.Warning("more than 50,000 URLs or 10 MiB: search engines ignore a sitemap this "
                       "large");
    if (!options.has("upload"))
        return kExitSuccess;
    return uploadSitemap(ftp, settings, folder, output);
}

int generate(const ParsedOptions& options, Output& output) {
    const auto started = std::chrono::steady_clock::now();
    const fs::path folder = settingsFolder(options);
    SiteSettings settings;
    if (!loadServerSettings(folder, settings, output))
        return kExitFailure;
    if (options.has("ext"))
        settings.ext_list = options.value("ext");

    Tftp_module ftp;
    CommandLineObserver observer(output);
    RetrievalSummary summary;
    {
        const StopOnInterrupt stopOnInterrupt;
        summary = RunRetrieval(ftp, settings, observer);
    }
    const int status =
        writeSitemap(summary, observer.TakeRows(), options, ftp, settings, folder, output);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char timeText[32];
    std::snprintf(timeText, sizeof timeText, "%.2f", seconds);
    output.Line("rows " + std::to_string(summary.rows) + ", folders " +
                std::to_string(summary.folders) + ", seconds " + timeText + ", commands " +
                std::to_string(summary.commands));
    return status;
}

int upload(const ParsedOptions& options, Output& output) {
    const fs::path folder = settingsFolder(options);
    SiteSettings settings;
    if (!fs::exists(SitemapPath(folder)))
        return output.Fail(kNoSitemap);
    if (!loadServerSettings(folder, settings, output))
        return kExitFailure;
    Tftp_module ftp;
    return uploadSitemap(ftp, settings, folder, output);
}

struct Command {
    const char* name;
    const char* usage;
    std::vector<OptionSpec> options;
    int (*run)(const ParsedOptions&, Output&);
};

const std::vector<Command>& commands() {
    static const std::vector<Command> all = {
        {"configure",
         kConfigureUsage,
         {{"dir", true},
          {"url", true},
          {"host", true},
          {"user", true},
          {"password-stdin", false},
          {"root", true},
          {"changefreq", true},
          {"priority", true},
          {"offset", true}},
         configure},
        {"show", kShowUsage, {{"dir", true}}, show},
        {"generate", kGenerateUsage, {{"dir", true}, {"ext", true}, {"upload", false}}, generate},
        {"upload", kUploadUsage, {{"dir", true}}, upload},
    };
    return all;
}

} // namespace

int RunCommandLine(const std::vector<std::string>& args, CommandLineIo& io) {
    if (args.empty()) {
        io.err << kTopUsage;
        return kExitUsage;
    }
    if (args[0] == "-h" || args[0] == "--help") {
        io.out << kTopUsage;
        return kExitSuccess;
    }
    const auto command = std::find_if(commands().begin(), commands().end(),
                                      [&](const Command& c) { return args[0] == c.name; });
    if (command == commands().end()) {
        // The argument is not repeated: it may be a secret typed in the wrong place.
        io.err << "sitewright: unknown command; the commands are configure, show, generate "
                  "and upload (see sitewright --help)\n";
        return kExitUsage;
    }

    Output output(io, command->name);
    try {
        const ParsedOptions options = ParseOptions(args, 1, command->options);
        if (options.help) {
            io.out << command->usage;
            return kExitSuccess;
        }
        return command->run(options, output);
    } catch (const UsageError& error) {
        io.err << "sitewright " << command->name << ": " << error.what() << " (see sitewright "
               << command->name << " --help)\n";
        return kExitUsage;
    } catch (const std::exception& error) {
        return output.Fail(error.what());
    }
}
