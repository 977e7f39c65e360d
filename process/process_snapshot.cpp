#include "process/process_snapshot.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

#include "common/handle.h"
#include "common/text.h"
#include "process/process_routines.h"

namespace {

constexpr DWORD kQueryAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
// NtQueryInformationProcess's class for the creation, exit, kernel and user
// times, and its 32-byte answer.
constexpr ULONG kProcessTimesClass = 4;
struct TKernelUserTimes {
    LARGE_INTEGER CreateTime, ExitTime, KernelTime, UserTime;
};
using TNtQueryInformationProcess = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// The native query of NTDLL.DLL, which every process has loaded; null when
// it is not exported.
TNtQueryInformationProcess NtQueryInformationProcessEntry()
{
    const HMODULE ntdll = GetModuleHandleA("NTDLL.DLL");
    return ntdll ? reinterpret_cast<TNtQueryInformationProcess>(
                       reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtQueryInformationProcess")))
                 : nullptr;
}

// The text of a fixed-size character field, up to its zero or its end.
template <typename TChar, std::size_t N>
std::basic_string<TChar> FieldText(const TChar (&field)[N])
{
    std::size_t length = 0;
    while (length < N && field[length]) ++length;
    return std::basic_string<TChar>(field, length);
}

// A Toolhelp snapshot; a module snapshot that fails with ERROR_BAD_LENGTH
// (the process's module list was changing) is taken again, a few times.
TFileHandle TakeSnapshot(DWORD flags, DWORD pid)
{
    TFileHandle snapshot(CreateToolhelp32Snapshot(flags, pid));
    for (int retry = 0; retry < 8 && !snapshot && GetLastError() == ERROR_BAD_LENGTH; ++retry)
        snapshot.Reset(CreateToolhelp32Snapshot(flags, pid));
    return snapshot;
}

// The modules of process pid; imagePath becomes the path of the last module
// whose name is processName, ignoring case. A 64-bit build lists the 32-bit
// modules of a 32-bit process too.
std::vector<TModuleInfo> ListModules(DWORD pid, const std::string& processName, std::string& imagePath,
                                     const TWin32PathSystem& paths)
{
    std::vector<TModuleInfo> modules;
    imagePath.clear();
    const TFileHandle snapshot = TakeSnapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid);
    if (!snapshot) return modules;
    // The wide entries give the paths whole: one the code page cannot spell
    // is taken in its short form (see SpellablePath).
    MODULEENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more; more = Module32NextW(snapshot.Get(), &entry)) {
        TModuleInfo module;
        module.ModuleName = AnsiSpelling(FieldText(entry.szModule));
        module.ModulePath = NormalizeModulePath(SpellablePath(FieldText(entry.szExePath)), paths);
        module.BaseAddress = reinterpret_cast<std::uintptr_t>(entry.modBaseAddr);
        module.ImageSize = entry.modBaseSize;
        if (UpperCaseAscii(module.ModuleName) == UpperCaseAscii(processName)) imagePath = module.ModulePath;
        modules.push_back(std::move(module));
    }
    return modules;
}

// The main module's file name from the process status services, without
// its native prefix; empty when the process cannot be opened.
std::string MainModuleFileName(DWORD pid)
{
    const TKernelHandle process(OpenProcess(kQueryAccess, FALSE, pid));
    if (!process) return "";
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameExW(process.Get(), nullptr, buffer, MAX_PATH);
    return RemoveNativePrefix(SpellablePath(std::wstring(buffer, std::min<DWORD>(length, MAX_PATH))));
}

TProcessInfo ProcessRecord(const PROCESSENTRY32& entry, const TWin32PathSystem& paths)
{
    TProcessInfo info;
    info.PID = entry.th32ProcessID;
    info.Name = FileNamePart(FieldText(entry.szExeFile), paths);
    info.Modules = ListModules(info.PID, info.Name, info.ImagePath, paths);
    if (info.Name.empty()) {
        if (info.PID == 0) info.Name = "[System Idle Process]";
        else if (info.PID <= 9) info.Name = "System";
    }
    if (!paths.IsExistingFile(info.ImagePath)) info.ImagePath = MainModuleFileName(info.PID);
    if (!paths.IsExistingFile(info.ImagePath)) info.ImagePath = SearchByName(info.Name, info.ImagePath, paths);
    return info;
}

// The creation time of process pid; 0 when it cannot be read.
std::uint64_t CreationTime(DWORD pid, TNtQueryInformationProcess query)
{
    const TKernelHandle process(OpenProcess(kQueryAccess, FALSE, pid));
    TKernelUserTimes times{};
    if (!process || !query || query(process.Get(), kProcessTimesClass, &times, sizeof(times), nullptr) < 0) return 0;
    return static_cast<std::uint64_t>(times.CreateTime.QuadPart);
}

}  // namespace

TProcessSnapshot::TProcessSnapshot()
{
    EnablePrivilege("SeDebugPrivilege");
    EnablePrivilege("SeSecurityPrivilege");
}

void TProcessSnapshot::Refresh()
{
    processes_.clear();
    if (!range_.Contains(dtProcesses)) return;
    const TWin32PathSystem paths;
    const TFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        processes_.push_back(ProcessRecord(entry, paths));
    const TNtQueryInformationProcess query = NtQueryInformationProcessEntry();
    for (TProcessInfo& info : processes_) info.CreateTime = CreationTime(info.PID, query);
}

TProcessInfo TProcessSnapshot::GetProcessInfo(int index) const
{
    return index >= 0 && index < ProcessCount() ? processes_[static_cast<std::size_t>(index)] : TProcessInfo();
}
