#pragma once
// A progress line on a terminal: "label [#####-----] done/total", redrawn in
// place and cleared before anything else is printed. Draws nothing when the
// output is not a terminal.

#include <cstdio>
#include <string>

namespace cli {

class ProgressBar {
public:
    ProgressBar(std::string label, std::FILE* out = stderr);
    ~ProgressBar() { clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // `fraction` (0..1) of the current entry refines the bar between entries.
    void draw(int done, int total, double fraction = 0);
    void clear();
    bool shown() const { return enabled_; }

private:
    std::string label_;
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    std::string last_;
};

} // namespace cli
