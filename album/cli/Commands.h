#pragma once
// glimmora-cli's subcommands. Each returns the exit status: 0 done, 1 failed
// (with the program's message on stderr), 2 a command line it cannot use.

#include <string>
#include <vector>

namespace cli {

int stylesCommand(const std::vector<std::string>& args);
int publishCommand(const std::vector<std::string>& args);
int readCommand(const std::vector<std::string>& args);

} // namespace cli
