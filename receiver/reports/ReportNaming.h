#pragma once
// Naming the pages of one receive: by a number rotating through 1..30 kept in
// the counter file, or by a stem of the GuidePost title and the start time.

#include "receiver/reports/ReportSettings.h"
#include "receiver/reports/ReportTypes.h"

#include <cstddef>
#include <string>

namespace reports {

class ReportNaming {
public:
    // Names the set as the settings say; with rotation the counter advances.
    static ReportSet name(const ReportSettings& settings, const ReceiveRecord& record);
    static ReportSet rotation(const std::string& saveRoot);
    static ReportSet unique(const std::string& saveRoot, const std::string& title, const LocalTime& start);

    // The number the next report will take, without advancing the counter.
    static int peekNumber(const std::string& saveRoot);
    // Title and start time as one file-name stem; separators in the title
    // become "_" so the pages stay in the report folder.
    static std::string stem(const std::string& title, const LocalTime& start);

    // The log of this receive, and the report page its header links back to.
    static std::string logPath(const ReportSettings& settings, const ReceiveRecord& record);
    static std::string futureReportPath(const ReportSettings& settings, const ReceiveRecord& record);

    static constexpr int firstNumber = 1;
    static constexpr int lastNumber = 30;
    static constexpr std::size_t maxTitleBytes = 200;
};

} // namespace reports
