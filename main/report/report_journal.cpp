#include "main/report/report_journal.h"

#include <utility>

namespace {

// A new file at path, or under its next numbers while the name is taken;
// null when the folder refuses it, or every number is taken.
std::unique_ptr<TReportFile> CreateFirstFree(TReportFiles& files, const std::string& path)
{
    for (int n = 1; n <= MAX_REPORT_NAME_NUMBER; ++n) {
        bool nameTaken = false;
        if (std::unique_ptr<TReportFile> file = files.CreateNew(NumberedPath(path, n), nameTaken)) return file;
        if (!nameTaken) return nullptr;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<TReportFile> OpenReportFile(TReportFiles& files, const TReportPlaces& places, const TLocalTime& started)
{
    if (!places.ChosenPath.empty())
        if (std::unique_ptr<TReportFile> file = CreateFirstFree(files, places.ChosenPath)) return file;
    for (const std::string& folder : places.Folders) {
        if (folder.empty()) continue;  // an unknown folder: a bare name would land in the current one
        if (std::unique_ptr<TReportFile> file = CreateFirstFree(files, folder + ReportFileName(started))) return file;
    }
    const std::string last = places.LastFolder ? places.LastFolder() : std::string();
    if (!last.empty()) return CreateFirstFree(files, last + ReportFileName(started));
    return nullptr;
}

TReportJournal::TReportJournal(TReportFacts facts, TReportClock clock, TReportFiles& files, TReportPlaces places)
    : facts_(std::move(facts)), clock_(std::move(clock)), files_(files), places_(std::move(places))
{
}

void TReportJournal::StartupMessage(const TStartupMessage& message)
{
    messages_.push_back({message.Caption, message.Text, message.Warning});
}

void TReportJournal::SignaturesLoaded(std::int32_t patterns, std::int32_t fingerprints)
{
    signatures_ = TSignatureCounts{patterns, fingerprints};
}

void TReportJournal::StartupFailed()
{
    Open();
    Write(FormatStartupFailure());
    Close();
}

void TReportJournal::CommandReport(std::string_view text)
{
    Open();
    Write(text);
    Close();
}

void TReportJournal::RunStarted()
{
    Open();
    Write(FormatDetectionsTitle());
}

void TReportJournal::Detection(const TDetectionRecord& record) { Write(FormatDetectionLine(record)); }

std::string TReportJournal::RunEnded(const TRunCounts& counts)
{
    Write(FormatRunEnd(counts, clock_.Milliseconds() - startedMs_));
    Close();
    return ReportNote(lastPath_);
}

void TReportJournal::Open()
{
    const TLocalTime started = clock_.Now();
    startedMs_ = clock_.Milliseconds();
    file_ = OpenReportFile(files_, places_, started);
    lastPath_ = file_ ? file_->Path() : std::string();
    Write(FormatReportHeader(facts_, started, signatures_, messages_));
}

void TReportJournal::Write(std::string_view text)
{
    if (file_) file_->Append(text);
}

void TReportJournal::Close() { file_.reset(); }
