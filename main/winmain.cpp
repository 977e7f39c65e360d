// The process entry of Purvane.exe: the window, or with switches a mode
// without one. Every run writes its report.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "common/code_page.h"
#include "kit/window.h"
#include "main/application.h"
#include "main/win32_scan_system.h"
#include "main/windowless.h"
#include "quarantine/win32_quarantine.h"
#include "main/report/report_win32.h"

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
              TRunJournal& journal)
{
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        TApplication application(services, engine, system, journal);
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

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const TCommandLine commandLine = ParseCommandLine(AnsiCommandLine());
    if (commandLine.Refused) return EXIT_UNKNOWN_SWITCH;
    // Without a window the system must not put up boxes either (a missing
    // library, a drive without its disk).
    if (commandLine.Mode != TProgramMode::Window)
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const TPlatformServices services = SystemServices();
    const std::string programDir = ProgramDirOf(services.ExecutablePath());
    const TScanEngine engine = LoadScanEngine();
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
    switch (commandLine.Mode) {
    case TProgramMode::Window: return RunWindow(services, engine, system, journal);
    case TProgramMode::Auto:
    case TProgramMode::Analyse: return RunWithoutWindow(commandLine.Mode, programDir, engine, system, journal);
    case TProgramMode::QuarantineList:
    case TProgramMode::Restore: return RunQuarantineCommand(commandLine, quarantine, journal);
    }
    return EXIT_UNKNOWN_SWITCH;
}
