#pragma once
// Writing a whole run of bytes to a descriptor: write() may take less than
// asked, and a signal may interrupt it before it takes anything.

#include <cstddef>

namespace platform {

// False (errno set) when the descriptor refused the bytes.
bool writeAll(int descriptor, const void* data, std::size_t size);

} // namespace platform
