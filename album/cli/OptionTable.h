#pragma once
// glimmora-cli's commands read their options through the parser both
// command-line programs share: one table per command drives both reading
// the command line and the usage text, so the two never disagree.

#include "platform/CommandLine.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cli {

// A row of a command's table: {"--title", "TITLE", "help"[, repeatable]}.
using OptionRule = platform::CommandLineOption;
using ParsedOptions = platform::CommandLine;

inline ParsedOptions parseOptions(const std::vector<OptionRule>& table, const std::vector<std::string>& args)
{
    return platform::parseCommandLine(table, args);
}

// The options as a list, one per line.
inline void printOptions(std::FILE* out, const std::vector<OptionRule>& table)
{
    std::fputs(platform::describeOptions(table).c_str(), out);
}

} // namespace cli
