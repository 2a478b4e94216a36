#include "receiver/reports/ReportNaming.h"

#include "receiver/reports/PageFile.h"
#include "receiver/reports/PageText.h"
#include "receiver/reports/ReportTexts.h"

#include <fstream>
#include <string>

namespace reports {

namespace {

std::string counterPath(const std::string& saveRoot)
{
    return reportFilePath(saveRoot, texts::counterFile);
}

} // namespace

int ReportNaming::peekNumber(const std::string& saveRoot)
{
    std::ifstream in(counterPath(saveRoot), std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        return firstNumber;
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    long value = 0;
    bool digits = false;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && value <= lastNumber; ++i) {
        value = value * 10 + (line[i] - '0');
        digits = true;
    }
    return digits && value >= firstNumber && value <= lastNumber ? static_cast<int>(value) : firstNumber;
}

ReportSet ReportNaming::rotation(const std::string& saveRoot)
{
    int number = peekNumber(saveRoot);
    // A counter that cannot be written only means the numbering starts over.
    ensureReportFolder(saveRoot);
    writeFileAtomically(counterPath(saveRoot), std::to_string(number + 1));

    auto page = [&](const char* format) {
        return reportFilePath(saveRoot, fill(format, {static_cast<long long>(number)}));
    };
    ReportSet set;
    set.number = number;
    set.report = page("Report%02d.htm");
    set.error = page("Error%02d.htm");
    set.frame = page("Frame%02d.htm");
    set.folder = page("Folder%02d.htm");
    set.mrrFrame = page("MRR%02d.htm");
    set.mrrFolder = page("MRRFolder%02d.htm");
    return set;
}

std::string ReportNaming::stem(const std::string& title, const LocalTime& t)
{
    std::string safe;
    for (char c : title)
        safe += (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    // The longest page name adds 28 bytes to the title; a file name holds 255.
    if (safe.size() > maxTitleBytes) {
        std::size_t cut = maxTitleBytes;
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80)
            --cut;
        safe.resize(cut);
    }
    return fill("%s%4d%02d%02d%02d%02d%02d",
                {std::string_view(safe), static_cast<long long>(t.year), static_cast<long long>(t.month),
                 static_cast<long long>(t.day), static_cast<long long>(t.hour),
                 static_cast<long long>(t.minute), static_cast<long long>(t.second)});
}

ReportSet ReportNaming::unique(const std::string& saveRoot, const std::string& title, const LocalTime& start)
{
    std::string s = stem(title, start);
    ReportSet set;
    set.report = reportFilePath(saveRoot, s + ".htm");
    set.error = reportFilePath(saveRoot, s + "_err.htm");
    set.frame = reportFilePath(saveRoot, s + "_frame.htm");
    set.folder = reportFilePath(saveRoot, s + "_folder.htm");
    set.mrrFrame = reportFilePath(saveRoot, s + "_MRR.htm");
    set.mrrFolder = reportFilePath(saveRoot, s + "_MRRFolder.htm");
    return set;
}

ReportSet ReportNaming::name(const ReportSettings& settings, const ReceiveRecord& record)
{
    return settings.reportRotation ? rotation(record.saveRoot)
                                   : unique(record.saveRoot, record.title, record.startTime);
}

std::string ReportNaming::logPath(const ReportSettings& settings, const ReceiveRecord& record)
{
    if (!settings.genReport)
        return reportFilePath(record.saveRoot, texts::unusedLogName);
    if (settings.reportRotation)
        return reportFilePath(record.saveRoot,
                              fill("Log%02d.htm", {static_cast<long long>(peekNumber(record.saveRoot))}));
    return reportFilePath(record.saveRoot, stem(record.title, record.startTime) + "_log.htm");
}

std::string ReportNaming::futureReportPath(const ReportSettings& settings, const ReceiveRecord& record)
{
    if (settings.reportRotation)
        return reportFilePath(record.saveRoot,
                              fill("Report%02d.htm", {static_cast<long long>(peekNumber(record.saveRoot))}));
    return reportFilePath(record.saveRoot, stem(record.title, record.startTime) + ".htm");
}

} // namespace reports
