#include "main/win32_scan_system.h"

#include "common/code_page.h"
#include "common/handle.h"
#include "common/text.h"
#include "process/file_removal.h"
#include "process/process_routines.h"

namespace {

// The attribute with which a find reports a volume label.
constexpr DWORD kVolumeLabelAttribute = 0x00000008;
constexpr DWORD kWindowsFolderBufferSize = 512;

class TWin32CheckedObject final : public TCheckedObject {
public:
    TWin32CheckedObject(TFileHandle handle, const TFileIdentity& identity)
        : handle_(std::move(handle)), identity_(identity)
    {
    }
    TFileIdentity Identity() const override { return identity_; }

private:
    TFileHandle handle_;
    TFileIdentity identity_;
};

TFileHandle OpenExisting(const std::string& path, DWORD access, DWORD sharing)
{
    return TFileHandle(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string WindowsFolder()
{
    char folder[kWindowsFolderBufferSize];
    const UINT length = GetWindowsDirectoryA(folder, kWindowsFolderBufferSize);
    return length == 0 || length >= kWindowsFolderBufferSize ? std::string() : std::string(folder, length);
}

bool RunsUnderWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// An entry as the run sees it: its long name when the code page spells it
// exactly, else its short name, else neither.
TFolderEntry EntryOf(const WIN32_FIND_DATAW& found)
{
    TFolderEntry entry;
    entry.IsFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.IsVolumeLabel = (found.dwFileAttributes & kVolumeLabelAttribute) != 0;
    std::optional<std::string> name = ExactAnsiSpelling(found.cFileName);
    if (!name && found.cAlternateFileName[0] != L'\0') name = ExactAnsiSpelling(found.cAlternateFileName);
    if (name) entry.Name = std::move(*name);
    else entry.NameUnspellable = true;
    return entry;
}

} // namespace

TWin32ScanSystem::TWin32ScanSystem() : wow64_(RunsUnderWow64())
{
    const std::string folder = WindowsFolder();
    if (!folder.empty()) windowsFolder_ = UpperCaseAscii(folder.back() == '\\' ? folder : folder + '\\');
}

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

std::unique_ptr<TCheckedObject> TWin32ScanSystem::OpenForCheck(const std::string& path)
{
    TFileHandle file = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ);
    if (!file) file = OpenExisting(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!file) return nullptr;
    const std::optional<TFileIdentity> identity = IdentityOf(file.Get());
    if (!identity) return nullptr;
    return std::make_unique<TWin32CheckedObject>(std::move(file), *identity);
}

std::optional<TFileIdentity> TWin32ScanSystem::IdentityAt(const std::string& path) { return ::IdentityAt(path); }

TRemoval TWin32ScanSystem::DeleteInfectedFile(const std::string& path, const TFileIdentity& checked,
                                              const std::string&)
{
    TRemoval removal;
    removal.Deleted = ::DeleteInfectedFile(path, checked);
    return removal;
}

char TWin32ScanSystem::GetSystemDrive()
{
    const std::string folder = WindowsFolder();
    return folder.empty() ? 'C' : folder[0];
}

void TWin32ScanSystem::ForEachFolderEntry(const std::string& folder,
                                          const std::function<bool(const TFolderEntry&)>& onEntry)
{
    WIN32_FIND_DATAW found;
    const TFindHandle find(FindFirstFileW((WideFromAnsi(folder) + L"*.*").c_str(), &found));
    if (!find) return;
    const bool inWindowsFolder = wow64_ && UpperCaseAscii(folder) == windowsFolder_;
    do {
        TFolderEntry entry = EntryOf(found);
        if (inWindowsFolder && entry.IsFolder && UpperCaseAscii(entry.Name) == "SYSTEM32") entry.Name = "Sysnative";
        if (!onEntry(entry)) return;
    } while (FindNextFileW(find.Get(), &found));
}

std::optional<TFileId> TWin32ScanSystem::FolderId(const std::string& folder)
{
    const std::optional<TFileIdentity> identity = ::IdentityAt(folder);
    if (!identity) return std::nullopt;
    return identity->Id;
}
