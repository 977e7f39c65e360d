// The process entry of Purvane.exe: the window, or with switches a mode
// without one. Every run writes its report.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "common/code_page.h"
#include "common/system_library.h"
#include "kit/window.h"
#include "main/application.h"
#include "main/win32_folder_rights.h"
#include "main/win32_scan_system.h"
#include "main/windowless.h"
#include "quarantine/win32_quarantine.h"
#include "main/report/report_win32.h"
#include "trust/win32_program_files.h"

namespace {

// The command line in the ANSI code page. A character that the code page
// cannot spell exactly becomes "?", which no switch and no file name holds,
// rather than a look-alike that could name another file.
std::string AnsiCommandLine()
{
    const std::wstring_view line = GetCommandLineW();
    std::string ansi;
    for (std::size_t i = 0; i < line.size(); ++i) ansi += ExactAnsiSpelling(line.substr(i, 1)).value_or("?");
    return ansi;
}

int RunWindow(const TPlatformServices& services, const TScanEngine& engine, TScanSystem& system,
              TRunJournal& journal, const TFileAdmission& admit)
{
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        TApplication application(services, engine, system, journal, admit);
        const int code = application.Run();
        if (application.MainDlg().QuitRequested()) journal.StartupFailed();
        return code;
    } catch (const std::exception& error) {
        // A window that could not be made, or what a handler let out (the
        // message loop rethrows it): the windows are gone by now.
        MessageBoxA(nullptr, error.what(), APPLICATION_TITLE, MB_OK | MB_ICONERROR);
        return 1;
    }
}

// The quarantine's commands: /quarantaine writes the list of its entries to
// the report; /restaurer:ID puts one file back, and says in the report how
// it went or why it was refused.
int RunQuarantineCommand(const TCommandLine& commandLine, TWin32Quarantine& quarantine, TReportJournal& journal)
{
    if (commandLine.Mode == TProgramMode::QuarantineList) {
        journal.CommandReport(QuarantineListText(quarantine.List()));
        return EXIT_NOTHING_DETECTED;
    }
    const TRestoreResult result = quarantine.Restore(commandLine.RestoreId);
    journal.CommandReport(result.Text + "\r\n");
    return result.Restored ? EXIT_RESTORED : EXIT_RESTORE_REFUSED;
}

// The program's folder, its parent and its files, where another account
// than the administrators may change them: a warning in the report, or,
// as SYSTEM, the refusal to run (a file swapped there would run as SYSTEM
// next time), told in the report and, in the window, in a box. True when
// the program goes on.
bool CheckProgramFolder(const std::string& programDir, TProgramMode mode, TRunJournal& journal)
{
    if (programDir.empty()) return true;  // no folder: no file of it is used
    const TFolderExposure exposure = ExposureOf(ProgramFolderObjects(programDir));
    if (exposure == TFolderExposure::AdministratorsOnly) return true;
    const bool refused = RunsAsLocalSystem();
    const std::string text = FolderRightsText(programDir, exposure, refused);
    journal.StartupMessage({text.c_str(), FOLDER_RIGHTS_CAPTION, !refused});
    if (!refused) return true;
    if (mode == TProgramMode::Window) MessageBoxA(nullptr, text.c_str(), FOLDER_RIGHTS_CAPTION, MB_OK | MB_ICONERROR);
    journal.StartupFailed();
    return false;
}

// The engine library, only when the manifest admitted it, loaded while
// its verified handle is held; otherwise none (the missing-engine warning).
TScanEngine VerifiedScanEngine(const TProgramFiles& files)
{
    if (files.Status(ENGINE_FILE_NAME) != TFileStatus::Verified) return {};
    return TScanEngine::LoadVerified(files.Path(ENGINE_FILE_NAME), files.Handle(ENGINE_FILE_NAME));
}

// The signature files the start-up may read: those the manifest admitted.
TFileAdmission AdmittedBy(const TProgramFiles& files)
{
    return [&files](const char* name) {
        switch (files.Status(name)) {
        case TFileStatus::Verified: return TFileAdmit::Admitted;
        case TFileStatus::Missing: return TFileAdmit::Absent;
        default: return TFileAdmit::Refused;
        }
    };
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictLibrarySearch();
    const TCommandLine commandLine = ParseCommandLine(AnsiCommandLine());
    if (commandLine.Refused) return EXIT_UNKNOWN_SWITCH;
    // Without a window the system must not put up boxes either (a missing
    // library, a drive without its disk).
    if (commandLine.Mode != TProgramMode::Window)
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const TPlatformServices services = SystemServices();
    const std::string programDir = ProgramDirOf(services.ExecutablePath());
    TWin32Quarantine quarantine;
    TWin32ScanSystem system(&quarantine);
    TWin32ReportFiles files;
    // Where the program's folder cannot take the report: a folder that only
    // administrators can write into, never the user's own.
    TReportsFolder reportsFolder;
    TReportJournal journal(
        {PROGRAM_CAPTION, CurrentWindowsFacts(system.MissesModulesOf64BitProcesses()), programDir, commandLine.Mode},
        SystemReportClock(), files,
        {commandLine.ReportPath, {programDir}, [&reportsFolder] { return reportsFolder.Path(); }});
    // Before anything of the folder is loaded.
    if (!CheckProgramFolder(programDir, commandLine.Mode, journal)) return EXIT_RUN_IMPOSSIBLE;
    // The program's files, held open for the whole run from here on and
    // checked against the signed manifest, before anything of them is used.
    const TCngSignatureVerifier verifier(SIGNING_PUBLIC_KEY);
    const TProgramFiles programFiles = TProgramFiles::Open(programDir, verifier);
    const TFileAdmission admit = AdmittedBy(programFiles);
    const TScanEngine engine = VerifiedScanEngine(programFiles);
    switch (commandLine.Mode) {
    case TProgramMode::Window: return RunWindow(services, engine, system, journal, admit);
    case TProgramMode::Auto:
    case TProgramMode::Analyse: return RunWithoutWindow(commandLine.Mode, programDir, engine, system, journal, admit);
    case TProgramMode::QuarantineList:
    case TProgramMode::Restore: return RunQuarantineCommand(commandLine, quarantine, journal);
    }
    return EXIT_UNKNOWN_SWITCH;
}
