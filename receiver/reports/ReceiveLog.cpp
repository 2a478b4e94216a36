#include "receiver/reports/ReceiveLog.h"

#include "receiver/reports/PageText.h"
#include "receiver/reports/ReportNaming.h"
#include "receiver/reports/ReportTexts.h"
#include "receiver/reports/ReportWriter.h"

namespace reports {

namespace {

using L = long long;

const char* protocolColour(int protocol)
{
    return protocol == 0 ? texts::colourA : texts::colourB;
}

const char* protocolName(int protocol)
{
    return protocol == 0 ? texts::protocolNames[0] : protocol == 1 ? texts::protocolNames[1] : texts::protocolNames[2];
}

const char* modeText(int mode)
{
    return mode == -1 ? texts::modeNone : mode == 1 ? texts::modeAscii : texts::modeBinary;
}

std::string zipSuccess(const std::string& name, long long size)
{
    return fill(texts::logZipSuccess, {escapeHtml(name), fill(texts::sizeBytes, {L(size)})});
}

std::string fileFailed(const LogRow& row)
{
    return fill(texts::logFileFailed,
                {escapeHtml(row.saveName), escapeHtml(row.remoteName), modeText(row.transferMode)});
}

} // namespace

ReceiveLog::~ReceiveLog()
{
    if (file_)
        std::fclose(file_);
}

std::string ReceiveLog::headerText(const std::string& logPath, const LocalTime& now, const std::string& reportPath)
{
    std::string out = fill(texts::logHead, {escapeHtml(logPath), L(now.year), L(now.month), L(now.day),
                                            L(now.hour), L(now.minute), L(now.second)});
    if (!reportPath.empty())
        out += fill(texts::logBackToReport, {escapeFilePath(reportPath)});
    out += texts::logDetailStart;
    return out;
}

bool ReceiveLog::open(const ReportSettings& settings, const ReceiveRecord& record, const LocalTime& now)
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    path_ = ReportNaming::logPath(settings, record);
    std::string report = settings.genReport ? ReportNaming::futureReportPath(settings, record) : std::string();
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_)
        return false;
    append(headerText(path_, now, report));
    if (std::ferror(file_)) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

void ReceiveLog::append(const std::string& utf8)
{
    if (!file_)
        return;
    std::string bytes = toPageBytes(utf8);
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    // Each row reaches the disk as it is taken, so a crash keeps what happened.
    std::fflush(file_);
}

std::string ReceiveLog::rowText(const LogRow& row)
{
    const char* colour = protocolColour(row.protocol);
    switch (row.kind) {
    case LogRow::SourceBegins:
        return fill(texts::logSourceRows, {escapeHtml(row.serverName), protocolName(row.protocol)});
    case LogRow::ZipMade:
        return zipSuccess(row.destPath, row.size);
    case LogRow::PackFolder:
        return row.finishedOk ? zipSuccess(row.saveName, row.size)
                              : fill(texts::logZipFailure, {escapeHtml(row.destPath)});
    case LogRow::ZipFailed:
        return fill(texts::logZipFailure, {escapeHtml(row.saveName)});
    case LogRow::SaveDestination:
        return fill(texts::logDestinationRows, {escapeHtml(row.destPath)});
    case LogRow::FolderCreated: {
        const char* c = texts::logFolderColour;
        return fill(texts::logFolderCreated,
                    {c, c, c, escapeHtml(row.saveName), c, escapeHtml(row.remoteName), c, c});
    }
    case LogRow::FolderFailed:
        return fill(texts::logFolderFailed, {colour, colour, colour, escapeHtml(row.saveName), colour,
                                             escapeHtml(row.remoteName), colour, colour});
    case LogRow::FileReceived: {
        if (!row.finishedOk)
            return fileFailed(row);
        bool kept = row.size < 0;
        std::string size = kept ? std::string(texts::sizeKept) : fill(texts::sizeBytes, {L(row.size)});
        std::string out = fill(texts::logFile, {colour, kept ? texts::markKept : texts::markSuccess, colour, colour,
                                                escapeHtml(row.saveName), colour, escapeHtml(row.remoteName),
                                                colour, modeText(row.transferMode), colour, size});
        // The file did arrive before its unpacking failed: both rows stand.
        if (!kept && row.unpackFailed)
            out += fileFailed(row);
        return out;
    }
    case LogRow::FileFailed:
        return fileFailed(row);
    default:
        return {};
    }
}

void ReceiveLog::take(const LogRow& row)
{
    if (row.kind == LogRow::End)
        return;
    append(rowText(row));
}

std::string ReceiveLog::closingText(const ReportTotals& t, const std::string& endLine)
{
    std::string out;
    if (!endLine.empty())
        out += fill(texts::logEndLineRow, {escapeHtml(endLine)});
    auto rows = [&](const char* name, const char* colour, int received, int failed, int bytes) {
        out += fill(texts::logTotalsCount, {name, colour, L(received), L(failed)});
        out += fill(texts::logTotalsBytes, {colour, L(bytes)});
    };
    rows(texts::protocolNames[1], texts::colourB, t.ftpReceived, t.ftpFailed, t.ftpBytes);
    rows(texts::protocolNames[0], texts::colourA, t.httpReceived, t.httpFailed, t.httpBytes);
    rows(texts::protocolNames[2], texts::colourA, t.attachReceived, t.attachFailed, t.attachBytes);
    out += fill(texts::logTotalsCount, {texts::logSumName, texts::logSumColour, L(t.received()), L(t.failed())});
    out += fill(texts::logTotalsSumBytes, {L(t.bytes())});
    out += texts::logLegend;
    out += texts::logClosingHeading;
    out += closingParagraphs();
    return out;
}

void ReceiveLog::close(const ReportTotals& totals, const std::string& endLine)
{
    if (!file_)
        return;
    append(closingText(totals, endLine));
    std::fclose(file_);
    file_ = nullptr;
}

} // namespace reports
