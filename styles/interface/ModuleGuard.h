#pragma once
// Every entry point of a style module runs its work through guarded(): the
// host is C and must never see an exception. No Qt.

namespace stylemodule {

template <typename F>
int guarded(F&& f)
{
    try {
        return f();
    } catch (...) {
        return 0; // nothing may be thrown into the host
    }
}

} // namespace stylemodule
