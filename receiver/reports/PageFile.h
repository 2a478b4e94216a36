#pragma once
// Pages reach the disk whole or not at all: written to a temporary file in
// the report folder and renamed over the page.

#include <string>
#include <string_view>

namespace reports {

// The report folder "_html___" below the save root.
std::string reportFolderPath(const std::string& saveRoot);
// A file in the report folder.
std::string reportFilePath(const std::string& saveRoot, const std::string& name);
// Makes the report folder when it is missing; false when it cannot be made.
bool ensureReportFolder(const std::string& saveRoot);

// Writes UTF-8 page text as stored page bytes (code page 932, CR LF).
bool writePageFile(const std::string& path, std::string_view utf8Text);
// Writes bytes exactly as given, through the same temporary file and rename.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace reports
