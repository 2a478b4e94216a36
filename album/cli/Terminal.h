#pragma once
// How glimmora-cli tells its user things: a message with its caption, the
// way the window would show it in a box.

#include "album/core/AlbumError.h"

#include <string>

namespace cli {

// "caption: message", and the detail indented below it.
void report(const album::AlbumError& error);
void report(const std::string& caption, const std::string& message, const std::string& detail = {});

// Exit statuses.
inline constexpr int exitDone = 0;
inline constexpr int exitFailed = 1;
inline constexpr int exitUsage = 2;

// A usage error: what was wrong, then the usage line.
int usageError(const std::string& what, const char* usage);

} // namespace cli
