#include "album/cli/ProgressBar.h"

#include <algorithm>
#include <unistd.h>

namespace cli {

namespace {
constexpr int barWidth = 30;
}

ProgressBar::ProgressBar(std::string label, std::FILE* out)
    : label_(std::move(label)), out_(out), enabled_(::isatty(::fileno(out)) != 0)
{
}

void ProgressBar::draw(int done, int total, double fraction)
{
    if (!enabled_ || total <= 0)
        return;
    const double part = std::clamp((done + std::clamp(fraction, 0.0, 1.0)) / total, 0.0, 1.0);
    const int filled = static_cast<int>(part * barWidth);
    std::string line = label_ + " [" + std::string(static_cast<std::size_t>(filled), '#')
        + std::string(static_cast<std::size_t>(barWidth - filled), '-') + "] " + std::to_string(done) + "/"
        + std::to_string(total);
    if (line == last_)
        return;
    last_ = line;
    std::fprintf(out_, "\r\033[K%s", line.c_str());
    std::fflush(out_);
    drawn_ = true;
}

void ProgressBar::clear()
{
    if (!drawn_)
        return;
    std::fprintf(out_, "\r\033[K");
    std::fflush(out_);
    drawn_ = false;
    last_.clear();
}

} // namespace cli
