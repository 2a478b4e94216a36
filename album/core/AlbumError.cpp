#include "album/core/AlbumError.h"

#include <cstdio>
#include <string_view>

namespace album {

std::string formatText(const char* text, const std::string& first, const std::string& second)
{
    std::string out;
    const std::string* fields[] = {&first, &second};
    std::size_t next = 0;
    for (std::string_view rest(text); !rest.empty();) {
        std::size_t at = rest.find("%s");
        if (at == std::string_view::npos) {
            out += rest;
            break;
        }
        out += rest.substr(0, at);
        if (next < 2)
            out += *fields[next++];
        rest.remove_prefix(at + 2);
    }
    return out;
}

std::string formatCount(const char* text, long long first, long long second)
{
    std::string format(text);
    // The texts use %d; the numbers here are long long.
    std::string widened;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd') {
            widened += "%lld";
            ++i;
        } else {
            widened += format[i];
        }
    }
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, widened.c_str(), first, second);
    return buffer;
}

} // namespace album
