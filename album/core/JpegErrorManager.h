#pragma once
// libjpeg's error handling made safe for a program that must not end: a fatal
// error jumps back to the call that was made (the caller's setjmp), and a
// warning that means lost picture data (a truncated or damaged file) is
// remembered, so the picture can be refused instead of shown half grey.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace album {

struct JpegErrorManager {
    jpeg_error_mgr base; // first, so libjpeg's pointer is ours too
    std::jmp_buf jump;
    bool dataLost = false;
    int lastCode = 0;
    bool tooManyScans = false; // set by the reader's progress monitor before it jumps

    // Installs itself as the error manager of `info`.
    void attach(jpeg_common_struct& info);
};

} // namespace album
