#pragma once
// The options of both command-line programs, read by Qt's QCommandLineParser.
// Each command keeps one table of its options; the table drives both the
// reading and the options' part of --help, so the two never disagree. Errors
// are Japanese texts that name the option as the user typed it.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace platform {

struct CommandLineOption {
    const char* name;       // "--title", or "-o"
    const char* valueName;  // "TITLE"; nullptr for a flag
    const char* help;
    bool repeatable = false;        // else a second one is a usage error
    bool valueAfterEquals = false;  // the value only as "--name=VALUE", never the next argument
};

struct CommandLine {
    std::map<std::string, std::vector<std::string>> values; // by option name, in the order given
    std::vector<std::string> operands;
    bool help = false;  // --help or -h
    std::string error;  // set when the command line does not fit the table

    bool has(const std::string& name) const { return values.count(name) > 0; }
    // The option's last value, or `otherwise` when not given.
    std::string value(const std::string& name, const std::string& otherwise = {}) const;
    const std::vector<std::string>& all(const std::string& name) const;
};

// Reads `args` (without the program's and the command's names) against the
// table: "--name VALUE", "--name=VALUE", flags, "--help"/"-h", and "--"
// before operands that begin with "-".
CommandLine parseCommandLine(const std::vector<CommandLineOption>& table, const std::vector<std::string>& args);

// The options as a list, one per line, "--help" last.
std::string describeOptions(const std::vector<CommandLineOption>& table);

} // namespace platform
