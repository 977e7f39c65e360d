#include "main/win32_scan_system.h"

#include <algorithm>
#include <cstddef>
#include <memory>

#include "common/code_page.h"
#include "common/handle.h"
#include "common/system_folders.h"
#include "common/text.h"
#include "process/file_removal.h"
#include "process/process_routines.h"
#include "quarantine/win32_quarantine.h"

namespace {

// The attribute with which a find reports a volume label.
constexpr DWORD kVolumeLabelAttribute = 0x00000008;

// The folder listing's buffer: many entries for each call to the system.
constexpr std::size_t kListingBufferSize = 64 * 1024;

class TWin32CheckedObject final : public TCheckedObject {
public:
    TWin32CheckedObject(TFileHandle handle, const TFileStamp& stamp) : handle_(std::move(handle)), stamp_(stamp) {}
    TFileStamp Stamp() const override { return stamp_; }
    std::optional<TFileIdentity> Identity() const override { return IdentityOf(handle_.Get()); }

private:
    TFileHandle handle_;
    TFileStamp stamp_;
};

TFileHandle OpenExisting(const std::string& path, DWORD access, DWORD sharing)
{
    return TFileHandle(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
}

// An entry as the run sees it: its long name when the code page spells it
// exactly, else its short name, else neither; a folder that is no link gets
// its id on the volume of its parent, whose id is folderId.
TFolderEntry EntryOf(const FILE_ID_BOTH_DIR_INFO& found, std::wstring_view name,
                     const std::optional<TFileId>& folderId)
{
    TFolderEntry entry;
    const DWORD attributes = found.FileAttributes;
    entry.IsFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.IsVolumeLabel = (attributes & kVolumeLabelAttribute) != 0;
    const std::wstring_view shortName(found.ShortName, std::min<std::size_t>(found.ShortNameLength / sizeof(WCHAR),
                                                                             std::size(found.ShortName)));
    std::optional<std::string> spelled = ExactAnsiSpelling(name);
    if (!spelled && !shortName.empty()) spelled = ExactAnsiSpelling(shortName);
    if (spelled) entry.Name = std::move(*spelled);
    else entry.NameUnspellable = true;
    if (entry.IsFolder && folderId && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        entry.Id = TFileId{folderId->VolumeSerial, static_cast<std::uint64_t>(found.FileId.QuadPart)};
    return entry;
}

// Calls onEntry with each entry of a listing block that the system filled,
// as long as it returns true; false when it stopped.
template <typename TOnEntry>
bool ForEachListedEntry(const std::uint8_t* block, std::size_t size, TOnEntry onEntry)
{
    constexpr std::size_t kNameOffset = offsetof(FILE_ID_BOTH_DIR_INFO, FileName);
    for (std::size_t at = 0;;) {
        if (kNameOffset > size || at > size - kNameOffset) return true;
        const auto& found = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(block + at);
        if (found.FileNameLength > size - at - kNameOffset) return true;
        if (!onEntry(found, std::wstring_view(found.FileName, found.FileNameLength / sizeof(WCHAR)))) return false;
        if (found.NextEntryOffset == 0) return true;
        at += found.NextEntryOffset;
    }
}

} // namespace

TWin32ScanSystem::TWin32ScanSystem(TWin32Quarantine* quarantine) : quarantine_(quarantine), wow64_(RunsUnderWow64())
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
    const std::optional<TFileStamp> stamp = StampOf(file.Get());
    if (!stamp) return nullptr;
    return std::make_unique<TWin32CheckedObject>(std::move(file), *stamp);
}

std::optional<TFileStamp> TWin32ScanSystem::StampAt(const std::string& path) { return ::StampAt(path); }

TRemoval TWin32ScanSystem::DeleteInfectedFile(const std::string& path, const TFileIdentity& checked,
                                              const std::string& malwareName)
{
    TKeptCopy copy;
    TBeforeDeletion keepCopy;
    if (quarantine_) keepCopy = [&](void* file) { copy = quarantine_->Keep(file, path, malwareName); };
    TRemoval removal;
    removal.Deleted = ::DeleteInfectedFile(path, checked, keepCopy);
    if (removal.Deleted) {
        removal.Copy = copy.Outcome;
        removal.QuarantineId = std::move(copy.Id);
    } else if (copy.Outcome == TCopyOutcome::Kept) {
        quarantine_->Remove(copy.Id);
    }
    return removal;
}

char TWin32ScanSystem::GetSystemDrive()
{
    const std::string folder = WindowsFolder();
    return folder.empty() ? 'C' : folder[0];
}

// The folder is listed through one handle, a block of entries at a time,
// each with its id, so that the walk needs no other open to know where a
// folder is.
void TWin32ScanSystem::ForEachFolderEntry(const std::string& folder, const std::optional<TFileId>& folderId,
                                          const std::function<bool(const TFolderEntry&)>& onEntry)
{
    const TFileHandle listed(CreateFileW(WideFromAnsi(folder).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!listed) return;
    const auto block = std::make_unique<std::uint64_t[]>(kListingBufferSize / sizeof(std::uint64_t));  // aligned
    const auto bytes = reinterpret_cast<std::uint8_t*>(block.get());
    while (GetFileInformationByHandleEx(listed.Get(), FileIdBothDirectoryInfo, bytes, kListingBufferSize)) {
        const bool goOn = ForEachListedEntry(bytes, kListingBufferSize, [&](const FILE_ID_BOTH_DIR_INFO& found,
                                                                            std::wstring_view name) {
            TFolderEntry entry = EntryOf(found, name, folderId);
            if (wow64_ && entry.IsFolder && IsSystemFolderEntry(folder, entry.Name, windowsFolder_))
                entry.Name = SYSNATIVE_NAME;
            return onEntry(entry);
        });
        if (!goOn) return;
    }
}

std::optional<TFileId> TWin32ScanSystem::FolderId(const std::string& folder)
{
    const std::optional<TFileIdentity> identity = ::IdentityAt(folder);
    if (!identity) return std::nullopt;
    return identity->Id;
}
