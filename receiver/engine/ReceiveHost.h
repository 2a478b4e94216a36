#pragma once
// What the engine needs from whoever runs it: notices of how the receive goes
// on, questions, and pages to open. The receive session implements it (and
// engine tests directly); the engine never touches a window itself.

#include "receiver/engine/ReceiveNotice.h"
#include "receiver/engine/ReceiveQuestion.h"

#include <cstdint>
#include <string>

namespace receive {

class ReceiveHost {
public:
    virtual ~ReceiveHost() = default;
    // Called on the worker thread; must not block for long.
    virtual void post(ReceiveNotice notice, std::int64_t value = 0) = 0;
    // Called on the worker thread; blocks until the user has answered.
    virtual Answer ask(const Question& question) = 0;
    // The user asked for a page or site while receiving: the host opens it.
    virtual void open(const std::string& target) = 0;
};

} // namespace receive
