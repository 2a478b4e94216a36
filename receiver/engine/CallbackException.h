#pragma once
// The transfers call back from inside libcurl, which an exception must not
// cross: a callback runs its work here, the first exception is kept and the
// callback answers false, and the receiver throws it again once the transfer
// has returned.

#include <exception>
#include <string>
#include <unistd.h>

namespace receive {

class CallbackException {
public:
    template <class Work>
    bool run(Work&& work)
    {
        try {
            return work();
        } catch (...) {
            if (!raised_)
                raised_ = std::current_exception();
            return false;
        }
    }

    // Throws the kept exception, if any, after deleting the file the
    // transfer left behind.
    void rethrow(const std::string& tempPath = {}) const
    {
        if (!raised_)
            return;
        if (!tempPath.empty())
            ::unlink(tempPath.c_str());
        std::rethrow_exception(raised_);
    }

private:
    std::exception_ptr raised_;
};

} // namespace receive
