// Starts a program and watches it to its end from outside: every top-level
// window of its process that ever shows is printed, then its exit code.
// Sample processes can be started first; whether each is still running
// when the program has ended is printed last. Lines, in UTF-8:
//   window: CLASS | TITLE
//   exit: CODE
//   sample: COMMAND LINE ended|running (pid PID)
//
//   window_watcher [--start "COMMAND LINE"]... -- "PROGRAM COMMAND LINE"
//
// Exit 0 when the program ended within the time allowed, 1 otherwise (it
// is then terminated), 2 on a wrong command line.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "demo/started_process.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kRunLimit = 600s;

struct TWindowSearch {
    DWORD Pid;
    std::set<std::string>* Seen;
};

// Records each visible top-level window of the process, by class and title.
BOOL CALLBACK RecordIfVisibleOfProcess(HWND window, LPARAM data)
{
    const auto& search = *reinterpret_cast<TWindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.Pid || !IsWindowVisible(window)) return TRUE;
    char className[128] = {}, title[512] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    search.Seen->insert(std::string(className) + " | " + title);
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);  // lines end with LF alone
    std::vector<TProcess> samples;
    int i = 1;
    for (; i + 1 < argc && std::string(argv[i]) == "--start"; i += 2) samples.push_back(Start(argv[i + 1]));
    if (i + 2 != argc || std::string(argv[i]) != "--") {
        std::fputs("usage: window_watcher [--start \"COMMAND LINE\"]... -- \"PROGRAM COMMAND LINE\"\n", stderr);
        return 2;
    }
    if (!samples.empty()) std::this_thread::sleep_for(1s);  // the samples are up and have loaded their libraries
    const TProcess program = Start(argv[i + 1]);
    std::set<std::string> seen;
    TWindowSearch search{program.Pid, &seen};
    const auto start = std::chrono::steady_clock::now();
    while (Running(program) && std::chrono::steady_clock::now() - start < kRunLimit) {
        EnumWindows(RecordIfVisibleOfProcess, reinterpret_cast<LPARAM>(&search));
        std::this_thread::sleep_for(5ms);
    }
    const bool ended = program.Handle && !Running(program);
    if (!ended && program.Handle) TerminateProcess(program.Handle.Get(), 99);
    for (const std::string& window : seen) std::printf("window: %s\n", Utf8(window).c_str());
    DWORD code = 0;
    if (ended && GetExitCodeProcess(program.Handle.Get(), &code)) std::printf("exit: %lu\n", code);
    else std::printf("error: the program did not end in time\n");
    for (TProcess& sample : samples) {
        std::printf("sample: %s %s (pid %lu)\n", sample.CommandLine.c_str(), Running(sample) ? "running" : "ended",
                    sample.Pid);
        if (Running(sample)) TerminateProcess(sample.Handle.Get(), 0);
    }
    std::fflush(stdout);
    return ended ? 0 : 1;
}
