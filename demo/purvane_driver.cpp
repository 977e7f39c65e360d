// Drives Purvane.exe from outside, as a user would: starts the given sample
// processes, starts the program, presses "&Analyser !", answers every
// detection prompt, reads the summary box and the results grid, then closes
// the program. Prints one line per event, in UTF-8:
//   prompt: FILE | VIRUS -> Supprimer|Ignorer
//   summary: CAPTION | TEXT
//   row: OBJECT | TYPE | ACTION
//   elapsed: SECONDS          (from the click to the summary box)
//   sample: PATH ended|running
//
//   purvane_driver PROGRAM [--keep TEXT] [--shots DIR] [--log FILE] [--status FILE]
//                  [--start "COMMAND LINE"]... [--pause-dir DIR --pause-at TEXT...]
//
// Every file whose path holds a --keep text is ignored; every other one is
// deleted. --shots saves prompt.bmp (the first prompt) and final.bmp (the
// window after the run) from the screen; --log writes the lines to FILE
// instead of the standard output. At the first prompt whose file holds the
// n-th --pause-at text (from 1), the driver writes n to DIR\paused and waits,
// the prompt up, until DIR\resume appears (and deletes both), so that a
// test can play the worm meanwhile. Exit 0 when the run ended with a
// summary, 1 otherwise; --status also writes that status to FILE, for a
// caller that cannot wait for the driver (Wine's virtual desktop starts it
// and keeps its status to itself).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/handle.h"
#include "demo/started_process.h"

namespace {

using namespace std::chrono_literals;

const char* const kPromptTitle = "Fichier contamin\xE9 d\xE9tect\xE9";
const char* const kSummaryCaptions[] = {"Analyse termin\xE9" "e", "Analyse annul\xE9" "e"};
constexpr auto kRunLimit = 300s;

// A window's text as the window itself answers it: for a window of another
// process GetWindowText gives only a stored caption, so the message is sent.
std::string TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return "";
    std::vector<char> text(length + 1);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             2000, &copied))
        return "";
    return std::string(text.data(), std::min<std::size_t>(copied, length));
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct TWindowSearch {
    DWORD Pid;
    std::vector<HWND> Found;
};

BOOL CALLBACK AddIfVisibleOfProcess(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TWindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.Pid && IsWindowVisible(window)) search.Found.push_back(window);
    return TRUE;
}

