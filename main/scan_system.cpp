#include "main/scan_system.h"

#include "common/handle.h"
#include "process/file_removal.h"
#include "process/process_routines.h"

namespace {

// The attribute with which a find reports a volume label.
constexpr DWORD kVolumeLabelAttribute = 0x00000008;
constexpr DWORD kWindowsFolderBufferSize = 512;

// The name to use for a found entry: its short name when the long one holds
// a "?", which no file name has, so the code page could not spell it.
std::string SpelledName(const WIN32_FIND_DATAA& found)
{
    const std::string name = found.cFileName;
    if (name.find('?') != std::string::npos && found.cAlternateFileName[0] != '\0') return found.cAlternateFileName;
    return name;
}

} // namespace

std::vector<TProcessInfo> TWin32ScanSystem::TakeProcessSnapshot()
{
    TProcessSnapshot snapshot;
    snapshot.SetDetectionRange({dtProcesses});
    snapshot.Refresh();
    std::vector<TProcessInfo> processes;
    processes.reserve(static_cast<std::size_t>(snapshot.ProcessCount()));
    for (int i = 0; i < snapshot.ProcessCount(); ++i) processes.push_back(snapshot.GetProcessInfo(i));
    return processes;
}

void TWin32ScanSystem::EndProcess(std::uint32_t pid, std::uint64_t createTime)
{
    CloseAndTerminateProcess(pid, createTime, TERMINATION_TIMEOUT_MS);
}

bool TWin32ScanSystem::DeleteInfectedFile(const std::string& path) { return ::DeleteInfectedFile(path); }

char TWin32ScanSystem::GetSystemDrive()
{
    char folder[kWindowsFolderBufferSize];
    const UINT length = GetWindowsDirectoryA(folder, kWindowsFolderBufferSize);
    return length == 0 || length >= kWindowsFolderBufferSize ? 'C' : folder[0];
}

void TWin32ScanSystem::ForEachFolderEntry(const std::string& folder,
                                          const std::function<bool(const TFolderEntry&)>& onEntry)
{
    WIN32_FIND_DATAA found;
    const TFindHandle find(FindFirstFileA((folder + "*.*").c_str(), &found));
    if (!find) return;
    do {
        const TFolderEntry entry{SpelledName(found), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                                 (found.dwFileAttributes & kVolumeLabelAttribute) != 0};
        if (!onEntry(entry)) return;
    } while (FindNextFileA(find.Get(), &found));
}

std::optional<TFolderIdentity> TWin32ScanSystem::FolderIdentity(const std::string& folder)
{
    // Opening a folder needs the backup flag; no access right is asked for.
    const TFileHandle handle(CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !GetFileInformationByHandle(handle.Get(), &info)) return std::nullopt;
    return TFolderIdentity{info.dwVolumeSerialNumber,
                           (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}
