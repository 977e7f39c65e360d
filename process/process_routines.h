// The system side of the process routines: the Win32 adapter of the path
// chain, the program's privileges, and the ending of a process.
//
// Ending a process for the scan run:
//
//   const TProcessInfo info = snapshot.GetProcessInfo(i);
//   CloseAndTerminateProcess(info.PID, info.CreateTime, timeout);
//
// posts WM_CLOSE to the process's top-level windows, waits up to timeout
// milliseconds (a negative timeout skips that phase) and then terminates it.
// The creation time makes sure that the process ended is the one that the
// snapshot saw: a process id that went to another program since the refresh
// gives 0 and nothing is touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "process/path_chain.h"

// The path chain's system: FindFirstFileA, the environment block, the
// Windows folders, GetFullPathNameA, the ANSI code page.
class TWin32PathSystem final : public TPathSystem {
public:
    // True when FindFirstFileA finds path, the entry is no folder, and its
    // last-write time in local time falls in the DOS dates' years, 1980 to
    // 2107 (checked here: not every system's FileTimeToDosDateTime refuses
    // the years after).
    bool IsExistingFile(const std::string& path) const override;
    std::vector<std::string> EnvironmentList() const override;
    std::string WindowsSearchPath() const override;
    std::string FullPathName(const std::string& path) const override;
    bool IsLeadByte(char c) const override;
};

// The program's environment: the texts of the first MAX_ENVIRONMENT_WINDOW
// characters of its block.
std::vector<std::string> GetEnvironmentList();
// The Windows folder + ";" + the system folder + ";".
std::string GetWindowsSearchPath();
// NormalizeModulePath over the Win32 path system.
std::string NormalizeModulePath(const std::string& path);

// Enables the named privilege in the program's own token; true when the
// system reports no error (false for a privilege the user does not hold).
bool EnablePrivilege(const std::string& name);

// Results of CloseAndTerminateProcess.
constexpr unsigned TERMINATION_NOTHING_DONE = 0;  // own process, not opened, or not ended
constexpr unsigned TERMINATION_CLOSED = 1;        // ended by itself after WM_CLOSE
constexpr unsigned TERMINATION_FORCED = 2;        // terminated

// Ends process pid: WM_CLOSE to its top-level windows, a wait of timeout
// milliseconds, then TerminateProcess. The program's own id gives 0.
unsigned CloseAndTerminateProcess(std::uint32_t pid, std::int32_t timeout);
// The same, for the process pid whose creation time (100 ns units since
// 1601, as TProcessInfo::CreateTime) is createTime: when the process that
// has the id now was created at another time, or its time cannot be read,
// the result is 0 and no window is touched.
unsigned CloseAndTerminateProcess(std::uint32_t pid, std::uint64_t createTime, std::int32_t timeout);