BOOL CALLBACK AddChild(HWND child, LPARAM data)
{
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

// The visible top-level windows of process pid.
std::vector<HWND> WindowsOf(DWORD pid)
{
    TWindowSearch search{pid, {}};
    EnumWindows(AddIfVisibleOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Every child window, in the order the system lists them.
std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    EnumChildWindows(parent, AddChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND ChildWithText(HWND parent, const std::string& text)
{
    for (HWND child : ChildrenOf(parent))
        if (TextOf(child) == text) return child;
    return nullptr;
}

// The label that follows the one whose text is label.
std::string ValueAfter(HWND parent, const std::string& label)
{
    const std::vector<HWND> children = ChildrenOf(parent);
    for (std::size_t i = 0; i + 1 < children.size(); ++i)
        if (TextOf(children[i]) == label) return TextOf(children[i + 1]);
    return "";
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// The screen as a 24-bit BMP file.
void SaveScreen(const std::string& path)
{
    const HDC screen = GetDC(nullptr);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const HDC memory = CreateCompatibleDC(screen);
    const TGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, width, height));
    const HGDIOBJ old = SelectObject(memory, bitmap.Get());
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::vector<char> pixels(static_cast<std::size_t>(((width * 3 + 3) & ~3) * height));
    GetDIBits(memory, bitmap.Get(), 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info, sizeof info, 1, out);
        std::fwrite(pixels.data(), 1, pixels.size(), out);
        std::fclose(out);
    }
}

// Starts commandLine and waits until it takes input.
TProcess StartIdle(const std::string& commandLine)
{
    TProcess process = Start(commandLine);
    if (process.Handle) WaitForInputIdle(process.Handle.Get(), 10000);
    return process;
}

// Where the driver stops at chosen prompts until the test says to go on.
struct TPauses {
    std::string Dir;
    std::vector<std::string> Texts;
    std::vector<bool> Done;

    // Pauses at the first prompt for file that holds a text not met before.
    void AtPrompt(const std::string& file)
    {
        Done.resize(Texts.size());
        for (std::size_t i = 0; i < Texts.size(); ++i) {
            if (Done[i] || file.find(Texts[i]) == std::string::npos) continue;
            Done[i] = true;
            const std::string paused = Dir + "\\paused", resume = Dir + "\\resume";
            if (FILE* out = std::fopen(paused.c_str(), "wb")) {
                std::fprintf(out, "%zu\n", i + 1);
                std::fclose(out);
            }
            for (int wait = 0; wait < 6000 && GetFileAttributesA(resume.c_str()) == INVALID_FILE_ATTRIBUTES; ++wait)
                std::this_thread::sleep_for(10ms);
            DeleteFileA(resume.c_str());
            DeleteFileA(paused.c_str());
            return;
        }
    }
};

class TDriver {
public:
    TDriver(std::vector<std::string> keep, std::string shots, TPauses pauses)
        : keep_(std::move(keep)), shots_(std::move(shots)), pauses_(std::move(pauses))
    {
    }

    // Runs the program to the end of one scan; true when a summary came.
    bool Drive(const TProcess& program)
    {
        const HWND main = WaitForMainWindow(program);
        if (!main) return false;
        const HWND go = ChildWithText(main, "&Analyser !");
        if (!go) return Fail("no \"&Analyser !\" button");
        const auto start = std::chrono::steady_clock::now();
        Click(go);
        while (std::chrono::steady_clock::now() - start < kRunLimit && Running(program)) {
            for (HWND window : WindowsOf(program.Pid)) {
                if (TextOf(window) == kPromptTitle) Answer(window);
                else if (IsSummary(window)) return Summarize(window, main, start);
            }
            std::this_thread::sleep_for(5ms);
        }
        return Fail("the run gave no summary");
    }

    // Closes the program's main window and its update notice.
    void Close(const TProcess& program)
    {
        for (HWND window : WindowsOf(program.Pid)) PostMessageA(window, WM_CLOSE, 0, 0);
        for (int i = 0; i < 400 && Running(program); ++i) {
            std::this_thread::sleep_for(25ms);
            for (HWND window : WindowsOf(program.Pid)) PostMessageA(window, WM_CLOSE, 0, 0);
        }
    }

private:
    HWND WaitForMainWindow(const TProcess& program)
    {
        for (int i = 0; i < 2000 && Running(program); ++i) {
            for (HWND window : WindowsOf(program.Pid)) {
                if (ClassOf(window) == "#32770") {
                    Fail("a start-up message: " + Utf8(TextOf(window)) + " | " + Utf8(MessageText(window)));
                    return nullptr;
                }
                if (TextOf(window).rfind("Purvane", 0) == 0 && ChildWithText(window, "&Analyser !")) return window;
            }
            std::this_thread::sleep_for(10ms);
        }
        Fail("no main window");
        return nullptr;
    }

    void Answer(HWND prompt)
    {
        // The prompt fills its fields when it is activated, just after it shows.
        for (int i = 0; i < 400 && GetForegroundWindow() != prompt; ++i) std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(50ms);
        const std::string file = ValueAfter(prompt, "Fichier : "), virus = ValueAfter(prompt, "Virus :");
        bool keep = false;
        for (const std::string& text : keep_) keep = keep || file.find(text) != std::string::npos;
        if (!shots_.empty() && prompts_++ == 0) SaveScreen(shots_ + "\\prompt.bmp");
        pauses_.AtPrompt(file);
        std::printf("prompt: %s | %s -> %s\n", Utf8(file).c_str(), Utf8(virus).c_str(), keep ? "Ignorer" : "Supprimer");
        std::fflush(stdout);
        const HWND button = ChildWithText(prompt, keep ? "&Ignorer" : "&Supprimer");
        if (button) Click(button);
        // Wait until this showing has ended before looking again.
        for (int i = 0; i < 1000 && IsWindowVisible(prompt); ++i) std::this_thread::sleep_for(5ms);
    }

    static bool IsSummary(HWND window)
    {
        if (ClassOf(window) != "#32770") return false;
        for (const char* caption : kSummaryCaptions)
            if (TextOf(window) == caption) return true;
        return false;
    }

    // The message box's text: its static control with the text.
    static std::string MessageText(HWND box)
    {
        for (HWND child : ChildrenOf(box))
            if (ClassOf(child) == "Static" && !TextOf(child).empty()) return TextOf(child);
        return "";
    }

    bool Summarize(HWND box, HWND main, std::chrono::steady_clock::time_point start)
    {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("summary: %s | %s\n", Utf8(TextOf(box)).c_str(), Utf8(MessageText(box)).c_str());
        std::printf("elapsed: %.3f\n", elapsed);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 400 && IsWindow(box); ++i) std::this_thread::sleep_for(5ms);
        PrintRows(main);
        if (!shots_.empty()) {
            std::this_thread::sleep_for(300ms);  // the window repaints where the box was
            SaveScreen(shots_ + "\\final.bmp");
        }
        return true;
    }

    static void PrintRows(HWND main)
    {
        for (HWND child : ChildrenOf(main)) {
            if (ClassOf(child) != "PurvaneStringGrid") continue;
            const std::string text = TextOf(child);
            if (text.empty()) std::printf("error: the results grid gives no text\n");
            std::size_t at = text.find("\r\n") + 2;  // past the title row
            for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
                std::string row = text.substr(at, end - at);
                if (row.find_first_not_of('\t') == std::string::npos) continue;
                for (std::size_t tab; (tab = row.find('\t')) != std::string::npos;) row.replace(tab, 1, " | ");
                std::printf("row: %s\n", Utf8(row.substr(3)).c_str());  // column 0 stays empty
            }
        }
    }

    bool Fail(const std::string& why)
    {
        std::printf("error: %s\n", why.c_str());
        return false;
    }

    std::vector<std::string> keep_;
    std::string shots_;
    TPauses pauses_;
    int prompts_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: purvane_driver PROGRAM [--keep TEXT] [--shots DIR] [--log FILE] [--status FILE]"
                   " [--start \"COMMAND LINE\"]...\n"
                   "                      [--pause-dir DIR --pause-at TEXT...]\n",
                   stderr);
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);  // lines end with LF alone
    std::vector<std::string> keep;
    std::string shots, statusFile;
    std::vector<TProcess> samples;
    TPauses pauses;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--keep") keep.push_back(argv[i + 1]);
        else if (option == "--pause-dir") pauses.Dir = argv[i + 1];
        else if (option == "--pause-at") pauses.Texts.push_back(argv[i + 1]);
        else if (option == "--shots") shots = argv[i + 1];
        else if (option == "--status") statusFile = argv[i + 1];
        else if (option == "--log" && !std::freopen(argv[i + 1], "wb", stdout)) return 2;
        else if (option == "--start") samples.push_back(StartIdle(argv[i + 1]));
    }
    std::this_thread::sleep_for(500ms);  // the samples are up and have loaded their libraries
    const TProcess program = StartIdle(std::string("\"") + argv[1] + "\"");
    TDriver driver(keep, shots, pauses);
    const bool ok = program.Handle && driver.Drive(program);
    driver.Close(program);
    for (TProcess& sample : samples) {
        std::printf("sample: %s %s\n", sample.CommandLine.c_str(), Running(sample) ? "running" : "ended");
        if (Running(sample)) TerminateProcess(sample.Handle.Get(), 0);
    }
    std::fflush(stdout);
    const int status = ok ? 0 : 1;
    if (!statusFile.empty()) std::ofstream(statusFile, std::ios::binary) << status << '\n';
    return status;
}
