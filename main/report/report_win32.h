// The report's side of Windows: its files, the machine's facts and the
// clock.
#pragma once

#include <string>

#include "main/report/report_journal.h"
#include "quarantine/win32_protected_folder.h"

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
// The folder for reports that the program's folder cannot take:
// BASE\Purvane\Rapports\ (BASE being %ProgramData% for the program), a
// protected folder as the quarantine's is (win32_protected_folder.h), out
// of the worm's reach; it is made, or set aside and made anew, on the first
// call to Path, and held while this lives.
class TReportsFolder {
public:
    TReportsFolder();
    explicit TReportsFolder(std::wstring base);
    // With its trailing "\", in the ANSI code page; empty when it cannot be
    // had, or when the code page cannot spell it.
    const std::string& Path();

private:
    std::wstring base_;
    bool taken_ = false;
    TProtectedSubfolder held_;
    std::string path_;
};
