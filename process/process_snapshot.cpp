#include "process/process_snapshot.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

#include "common/code_page.h"
#include "common/handle.h"
#include "common/module_export.h"
#include "common/text.h"
#include "process/process_record.h"
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

// What the system tells of a process: the process status services, the
// native query and Toolhelp's module lists.
class TWin32ProcessSource final : public TProcessSource {
public:
    explicit TWin32ProcessSource(const TWin32PathSystem& paths)
        : paths_(paths), query_(NtdllExport<TNtQueryInformationProcess>("NtQueryInformationProcess"))
    {
    }

    std::uint64_t CreationTime(std::uint32_t pid) override
    {
        const TKernelHandle process(OpenProcess(kQueryAccess, FALSE, pid));
        TKernelUserTimes times{};
        if (!process || !query_ || query_(process.Get(), kProcessTimesClass, &times, sizeof(times), nullptr) < 0)
            return 0;
        return static_cast<std::uint64_t>(times.CreateTime.QuadPart);
    }

    // A 64-bit build lists the 32-bit modules of a 32-bit process too.
    std::vector<TModuleInfo> Modules(std::uint32_t pid, const std::string& processName, std::string& imagePath) override
    {
        std::vector<TModuleInfo> modules;
        imagePath.clear();
        const TFileHandle snapshot = TakeSnapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid);
        if (!snapshot) return modules;
        // The wide entries give the paths whole: one the code page cannot
        // spell exactly is taken in its short form (see SpellablePath).
        MODULEENTRY32W entry;
        entry.dwSize = sizeof(entry);
        for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more; more = Module32NextW(snapshot.Get(), &entry)) {
            TModuleInfo module;
            module.ModuleName = ExactAnsiSpelling(FieldText(entry.szModule)).value_or("");
            module.ModulePath = NormalizeModulePath(SpellablePath(FieldText(entry.szExePath)), paths_);
            module.BaseAddress = reinterpret_cast<std::uintptr_t>(entry.modBaseAddr);
            module.ImageSize = entry.modBaseSize;
            if (!processName.empty() && UpperCaseAscii(module.ModuleName) == UpperCaseAscii(processName))
                imagePath = module.ModulePath;
            modules.push_back(std::move(module));
        }
        return modules;
    }

    // Without its native prefix.
    std::string MainModuleFileName(std::uint32_t pid) override
    {
        const TKernelHandle process(OpenProcess(kQueryAccess, FALSE, pid));
        if (!process) return "";
        wchar_t buffer[MAX_PATH];
        const DWORD length = GetModuleFileNameExW(process.Get(), nullptr, buffer, MAX_PATH);
        return RemoveNativePrefix(SpellablePath(std::wstring(buffer, std::min<DWORD>(length, MAX_PATH))));
    }

private:
    const TWin32PathSystem& paths_;
    const TNtQueryInformationProcess query_;
};

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
    TWin32ProcessSource source(paths);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        // A name the code page cannot spell exactly is left empty: a
        // look-alike spelling would lead the search by name to another file.
        const std::string exeName = ExactAnsiSpelling(FieldText(entry.szExeFile)).value_or("");
        processes_.push_back(BuildProcessRecord(entry.th32ProcessID, exeName, source, paths));
    }
}

TProcessInfo TProcessSnapshot::GetProcessInfo(int index) const
{
    return index >= 0 && index < ProcessCount() ? processes_[static_cast<std::size_t>(index)] : TProcessInfo();
}
