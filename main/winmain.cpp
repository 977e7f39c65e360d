// The process entry of Purvane.exe.
#include <windows.h>

#include <commctrl.h>

#include "kit/window.h"
#include "main/application.h"
#include "main/win32_scan_system.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const TScanEngine engine = LoadScanEngine();
    TWin32ScanSystem system;
    TNoJournal journal;
    try {
        TApplication application(SystemServices(), engine, system, journal);
        return application.Run();
    } catch (const TWindowError& error) {
        MessageBoxA(nullptr, error.what(), APPLICATION_TITLE, MB_OK | MB_ICONERROR);
        return 1;
    }
}
