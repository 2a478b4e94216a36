#pragma once
// The file receive log: opened when a receive starts, one or two rows per
// event as the host takes it, closed with the totals at the end event. The
// window and the terminal receiver both write through this class, so their
// logs are the same.

#include "receiver/reports/ReportSettings.h"
#include "receiver/reports/ReportTypes.h"

#include <cstdio>
#include <string>

namespace reports {

class ReceiveLog {
public:
    ReceiveLog() = default;
    ~ReceiveLog();
    ReceiveLog(const ReceiveLog&) = delete;
    ReceiveLog& operator=(const ReceiveLog&) = delete;

    // Creates the log and writes its header; the report folder must exist.
    // False when the log cannot be created: the host then switches logging
    // off and shows texts::logCreateFailed.
    bool open(const ReportSettings& settings, const ReceiveRecord& record, const LocalTime& now = LocalTime::now());
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    // The rows of one event (kinds 0 to 8); nothing when the log is closed.
    void take(const LogRow& row);
    // The end event: the line that ended the receive early, when there is
    // one ("ユーザによりファイル受信は中止されました。"), then totals, legend
    // and closing section; the log is closed.
    void close(const ReportTotals& totals, const std::string& endLine = {});

    // The text of one event's rows (UTF-8), for writing and for tests.
    static std::string rowText(const LogRow& row);
    static std::string headerText(const std::string& logPath, const LocalTime& now, const std::string& reportPath);
    static std::string closingText(const ReportTotals& totals, const std::string& endLine = {});

private:
    void append(const std::string& utf8);

    std::FILE* file_ = nullptr;
    std::string path_;
};

} // namespace reports
