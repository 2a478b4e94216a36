#pragma once
// GuidePost errors: shared by the library and the receiver.

#include "guidepost/CException.h"

class CAMException : public CException {
public:
    // The codes the system raises by name; the table holds the texts.
    enum Code {
        InvalidGuidePost = 0,
        SaveFailed = 1,
        NoTask = 2,
        NoSource = 3,
        NoFileList = 4,
        SchemaMissing = 5,
        NameMissing = 6,
        NoVersion = 7,
        UnsupportedVersion = 8,
        BadUrl = 9,
        CertificateWrite = 13,
        CertificateError = 14,
        AccountDatabase = 15,
        NoAccountData = 16,
        NoProtocol = 17,
        AccountServerMismatch = 18,
        BadUrl2 = 19,
        PasswordNeeded = 20,
        BadAccountName = 21,
        NotAuthenticated = 22,
        ReceiveFailed = 23,
        BadAttachment = 24,
        TempFileFailed = 25,
        BadSaveFolder = 26,
        ReservedFolderName = 27,
        CreateFolderFailed = 28,
        BrowseFileFailed = 29,
        OpenFolderFailed = 30,
        InternetConnectFailed = 31,
        InternetFileFailed = 32,
        FtpConnectFailed = 33,
        HttpConnectFailed = 34,
        ZipFailed = 35,
        UnzipFailed = 36,
        FileCreateFailed = 37,
        NothingReceived = 38,
        BadArchive = 39,
        CipherCodeNeeded = 40,
        BadMirrorFolder = 41,
        ReportFailed = 42,
        UserCancelled = 43,
    };

    explicit CAMException(int code) : CException(code) {}
    const char* message() const override { return messageFor(code()); }
    // Any code outside the table gives the general text.
    static const char* messageFor(int code);
};
