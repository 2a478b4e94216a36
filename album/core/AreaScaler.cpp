#include "album/core/AreaScaler.h"

#include <algorithm>
#include <stdexcept>

namespace album {

// Source pixel i covers [i * target, (i + 1) * target) and target pixel j
// covers [j * source, (j + 1) * source) on the same scale, so every share is
// an integer and a target pixel's shares add up to `source`. A source pixel is
// never wider than a target pixel, so it touches at most two of them.
AreaScaler::AreaScaler(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight)
    : sourceWidth_(sourceWidth), sourceHeight_(sourceHeight), targetWidth_(targetWidth), targetHeight_(targetHeight),
      target_(targetWidth, targetHeight)
{
    if (targetWidth < 1 || targetHeight < 1 || targetWidth > sourceWidth || targetHeight > sourceHeight)
        throw std::invalid_argument("AreaScaler only shrinks");
    firstColumn_.resize(static_cast<std::size_t>(sourceWidth));
    firstShare_.resize(static_cast<std::size_t>(sourceWidth));
    const std::uint64_t sw = static_cast<std::uint64_t>(sourceWidth), tw = static_cast<std::uint64_t>(targetWidth);
    for (std::uint64_t i = 0; i < sw; ++i) {
        const std::uint64_t start = i * tw, end = start + tw;
        const std::uint64_t column = start / sw;
        const std::uint64_t boundary = (column + 1) * sw;
        firstColumn_[i] = static_cast<std::uint32_t>(column);
        firstShare_[i] = static_cast<std::uint32_t>(std::min(end, boundary) - start);
    }
    rowSums_.resize(static_cast<std::size_t>(targetWidth) * 3);
    currentSums_.assign(rowSums_.size(), 0);
    nextSums_.assign(rowSums_.size(), 0);
}

void AreaScaler::addRow(const std::uint8_t* rgb)
{
    if (sourceRow_ >= sourceHeight_)
        return;
    std::fill(rowSums_.begin(), rowSums_.end(), 0);
    const std::uint32_t tw = static_cast<std::uint32_t>(targetWidth_);
    for (int i = 0; i < sourceWidth_; ++i, rgb += 3) {
        const std::uint32_t share = firstShare_[static_cast<std::size_t>(i)];
        std::uint32_t* sum = &rowSums_[firstColumn_[static_cast<std::size_t>(i)] * 3];
        sum[0] += rgb[0] * share;
        sum[1] += rgb[1] * share;
        sum[2] += rgb[2] * share;
        if (share < tw) {
            const std::uint32_t rest = tw - share;
            sum[3] += rgb[0] * rest;
            sum[4] += rgb[1] * rest;
            sum[5] += rgb[2] * rest;
        }
    }

    const std::uint64_t sh = static_cast<std::uint64_t>(sourceHeight_), th = static_cast<std::uint64_t>(targetHeight_);
    const std::uint64_t start = static_cast<std::uint64_t>(sourceRow_) * th, end = start + th;
    const std::uint64_t boundary = (static_cast<std::uint64_t>(targetRow_) + 1) * sh;
    const std::uint64_t share = std::min(end, boundary) - start;
    const std::size_t n = rowSums_.size();
    for (std::size_t k = 0; k < n; ++k)
        currentSums_[k] += static_cast<std::uint64_t>(rowSums_[k]) * share;
    if (share < th) {
        const std::uint64_t rest = th - share;
        for (std::size_t k = 0; k < n; ++k)
            nextSums_[k] += static_cast<std::uint64_t>(rowSums_[k]) * rest;
    }
    ++sourceRow_;
    if (end >= boundary) {
        emitRow(currentSums_);
        std::swap(currentSums_, nextSums_);
        std::fill(nextSums_.begin(), nextSums_.end(), 0);
    }
}

void AreaScaler::emitRow(std::vector<std::uint64_t>& sums)
{
    if (targetRow_ >= targetHeight_)
        return;
    const std::uint64_t area = static_cast<std::uint64_t>(sourceWidth_) * static_cast<std::uint64_t>(sourceHeight_);
    std::uint8_t* out = target_.row(targetRow_);
    for (std::size_t k = 0; k < sums.size(); ++k)
        out[k] = static_cast<std::uint8_t>((sums[k] + area / 2) / area);
    ++targetRow_;
}

Image AreaScaler::take()
{
    if (sourceRow_ != sourceHeight_ || targetRow_ != targetHeight_)
        throw std::logic_error("AreaScaler: the source was not complete");
    return std::move(target_);
}

} // namespace album
