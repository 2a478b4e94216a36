#include "album/core/JpegErrorManager.h"

#include <jerror.h>

namespace album {
namespace {

JpegErrorManager& managerOf(j_common_ptr info)
{
    return *reinterpret_cast<JpegErrorManager*>(info->err);
}

[[noreturn]] void jumpBack(j_common_ptr info)
{
    JpegErrorManager& manager = managerOf(info);
    manager.lastCode = manager.base.msg_code;
    std::longjmp(manager.jump, 1);
}

// Warnings that mean some of the picture was not in the file as written.
bool losesData(int code)
{
    switch (code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

void noteMessage(j_common_ptr info, int level)
{
    JpegErrorManager& manager = managerOf(info);
    if (level < 0 && losesData(manager.base.msg_code)) {
        manager.dataLost = true;
        manager.lastCode = manager.base.msg_code;
    }
}

// Nothing is printed: the caller tells the user in its own words.
void printNothing(j_common_ptr) {}

} // namespace

void JpegErrorManager::attach(jpeg_common_struct& info)
{
    info.err = jpeg_std_error(&base);
    base.error_exit = jumpBack;
    base.emit_message = noteMessage;
    base.output_message = printNothing;
}

} // namespace album
