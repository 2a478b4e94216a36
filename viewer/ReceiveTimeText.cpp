#include "ReceiveTimeText.h"

#include "LedgerixTexts.h"

#include <cstdio>
#include <ctime>

namespace ledgerix {

std::string receiveTimeText(std::int32_t time)
{
    if (time <= 0)
        return {};
    const std::time_t when = time;
    std::tm local {};
    if (!localtime_r(&when, &local))
        return {};
    char text[128];
    std::snprintf(text, sizeof text, texts::timeFormat, local.tm_mon + 1, local.tm_mday,
                  texts::weekdays[local.tm_wday % 7], local.tm_hour, local.tm_min);
    return text;
}

} // namespace ledgerix
