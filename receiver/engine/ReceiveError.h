#pragma once
// A failure of the receive: one of the GuidePost error codes, with an
// optional detail line (the name or folder at fault) for the user.

#include "guidepost/CAMException.h"

#include <string>

namespace receive {

class ReceiveError : public CAMException {
public:
    explicit ReceiveError(int code, std::string detail = {}) : CAMException(code), detail_(std::move(detail)) {}
    const std::string& detail() const { return detail_; }
    // The table text, followed by the detail on its own line when present.
    std::string fullText() const
    {
        return detail_.empty() ? std::string(message()) : std::string(message()) + "\n" + detail_;
    }

private:
    std::string detail_;
};

// The full text of any CAMException (with the detail of a ReceiveError).
inline std::string errorText(const CAMException& e)
{
    if (auto* r = dynamic_cast<const ReceiveError*>(&e))
        return r->fullText();
    return e.message();
}

} // namespace receive
