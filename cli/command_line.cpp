#include "cli/command_line.h"

#include <algorithm>
#include <exception>
#include <ostream>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/output.h"
#include "jobs/problem_text.h"
#include "core/text_util.h"
#include "core/texts.h"

namespace {

struct Command {
    const char* name;
    const char* verb; // the word after the name that picks the command, or nullptr
    texts::Text usage;
    std::vector<OptionSpec> options;
    int (*run)(const ParsedOptions&, const Output&);
};

const std::vector<Command>& commands() {
    static const std::vector<Command> all = {
        {"configure", nullptr, texts::kConfigureUsage, cli::ConfigureOptions(), cli::configure},
        {"show",
         nullptr,
         texts::kShowUsage,
         {{"dir", true}, {"quiet", false}, {"json", false}},
         cli::show},
        {"generate",
         nullptr,
         texts::kGenerateUsage,
         {{"dir", true},
          {"ext", true},
          {"upload", false},
          {"max-folders", true},
          {"max-rows", true},
          {"allow-shrink", false},
          {"passphrase-stdin", false},
          {"robots-sitemap-line", true},
          {"quiet", false},
          {"json", false}},
         cli::generate},
        {"upload",
         nullptr,
         texts::kUploadUsage,
         {{"dir", true}, {"allow-shrink", false}, {"passphrase-stdin", false},
          {"robots-sitemap-line", true}},
         cli::upload},
        {"notify", nullptr, texts::kNotifyUsage, {{"dir", true}, {"json", false}}, cli::notify},
        {"forget",
         nullptr,
         texts::kForgetUsage,
         {{"dir", true}, {"missing", false}, {"ext", true}, {"passphrase-stdin", false}},
         cli::forget},
        {"check",
         nullptr,
         texts::kCheckUsage,
         {{"dir", true}, {"ext", true}, {"json", false}, {"passphrase-stdin", false}},
         cli::check},
        {"memory", "list", texts::kMemoryUsage, {{"dir", true}}, cli::memoryList},
        {"memory", "reset", texts::kMemoryUsage, {{"dir", true}}, cli::memoryReset},
    };
    return all;
}

// --json or --quiet, the one a script asked for.
Report reportOf(const ParsedOptions& options) {
    if (options.has("json") && options.has("quiet"))
        throw UsageError(std::string(texts::kJsonOrQuiet));
    return options.has("json") ? Report::Json
           : options.has("quiet") ? Report::Quiet
                                  : Report::Text;
}

int runCommand(const std::vector<std::string>& args, CommandLineIo& io) {
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
        output.UseReport(reportOf(options));
        return output.Finish(command->run(options, output));
    } catch (const UsageError& error) {
        io.err << "sitewright " << command->name << ": "
               << texts::JoinSentences({EscapeControls(error.what()),
                                        Filled(texts::kSeeHelp, {{"command", command->name}})})
               << '\n';
        return kExitUsage;
    } catch (const std::exception& error) {
        return output.Finish(output.Fail(ErrorText(error)));
    }
}

} // namespace

int RunCommandLine(const std::vector<std::string>& args, CommandLineIo& io) {
    const int status = runCommand(args, io);
    // A result that could not be written (a full disk, a closed pipe) is no success.
    io.out.flush();
    if (io.out)
        return status;
    io.err << "sitewright: " << texts::kCannotWriteOutput << '\n';
    return status == kExitSuccess ? kExitFailure : status;
}
