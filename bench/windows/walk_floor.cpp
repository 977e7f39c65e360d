// The floor of the scan run's walk (bench/scan_scale.sh): walks a drive
// depth first as the program does and, for each file, does only what the
// window must do for it: the counter, the status label's text (the
// program's) set and painted at once, the bar's position at every tenth
// file, and the pending messages processed after each entry. With --bare it
// only walks (FindFirstFileA/FindNextFileA). Prints the files met and the
// seconds the walk took.
//   walk_floor [--bare] ROOT
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/handle.h"
#include "kit/controls.h"
#include "main/scan_run.h"

namespace {

// A label and a bar where the program has its file status label and bar,
// in a window of the same size: the system's plain controls, as the simplest
// program would use them.
constexpr int kClientWidth = 606, kClientHeight = 560;
constexpr TBounds kBarBounds = {56, 200, 521, 17};
constexpr int kLabelX = 48, kLabelY = 171, kLabelWidth = 546;

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

struct TFloorWindow {
    TWindowHandle Window;
    HWND Label = nullptr;
    HWND Bar = nullptr;
    HFONT Font = ProgramFont({"Tahoma", 8});
};

void OpenFloorWindow(TFloorWindow& floor)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "WalkFloor";
    RegisterClassExA(&wc);
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_VISIBLE;
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    floor.Window.Reset(CreateWindowExA(0, "WalkFloor", "Floor", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                       frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                       Instance(), nullptr));
    if (!floor.Window) throw TWindowError("no floor window");
    // The system's own label, one line, cut with an ellipsis.
    floor.Label = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX,
                                  kLabelX, kLabelY, kLabelWidth, TextSize("", floor.Font).cy, floor.Window.Get(),
                                  nullptr, Instance(), nullptr);
    SendMessageA(floor.Label, WM_SETFONT, reinterpret_cast<WPARAM>(floor.Font), FALSE);
    floor.Bar = AddMarqueeBar(floor.Window.Get(), kBarBounds, RGB(0, 0, 128));
    UpdateWindow(floor.Window.Get());
}

void ProcessPendingMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

class TWalk {
public:
    explicit TWalk(const TFloorWindow* floor) : floor_(floor) {}

    // path as the program's walk has it: the root, or a folder without its "\".
    void Walk(const std::string& path)
    {
        const std::string folder = EnsureTrailingBackslash(path);
        WIN32_FIND_DATAA found;
        const TFindHandle find(FindFirstFileA((folder + "*.*").c_str(), &found));
        if (!find) return;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
                    Walk(folder + found.cFileName);
            } else {
                OnFile(path, found.cFileName);
            }
            if (floor_) ProcessPendingMessages();
        } while (FindNextFileA(find.Get(), &found));
    }

    long Files() const { return files_; }

private:
    void OnFile(const std::string& path, const char* name)
    {
        ++files_;
        if (!floor_) return;
        if (files_ % 10 == 0) SendMessageA(floor_->Bar, PBM_SETPOS, static_cast<WPARAM>(files_ % 100), 0);
        const std::string text = "Analyse du fichier (" + std::to_string(files_) + ") : " + ShownFolder(path) + name;
        SetWindowTextA(floor_->Label, text.c_str());
        UpdateWindow(floor_->Label);
    }

    const TFloorWindow* floor_;
    long files_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const bool bare = argc == 3 && std::strcmp(argv[1], "--bare") == 0;
    if (argc != 2 && !bare) {
        std::fprintf(stderr, "usage: walk_floor [--bare] ROOT\n");
        return 2;
    }
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    TFloorWindow floor;
    if (!bare) OpenFloorWindow(floor);
    TWalk walk(bare ? nullptr : &floor);
    const auto start = std::chrono::steady_clock::now();
    walk.Walk(argv[argc - 1]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("files: %ld\nseconds: %.3f\n", walk.Files(), seconds);
    return 0;
}
