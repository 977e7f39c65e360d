#include "process/process_routines.h"

#include <windows.h>

#include <optional>

#include "common/handle.h"

namespace {

constexpr DWORD kPathBuffer = MAX_PATH;
constexpr WORD kFirstDosYear = 1980;
constexpr WORD kLastDosYear = 2107;

std::uint64_t FileTimeValue(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// A folder read by GetWindowsDirectoryA or GetSystemDirectoryA into a
// 260-character buffer; empty when it does not fit or the call fails.
template <typename TRead>
std::string ReadFolder(TRead read)
{
    char buffer[kPathBuffer];
    const UINT length = read(buffer, kPathBuffer);
    return length > 0 && length < kPathBuffer ? std::string(buffer, length) : std::string();
}

// The length of the environment block's part that the program reads: up to
// and including its terminating empty text, at most MAX_ENVIRONMENT_WINDOW.
std::size_t EnvironmentWindowLength(const char* block)
{
    std::size_t length = 0;
    while (length < MAX_ENVIRONMENT_WINDOW) {
        const char c = block[length++];
        if (c == '\0' && (length == 1 || block[length - 2] == '\0')) break;
    }
    return length;
}

BOOL CALLBACK PostCloseToWindowOf(HWND window, LPARAM pid)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(pid)) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

bool WasCreatedAt(HANDLE process, std::uint64_t createTime)
{
    FILETIME creation, exit, kernel, user;
    return GetProcessTimes(process, &creation, &exit, &kernel, &user) && FileTimeValue(creation) == createTime;
}

// Both forms of CloseAndTerminateProcess; without a creation time the
// process is opened with SYNCHRONIZE | PROCESS_TERMINATE alone.
unsigned EndProcess(std::uint32_t pid, std::optional<std::uint64_t> createTime, std::int32_t timeout)
{
    if (pid == GetCurrentProcessId()) return TERMINATION_NOTHING_DONE;
    const DWORD access = SYNCHRONIZE | PROCESS_TERMINATE | (createTime ? PROCESS_QUERY_LIMITED_INFORMATION : 0);
    const TKernelHandle process(OpenProcess(access, FALSE, pid));
    if (!process || process.Get() == INVALID_HANDLE_VALUE) return TERMINATION_NOTHING_DONE;
    // The open handle keeps the id from going to another process until the
    // function returns, so the windows found below belong to this one.
    if (createTime && !WasCreatedAt(process.Get(), *createTime)) return TERMINATION_NOTHING_DONE;
    if (timeout >= 0) {
        // Posted, never sent: a hung window cannot block the call.
        EnumWindows(PostCloseToWindowOf, static_cast<LPARAM>(pid));
        if (WaitForSingleObject(process.Get(), static_cast<DWORD>(timeout)) == WAIT_OBJECT_0) return TERMINATION_CLOSED;
    }
    return TerminateProcess(process.Get(), 0) ? TERMINATION_FORCED : TERMINATION_NOTHING_DONE;
}

}  // namespace

bool TWin32PathSystem::IsExistingFile(const std::string& path) const
{
    WIN32_FIND_DATAA found;
    const TFindHandle search(FindFirstFileA(path.c_str(), &found));
    if (!search || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    FILETIME local;
    SYSTEMTIME date;
    return FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &date) &&
           date.wYear >= kFirstDosYear && date.wYear <= kLastDosYear;
}

std::vector<std::string> TWin32PathSystem::EnvironmentList() const { return GetEnvironmentList(); }

std::string TWin32PathSystem::WindowsSearchPath() const { return GetWindowsSearchPath(); }

std::string TWin32PathSystem::FullPathName(const std::string& path) const
{
    char buffer[kPathBuffer];
    const DWORD length = GetFullPathNameA(path.c_str(), kPathBuffer, buffer, nullptr);
    return length > 0 && length < kPathBuffer ? std::string(buffer, length) : std::string();
}

bool TWin32PathSystem::IsLeadByte(char c) const { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

std::vector<std::string> GetEnvironmentList()
{
    const TEnvironmentBlock block(GetEnvironmentStringsA());
    if (!block) return {};
    return ParseEnvironmentBlock(std::string_view(block.Get(), EnvironmentWindowLength(block.Get())));
}

std::string GetWindowsSearchPath()
{
    return ReadFolder(GetWindowsDirectoryA) + ";" + ReadFolder(GetSystemDirectoryA) + ";";
}

std::string NormalizeModulePath(const std::string& path)
{
    return NormalizeModulePath(path, TWin32PathSystem());
}

bool EnablePrivilege(const std::string& name)
{
    HANDLE opened = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &opened)) {
        const TKernelHandle token(opened);
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueA(nullptr, name.c_str(), &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
    }
    // AdjustTokenPrivileges reports ERROR_NOT_ALL_ASSIGNED for a privilege
    // that the token does not hold, and success only when it was enabled.
    return GetLastError() == ERROR_SUCCESS;
}

unsigned CloseAndTerminateProcess(std::uint32_t pid, std::int32_t timeout)
{
    return EndProcess(pid, std::nullopt, timeout);
}

unsigned CloseAndTerminateProcess(std::uint32_t pid, std::uint64_t createTime, std::int32_t timeout)
{
    return EndProcess(pid, createTime, timeout);
}
