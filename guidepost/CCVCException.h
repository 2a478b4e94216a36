#pragma once
// Errors of the library's authoring interface; they never leave the library.

#include "guidepost/CException.h"

class CCVCException : public CException {
public:
    enum Code {
        BadId = 1,
        BadTarget = 2,
        BadDataObject = 3,
        BadParameter = 4,
        BadSaveType = 5,
        BadTaskId = 7,
        BadSourceId = 8,
        BadFileListId = 9,
        BadFileId = 10,
        BadAttachId = 11,
        BadBrowseId = 12,
        CipherFailed = 13,
        AccountSetFailed = 14,
        AccountAddFailed = 15,
        AccountRemoveFailed = 16,
        ProxySetFailed = 17,
        ProxyAddFailed = 18,
        ProxyRemoveFailed = 19,
    };

    explicit CCVCException(int code) : CException(code) {}
    const char* message() const override { return messageFor(code()); }
    // Codes outside the table have no message: nullptr.
    static const char* messageFor(int code);
};
