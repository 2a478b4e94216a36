#pragma once
// One table of a command's options drives both reading the command line and
// the usage text, so the two never disagree.

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace cli {

struct OptionRule {
    const char* name;       // "--title", or "-o"
    const char* valueName;  // "TITLE"; nullptr for a flag
    const char* help;
    bool repeatable = false;
};

struct ParsedOptions {
    std::map<std::string, std::vector<std::string>> values; // by option name, in order given
    std::vector<std::string> operands;
    bool help = false;
    std::string error; // set when the command line does not fit the table

    bool has(const std::string& name) const { return values.count(name) > 0; }
    // The option's value, or `otherwise` when not given.
    std::string value(const std::string& name, const std::string& otherwise = {}) const;
    const std::vector<std::string>& all(const std::string& name) const;
};

// Reads `args` against `table`: "--name VALUE", "--name=VALUE", flags,
// "--help"/"-h", "--" before operands that begin with "-".
ParsedOptions parseOptions(const std::vector<OptionRule>& table, const std::vector<std::string>& args);

// The options as a list, one per line.
void printOptions(std::FILE* out, const std::vector<OptionRule>& table);

} // namespace cli
