#pragma once
// corvan-cli inspect FILE: shows what a GuidePost document holds.

namespace cli {

int runInspect(int argc, char** argv);
void printInspectUsage();

} // namespace cli
