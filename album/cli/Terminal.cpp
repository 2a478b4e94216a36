#include "album/cli/Terminal.h"

#include "platform/TerminalText.h"

#include <cstdio>

namespace cli {

void report(const album::AlbumError& error)
{
    report(error.caption(), error.what(), error.detail());
}

void report(const std::string& caption, const std::string& message, const std::string& detail)
{
    // A message may name what an archive or a file holds.
    const bool terminal = platform::TerminalText::isTerminal(stderr);
    auto shown = [terminal](const std::string& text) {
        return terminal ? platform::TerminalText::safe(text) : text;
    };
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), shown(message).c_str());
    if (!detail.empty())
        std::fprintf(stderr, "  %s\n", shown(detail).c_str());
}

int usageError(const std::string& what, const char* usage)
{
    std::fprintf(stderr, "%s\n%s", what.c_str(), usage);
    return exitUsage;
}

} // namespace cli
