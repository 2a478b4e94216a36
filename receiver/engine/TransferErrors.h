#pragma once
// The receiver's reading of a failed transfer: the platform says what went
// wrong (platform::TransferError); this says which error code of the table
// it is and which lines go to the error list, as each kind of transfer has
// always reported them.

#include "platform/InternetTypes.h"

#include <string>
#include <vector>

namespace receive {

class TransferErrors {
public:
    // One file of an HTTP source: 43, 34, 37, 22, 23, 31 or 32.
    static int httpFile(const platform::TransferError& error);
    // Its lines: the status message or certificate line when there is one,
    // then "ファイル[ %s ]を取得できませんでした。".
    static std::vector<std::string> httpFileLines(const platform::TransferError& error, const std::string& file,
                                                  const std::string& server);
    // One file of an FTP source: 43, 33, 37, 31 or 32.
    static int ftpFile(const platform::TransferError& error);
    // Its line: "ファイル[ %s ]を取得できませんでした。".
    static std::vector<std::string> ftpFileLines(const platform::TransferError& error, const std::string& file);
    // An FTP source's log-in: 20 (password not typed), 43 or 33.
    static int ftpOpen(const platform::TransferError& error);
    // A whole document (GuidePost, certificate): 9, 34, 43, 37 or 31.
    static int download(const platform::TransferError& error);

    // The line the error list gets for a failed HTTP request, by status
    // (%s: the file, then the server).
    static std::string statusMessage(long status, const std::string& file, const std::string& server);
};

} // namespace receive
