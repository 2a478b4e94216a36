#pragma once
// When a recent receive happened, as the viewer's 日時 column shows it.

#include <cstdint>
#include <string>

namespace ledgerix {

// "%d 月 %d 日(%s) %d 時 %d 分" in local time with the Japanese weekday;
// empty for a time of 0 or less.
std::string receiveTimeText(std::int32_t time);

} // namespace ledgerix
