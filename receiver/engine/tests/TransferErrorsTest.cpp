// The receiver's reading of the platform's typed transfer failures: the
// codes and error-list lines each kind of transfer has always given.

#include "receiver/engine/TransferErrors.h"

#include "guidepost/CAMException.h"

#include <gtest/gtest.h>

using namespace receive;
using platform::TransferError;
using platform::TransferFailure;
using platform::TransferStage;

namespace {

TransferError error(TransferFailure failure, TransferStage stage = TransferStage::Requesting, long status = 0,
                    bool loginSent = false)
{
    TransferError e;
    e.failure = failure;
    e.stage = stage;
    e.httpStatus = status;
    e.loginSent = loginSent;
    return e;
}

} // namespace

TEST(TransferErrors, CodesOfEachKindOfTransfer)
{
    struct Row {
        TransferError error;
        int http, ftp, download;
    } rows[] = {
        {error(TransferFailure::Cancelled), 43, 43, 43},
        {error(TransferFailure::NoSession), 34, 33, 34},
        {error(TransferFailure::LocalFileFailed, TransferStage::Storing), 37, 37, 37},
        {error(TransferFailure::Unauthorized, TransferStage::Requesting, 401), 22, 32, 31},
        {error(TransferFailure::HttpStatus, TransferStage::Requesting, 404), 23, 32, 31},
        {error(TransferFailure::HttpStatus, TransferStage::Requesting, 403, true), 22, 32, 31},
        {error(TransferFailure::ConnectFailed, TransferStage::Connecting), 31, 31, 31},
        {error(TransferFailure::CertificateRejected, TransferStage::Connecting), 31, 32, 31},
        {error(TransferFailure::TransferFailed, TransferStage::Requesting), 31, 32, 31},
        {error(TransferFailure::TransferFailed, TransferStage::Receiving), 32, 32, 31},
        {error(TransferFailure::BadAddress, TransferStage::Session), 31, 32, CAMException::BadUrl},
        {error(TransferFailure::TooLarge, TransferStage::Receiving), 31, 32, 31},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.error.failure));
        EXPECT_EQ(TransferErrors::httpFile(row.error), row.http);
        EXPECT_EQ(TransferErrors::ftpFile(row.error), row.ftp);
        EXPECT_EQ(TransferErrors::download(row.error), row.download);
    }
    EXPECT_EQ(TransferErrors::ftpOpen(error(TransferFailure::PasswordDeclined)), CAMException::PasswordNeeded);
    EXPECT_EQ(TransferErrors::ftpOpen(error(TransferFailure::LoginRefused)), CAMException::FtpConnectFailed);
    EXPECT_EQ(TransferErrors::ftpOpen(error(TransferFailure::ConnectFailed)), CAMException::FtpConnectFailed);
    EXPECT_EQ(TransferErrors::ftpOpen(error(TransferFailure::Cancelled)), CAMException::UserCancelled);
    EXPECT_EQ(TransferErrors::ftpOpen(TransferError{}), 0);
}

TEST(TransferErrors, LinesOfAFailedFile)
{
    // A status gets its message before the file's own line.
    EXPECT_EQ(TransferErrors::httpFileLines(error(TransferFailure::HttpStatus, TransferStage::Requesting, 404),
                                            "a.txt", "h"),
              (std::vector<std::string>{"ファイル a.txt は存在しません。", "ファイル[ a.txt ]を取得できませんでした。"}));
    EXPECT_EQ(TransferErrors::httpFileLines(error(TransferFailure::Unauthorized, TransferStage::Requesting, 407),
                                            "a.txt", "h")
                  .front(),
              "ファイル a.txt のアクセスで、エラーが生じました。エラー内容は不明です。");
    EXPECT_EQ(TransferErrors::httpFileLines(error(TransferFailure::CertificateRejected), "a.txt", "h").front(),
              "ファイル a.txt のアクセスで、サーバー h の証明書を確認できませんでした。");
    EXPECT_EQ(TransferErrors::httpFileLines(error(TransferFailure::TransferFailed), "a.txt", "h"),
              std::vector<std::string>{"ファイル[ a.txt ]を取得できませんでした。"});
    // A stopped transfer is no failure of its file.
    EXPECT_TRUE(TransferErrors::httpFileLines(error(TransferFailure::Cancelled), "a.txt", "h").empty());
    EXPECT_TRUE(TransferErrors::ftpFileLines(error(TransferFailure::Cancelled), "a.txt").empty());
    EXPECT_EQ(TransferErrors::ftpFileLines(error(TransferFailure::TransferFailed), "b.bin"),
              std::vector<std::string>{"ファイル[ b.bin ]を取得できませんでした。"});

    EXPECT_EQ(TransferErrors::statusMessage(400, "f", "s"), "ファイル f のアクセスで、正しいアクセスが行われませんでした。");
    EXPECT_EQ(TransferErrors::statusMessage(405, "f", "s"),
              "ファイル f のアクセスで、サーバー s がサポートしていないリクエストをしました。");
    EXPECT_EQ(TransferErrors::statusMessage(503, "f", "s"),
              "ファイル f のアクセスで、サーバー s がエラーを返しました。エラー内容は不明です。");
    EXPECT_EQ(TransferErrors::statusMessage(418, "f", "s"), "ファイル f のアクセスで、エラーが生じました。エラー内容は不明です。");
}
