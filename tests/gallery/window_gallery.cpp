// Shows one of the program's dialogs over its main window, as the program
// would, for pictures of them: window_gallery prompt|list|notice. The
// signature files are read from beside this program; web pages and message
// boxes are left out.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "main/application.h"
#include "main/win32_scan_system.h"

int main(int argc, char** argv)
{
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const char* which = argc > 1 ? argv[1] : "prompt";
    TPlatformServices services = SystemServices();
    services.ShowMessageBox = [](HWND, const char*, const char*, UINT) { return IDOK; };
    services.OpenWebPage = [](HWND, const char*) {};
    const TScanEngine engine = LoadScanEngine();
    TWin32ScanSystem system;
    TNoJournal journal;
    TApplication application(services, engine, system, journal);
    TMainDlg& mainDlg = application.MainDlg();
    ShowWindow(mainDlg.Handle(), SW_SHOW);
    if (std::strcmp(which, "list") == 0) {
        application.ListeVirusDlg().SignatureCount =
            application.Scanner().Signatures().Patterns().PatternSignatureCount();
        application.ListeVirusDlg().ShowModal(mainDlg.Handle());
    } else if (std::strcmp(which, "notice") == 0) {
        application.MiseAJourDlg().ShowModal(mainDlg.Handle());
    } else {
        mainDlg.ShowDetectionPrompt("C:\\Users\\L\xE9o\\Downloads\\photos_\xE9t\xE9_2013.zip.exe", "W32/IRCBot.BPQ.worm");
    }
    return 0;
}
