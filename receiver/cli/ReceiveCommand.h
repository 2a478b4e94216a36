#pragma once
// corvan-cli receive SOURCE [OPTION...]: a thin host of the receive session.

#include <string>
#include <vector>

namespace cli {

// Exit status: 0 files received, 3 nothing received, 1 any other failure,
// 2 a usage error, 130 stopped by the user (Ctrl-C, SIGTERM).
int receiveCommand(const std::vector<std::string>& args);
// The dispatcher's form: argv[0] is "receive".
int runReceive(int argc, char** argv);

} // namespace cli
