// A snapshot of the running processes: for each its id, its executable's
// name and full path, its creation time and the full paths of the modules
// loaded in it. The memory scan takes one per run:
//
//   TProcessSnapshot snapshot;
//   snapshot.SetDetectionRange({dtProcesses});
//   snapshot.Refresh();
//   for (int i = 1; i < snapshot.ProcessCount(); ++i) {
//       const TProcessInfo info = snapshot.GetProcessInfo(i);   // a copy
//       ... info.PID, info.ImagePath, info.Modules[k].ModulePath ...
//       CloseAndTerminateProcess(info.PID, info.CreateTime, timeout);
//   }
//
// The paths go through the path chain of path_chain.h: an ImagePath or a
// ModulePath is empty when no existing file was found. Index 0 is the first
// process the system lists (the idle process, id 0, on Windows).
//
// Left out on purpose, as nothing in the program reads them: the user,
// priority, counters, threads, privileges and groups of each process, and
// the lists of services, drivers, handles and windows. Only Windows systems
// of the NT family with the Toolhelp functions are served.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

enum TDetectionType { dtProcesses, dtServices, dtDrivers, dtHandles, dtWindows };

// A set of detection types.
class TDetectionRange {
public:
    TDetectionRange(std::initializer_list<TDetectionType> types)
    {
        for (const TDetectionType type : types) bits_ |= 1u << type;
    }
    bool Contains(TDetectionType type) const { return (bits_ >> type) & 1u; }
    bool operator==(const TDetectionRange&) const = default;

private:
    unsigned bits_ = 0;
};

// One module loaded in a process.
struct TModuleInfo {
    std::string ModuleName;     // the file name as the system reports it
    std::string ModulePath;     // the full path after NormalizeModulePath; empty when none exists
    std::uint32_t ImageSize = 0;
    std::uint64_t BaseAddress = 0;
};

// One process at the moment of the refresh.
struct TProcessInfo {
    std::uint32_t PID = 0;
    std::string Name;           // "[System Idle Process]" or "System" for the pseudo-processes
    std::string ImagePath;      // empty when no existing file was found
    std::uint64_t CreateTime = 0;  // 100 ns units since 1601; 0 when the process could not be queried
    std::vector<TModuleInfo> Modules;  // in the order the system lists them
};

class TProcessSnapshot {
public:
    // Enables the debug and security privileges of the program's token for
    // the rest of the run, so that more processes can be opened.
    TProcessSnapshot();

    TDetectionRange DetectionRange() const { return range_; }
    void SetDetectionRange(TDetectionRange range) { range_ = range; }

    // Replaces the process list with the processes running now (when
    // dtProcesses is in the range; the other types build nothing).
    void Refresh();

    int ProcessCount() const { return static_cast<int>(processes_.size()); }
    // A copy of the record at index; an empty record outside 0..ProcessCount-1.
    TProcessInfo GetProcessInfo(int index) const;

private:
    TDetectionRange range_{dtProcesses, dtServices, dtDrivers};
    std::vector<TProcessInfo> processes_;
};
