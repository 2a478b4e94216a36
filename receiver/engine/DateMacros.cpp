#include "receiver/engine/DateMacros.h"

#include "receiver/engine/ReceiveError.h"

#include "platform/Cp932Codec.h"

#include <cstdio>

namespace receive {

namespace {

std::string expandOne(const std::string& name, const std::tm& t)
{
    char buffer[32] = {};
    if (name == "date")
        std::snprintf(buffer, sizeof buffer, "%4d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    else if (name == "time")
        std::snprintf(buffer, sizeof buffer, "%02d%02d%02d%02d", t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
    else if (name == "year")
        std::snprintf(buffer, sizeof buffer, "%04d", t.tm_year + 1900);
    else if (name == "month")
        std::snprintf(buffer, sizeof buffer, "%02d", t.tm_mon + 1);
    else if (name == "day")
        std::snprintf(buffer, sizeof buffer, "%02d", t.tm_mday);
    else if (name == "hour")
        std::snprintf(buffer, sizeof buffer, "%02d", t.tm_hour);
    else if (name == "min")
        std::snprintf(buffer, sizeof buffer, "%02d", t.tm_min);
    else if (name == "sec")
        std::snprintf(buffer, sizeof buffer, "%02d", t.tm_sec);
    return buffer;
}

} // namespace

std::string DateMacros::expand(const std::string& text, const std::tm& start)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t open = text.find('%', at);
        if (open == std::string::npos) {
            out.append(text, at, std::string::npos);
            break;
        }
        std::size_t close = text.find('%', open + 1);
        if (close == std::string::npos)
            throw ReceiveError(CAMException::BadSaveFolder, text);
        out.append(text, at, open - at);
        out += expandOne(text.substr(open + 1, close - open - 1), start);
        at = close + 1;
    }
    return platform::Cp932Codec::truncateUtf8(out, 260);
}

} // namespace receive
