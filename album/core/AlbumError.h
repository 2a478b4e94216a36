#pragma once
// A failure of the album core as the user is to be told it: the message (one
// of the fixed texts, filled in), the caption of its box and, where there is
// more to say, a detail line below it. The core never shows anything itself.

#include "album/core/AlbumTexts.h"

#include <stdexcept>
#include <string>

namespace album {

class AlbumError : public std::runtime_error {
public:
    explicit AlbumError(const std::string& message, std::string caption = texts::errorCaption, std::string detail = {})
        : std::runtime_error(message), caption_(std::move(caption)), detail_(std::move(detail))
    {
    }

    const std::string& caption() const { return caption_; }
    const std::string& detail() const { return detail_; }

private:
    std::string caption_;
    std::string detail_;
};

// A fixed text with its "%s" (and "%d") fields filled in order.
std::string formatText(const char* text, const std::string& first, const std::string& second = {});
std::string formatCount(const char* text, long long first, long long second = 0);

} // namespace album
