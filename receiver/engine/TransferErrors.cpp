#include "receiver/engine/TransferErrors.h"

#include "receiver/engine/ReceiveTexts.h"

#include "guidepost/CAMException.h"
#include "receiver/reports/PageText.h"

namespace receive {

using platform::TransferFailure;

int TransferErrors::httpFile(const platform::TransferError& e)
{
    switch (e.failure) {
    case TransferFailure::None: return 0;
    case TransferFailure::Cancelled: return CAMException::UserCancelled;
    case TransferFailure::NoSession: return CAMException::HttpConnectFailed;
    case TransferFailure::LocalFileFailed: return CAMException::FileCreateFailed;
    case TransferFailure::Unauthorized:
    case TransferFailure::PasswordDeclined: return CAMException::NotAuthenticated;
    case TransferFailure::HttpStatus:
        // A refusal after credentials were sent is an authentication failure.
        return e.loginSent ? CAMException::NotAuthenticated : CAMException::ReceiveFailed;
    case TransferFailure::ConnectFailed:
    case TransferFailure::TransferFailed:
        return e.stage == platform::TransferStage::Receiving ? CAMException::InternetFileFailed
                                                             : CAMException::InternetConnectFailed;
    default: return CAMException::InternetConnectFailed;
    }
}

std::vector<std::string> TransferErrors::httpFileLines(const platform::TransferError& e, const std::string& file,
                                                       const std::string& server)
{
    std::vector<std::string> lines;
    if (e.failure == TransferFailure::None || e.failure == TransferFailure::Cancelled)
        return lines;
    if (e.failure == TransferFailure::Unauthorized || e.failure == TransferFailure::HttpStatus)
        lines.push_back(statusMessage(e.httpStatus, file, server));
    else if (e.failure == TransferFailure::CertificateRejected)
        lines.push_back(reports::fill(texts::certificateLine, {file, server}));
    if (e.attempts > 1)
        lines.push_back(reports::fill(texts::attemptsLine, {file, static_cast<long long>(e.attempts)}));
    lines.push_back(reports::fill(texts::fileFailedLine, {file}));
    return lines;
}

int TransferErrors::ftpFile(const platform::TransferError& e)
{
    switch (e.failure) {
    case TransferFailure::None: return 0;
    case TransferFailure::Cancelled: return CAMException::UserCancelled;
    case TransferFailure::NoSession: return CAMException::FtpConnectFailed;
    case TransferFailure::LocalFileFailed: return CAMException::FileCreateFailed;
    case TransferFailure::ConnectFailed: return CAMException::InternetConnectFailed;
    default: return CAMException::InternetFileFailed;
    }
}

std::vector<std::string> TransferErrors::ftpFileLines(const platform::TransferError& e, const std::string& file)
{
    if (e.failure == TransferFailure::None || e.failure == TransferFailure::Cancelled)
        return {};
    std::vector<std::string> lines;
    if (e.attempts > 1)
        lines.push_back(reports::fill(texts::attemptsLine, {file, static_cast<long long>(e.attempts)}));
    lines.push_back(reports::fill(texts::fileFailedLine, {file}));
    return lines;
}

int TransferErrors::ftpOpen(const platform::TransferError& e)
{
    switch (e.failure) {
    case TransferFailure::None: return 0;
    case TransferFailure::PasswordDeclined: return CAMException::PasswordNeeded;
    case TransferFailure::Cancelled: return CAMException::UserCancelled;
    default: return CAMException::FtpConnectFailed;
    }
}

int TransferErrors::download(const platform::TransferError& e)
{
    switch (e.failure) {
    case TransferFailure::None: return 0;
    case TransferFailure::BadAddress: return CAMException::BadUrl;
    case TransferFailure::NoSession: return CAMException::HttpConnectFailed;
    case TransferFailure::Cancelled: return CAMException::UserCancelled;
    case TransferFailure::LocalFileFailed: return CAMException::FileCreateFailed;
    default: return CAMException::InternetConnectFailed;
    }
}

std::string TransferErrors::statusMessage(long status, const std::string& file, const std::string& server)
{
    switch (status) {
    case 400: return reports::fill(texts::status400Line, {file});
    case 404: return reports::fill(texts::status404Line, {file});
    case 405: return reports::fill(texts::status405Line, {file, server});
    case 500:
    case 503: return reports::fill(texts::status500Line, {file, server});
    default: return reports::fill(texts::statusOtherLine, {file});
    }
}

} // namespace receive
