#include "cli/options.h"

#include <algorithm>

#include "core/text_util.h"
#include "core/texts.h"

ParsedOptions ParseOptions(const std::vector<std::string>& args, std::size_t first,
                           const std::vector<OptionSpec>& specs) {
    ParsedOptions options;
    bool optionsEnded = false; // by "--": what follows is no option even when it looks like one
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            options.help = true;
            continue;
        }
        if (optionsEnded || arg.rfind("--", 0) != 0)
            throw UsageError(
                Filled(texts::kUnexpectedArgument, {{"position", std::to_string(i + 1)}}));
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
        const auto spec = std::find_if(specs.begin(), specs.end(),
                                       [&](const OptionSpec& s) { return s.name == name; });
        if (spec == specs.end())
            throw UsageError(Filled(texts::kUnknownOption, {{"option", name}}));
        if (!spec->takesValue) {
            if (equals != std::string::npos)
                throw UsageError(Filled(texts::kOptionTakesNoValue, {{"option", name}}));
            options.values[name].clear();
        } else if (equals != std::string::npos) {
            options.values[name] = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            options.values[name] = args[++i];
        } else {
            throw UsageError(Filled(texts::kOptionNeedsValue, {{"option", name}}));
        }
        options.all[name].push_back(options.values[name]);
    }
    return options;
}
