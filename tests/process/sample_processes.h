// The harmless process samples for the tests: where they are, and one
// running sample owned by a test, ended when the test ends.
#pragma once

#include <windows.h>

#include <string>

#include "common/handle.h"

// Exit codes of the samples (samples/sample_common.h).
constexpr DWORD SAMPLE_EXIT_CLOSED = 3;

// The folder of this build's own samples, or of the other architecture's
// (empty when the build has none), ending with a backslash.
std::string SampleFolder();
std::string OtherArchitectureSampleFolder();

class TSampleProcess {
public:
    // Starts program with arguments and waits until it says it is ready.
    TSampleProcess(const std::string& program, const std::string& arguments = "");
    // Ends the sample if it still runs.
    ~TSampleProcess();

    bool Started() const { return started_; }
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return process_.Get(); }
    bool IsRunning() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }
    bool WaitForExit(DWORD milliseconds) const { return WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0; }
    DWORD ExitCode() const;
    // The stubborn sample's report that a WM_CLOSE arrived.
    bool CloseSeen() const { return WaitForSingleObject(closeSeen_.Get(), 0) == WAIT_OBJECT_0; }
    // The creation time as GetProcessTimes reports it.
    std::uint64_t CreateTime() const;
    // Ends the sample now and waits for it.
    void End();

private:
    TKernelHandle ready_, closeSeen_, process_;
    DWORD pid_ = 0;
    bool started_ = false;
};

// path, in upper case, for comparing paths.
std::string PathKey(const std::string& path);
