#pragma once
// Shrinks an RGB picture by averaging areas, fed one source row at a time so
// that the source never has to be in memory whole. Every source pixel counts
// with the exact share of its area that falls into a target pixel; the sums
// are kept in integers, so the result does not depend on rounding order.

#include "album/core/Image.h"

#include <cstdint>
#include <vector>

namespace album {

class AreaScaler {
public:
    // The target must not be larger than the source in either direction.
    AreaScaler(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

    // The next source row: sourceWidth RGB pixels.
    void addRow(const std::uint8_t* rgb);
    // The target, once every source row was added.
    Image take();

    int rowsAdded() const { return sourceRow_; }

private:
    void emitRow(std::vector<std::uint64_t>& sums);

    int sourceWidth_, sourceHeight_, targetWidth_, targetHeight_;
    // Per source column: the target column it starts in and how much of it
    // (out of targetWidth_ units) falls there; the rest goes to the next.
    std::vector<std::uint32_t> firstColumn_;
    std::vector<std::uint32_t> firstShare_;
    std::vector<std::uint32_t> rowSums_;      // one source row, averaged across
    std::vector<std::uint64_t> currentSums_;  // the target row being filled
    std::vector<std::uint64_t> nextSums_;     // the one after, for straddling rows
    int sourceRow_ = 0;
    int targetRow_ = 0;
    Image target_;
};

} // namespace album
