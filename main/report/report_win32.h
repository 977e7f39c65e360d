// The report's side of Windows: its files, the machine's facts and the
// clock.
#pragma once

#include "main/report/report_journal.h"

// Report files written through the system, made with CREATE_NEW and
// FILE_FLAG_OPEN_REPARSE_POINT, so that nothing already at the name, a link
// included, is ever opened. Others may read a report while it is written,
// not write it.
class TWin32ReportFiles final : public TReportFiles {
public:
    std::unique_ptr<TReportFile> CreateNew(const std::string& path, bool& nameTaken) override;
};

// The system's version as it is (not as the compatibility layer tells a
// program without a manifest), its architecture, and wow64 as given.
TWindowsFacts CurrentWindowsFacts(bool wow64);
// Local time, and the milliseconds since the system started.
TReportClock SystemReportClock();
// The user's temporary folder with its trailing "\"; empty when unknown.
std::string TemporaryFolder();
