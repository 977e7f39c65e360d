// The journal that writes a report file for every run, and for a start-up
// that ended the program. Each report is a new file, opened when its run
// starts and written as the run goes, so that a run cut short leaves what
// it had found.
//
// Where: the chosen path (/rapport:PATH); else, and where that cannot be
// written, a file named for the run's start in the first folder that takes
// one, beside the program, then the temporary folder. A report is only ever
// a new file: when its name is taken it is numbered (PC-12.txt, then
// PC-12-2.txt...). The program runs as an administrator and those folders
// may be writable by the worm, so whatever is planted at a name, a file or
// a link, is left alone, neither followed nor overwritten; and no earlier
// report is lost.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main/report/report_format.h"

// An open report file.
class TReportFile {
public:
    virtual ~TReportFile() = default;
    virtual const std::string& Path() const = 0;
    // Writes text at the end, at once; a failure is not reported.
    virtual void Append(std::string_view text) = 0;
};

// How report files are made; the Windows one is TWin32ReportFiles.
class TReportFiles {
public:
    virtual ~TReportFiles() = default;
    // A new file at path, never an existing one, never through a link; null
    // when it cannot be made, with nameTaken set when something is there.
    virtual std::unique_ptr<TReportFile> CreateNew(const std::string& path, bool& nameTaken) = 0;
};

// Where reports go: the chosen path, when there is one, then the folders
// for default names, each with its trailing "\" (an empty one, a folder
// that is not known, is passed over).
struct TReportPlaces {
    std::string ChosenPath;
    std::vector<std::string> Folders;
    // The last folder, asked for only when none of the others takes the
    // report (it is made then); empty when there is none.
    std::function<std::string()> LastFolder;
};

// The numbered names tried for one path, the first one included.
constexpr int MAX_REPORT_NAME_NUMBER = 20;

// The report of a run started at started, where places say; null when no
// place takes it.
std::unique_ptr<TReportFile> OpenReportFile(TReportFiles& files, const TReportPlaces& places,
                                            const TLocalTime& started);

struct TReportClock {
    std::function<TLocalTime()> Now;
    std::function<std::int64_t()> Milliseconds;  // a steady count, for durations
};

class TReportJournal final : public TRunJournal {
public:
    // files must outlive the journal.
    TReportJournal(TReportFacts facts, TReportClock clock, TReportFiles& files, TReportPlaces places);

    // Kept for the header of every report.
    void StartupMessage(const TStartupMessage& message) override;
    void SignaturesLoaded(std::int32_t patterns, std::int32_t fingerprints) override;
    // A report of the header alone and the start-up's failure.
    void StartupFailed() override;
    // A new report, its header and the detections' title written.
    void RunStarted() override;
    void Detection(const TDetectionRecord& record) override;
    // The counts and the end written, the report closed; the summary's line
    // that names it (ReportNote).
    std::string RunEnded(const TRunCounts& counts) override;

    // A report of the header and a command's outcome (the quarantine's
    // list, a restore), text being its lines.
    void CommandReport(std::string_view text);

    // The last report's path; empty when none could be written.
    const std::string& LastReportPath() const { return lastPath_; }

private:
    void Open();
    void Write(std::string_view text);
    void Close();

    TReportFacts facts_;
    TReportClock clock_;
    TReportFiles& files_;
    TReportPlaces places_;
    std::vector<TReportMessage> messages_;
    std::optional<TSignatureCounts> signatures_;
    std::unique_ptr<TReportFile> file_;
    std::int64_t startedMs_ = 0;
    std::string lastPath_;
};
