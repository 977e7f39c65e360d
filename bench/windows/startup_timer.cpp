// Times the start of a Windows program up to its idle window: starts it,
// waits until it waits for input with none pending (WaitForInputIdle), then
// ends it. Prints the median of the runs in milliseconds.
//   startup_timer RUNS PROGRAM
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/handle.h"

namespace {

// Milliseconds from start to idle, or a negative number on failure.
double TimeOneStart(const std::string& program)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string commandLine = "\"" + program + "\"";
    LARGE_INTEGER frequency, start, idle;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    const TKernelHandle process(info.hProcess), thread(info.hThread);
    const DWORD waited = WaitForInputIdle(process.Get(), 60000);
    QueryPerformanceCounter(&idle);
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), 10000);
    if (waited != 0) return -1;
    return 1000.0 * static_cast<double>(idle.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: startup_timer RUNS PROGRAM\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = TimeOneStart(argv[2]);
        if (ms < 0) {
            std::fprintf(stderr, "startup_timer: %s did not start or never became idle\n", argv[2]);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("%.1f\n", times[times.size() / 2]);
    return 0;
}
