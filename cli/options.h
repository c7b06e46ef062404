#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A command line the program cannot act on; what() says why in one line. The text never
// repeats a value given on the command line, which might be a secret typed in the wrong place.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One "--name" option of a subcommand, with or without a value.
struct OptionSpec {
    std::string name; // without the leading "--"
    bool takesValue = false;
};

// The options given to a subcommand: values by name (a flag maps to ""), in the last form
// given when one repeats; every form of one that repeats in all.
struct ParsedOptions {
    bool help = false; // "-h" or "--help" was given
    std::map<std::string, std::string> values;
    std::map<std::string, std::vector<std::string>> all;

    bool has(const std::string& name) const { return values.count(name) != 0; }
    const std::string& value(const std::string& name) const { return values.at(name); }
};

// Reads "--name VALUE", "--name=VALUE" and "--name" flags from args[first...] against specs,
// up to a "--" that ends them. Throws UsageError for an unknown option, a missing or unexpected
// value, or an argument that is no option (none of the commands takes one).
ParsedOptions ParseOptions(const std::vector<std::string>& args, std::size_t first,
                           const std::vector<OptionSpec>& specs);
