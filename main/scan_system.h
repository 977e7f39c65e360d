// What a scan run needs of the system besides the window: the processes,
// ending one, the folders of the system drive, and the files it checks and
// deletes. The Windows adapter is TWin32ScanSystem; tests put fakes here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/file_identity.h"
#include "process/process_snapshot.h"
#include "quarantine/kept_copy.h"

// One entry of a folder listing.
struct TFolderEntry {
    // As the system spells it in the program's code page; the short (8.3)
    // name when the long one has no exact spelling there.
    std::string Name;
    bool IsFolder = false;
    bool IsVolumeLabel = false;
    // Neither name can be spelled exactly (a volume without short names):
    // Name is empty, and the entry can be neither opened nor entered.
    bool NameUnspellable = false;
    // Where a folder entry is, when the listing tells it: not for a link,
    // whose target the listing does not know, nor in a folder of unknown id.
    std::optional<TFileId> Id;
};

// What a deletion did.
struct TRemoval {
    bool Deleted = false;
    TCopyOutcome Copy = TCopyOutcome::None;
    std::string QuarantineId;
};

// A file opened for its check. While it lives it keeps the file from being
// rewritten or renamed under the checks; its stamp tells whether the path
// still names it, and its whole identity, read when a detection needs it,
// is what a deletion must find again.
class TCheckedObject {
public:
    virtual ~TCheckedObject() = default;
    virtual TFileStamp Stamp() const = 0;
    // Nothing when the system does not give it.
    virtual std::optional<TFileIdentity> Identity() const = 0;
};

class TScanSystem {
public:
    virtual ~TScanSystem() = default;
    // The running processes, restricted to processes, as one refresh lists them.
    virtual std::vector<TProcessInfo> TakeProcessSnapshot() = 0;
    // Ends the process that the snapshot saw with this id and creation time.
    virtual void EndProcess(std::uint32_t pid, std::uint64_t createTime) = 0;

    // Opens the file at path for its check; null when nothing there opens.
    virtual std::unique_ptr<TCheckedObject> OpenForCheck(const std::string& path) = 0;
    // The stamp of what path names now; nothing when it names nothing.
    virtual std::optional<TFileStamp> StampAt(const std::string& path) = 0;
    // Deletes the file at path when it is still the one checked, after
    // keeping a copy of it in the quarantine under malwareName.
    virtual TRemoval DeleteInfectedFile(const std::string& path, const TFileIdentity& checked,
                                        const std::string& malwareName) = 0;

    // The letter of the drive that holds the Windows folder ("C" when unknown).
    virtual char GetSystemDrive() = 0;
    // Calls onEntry with each entry of folder (which ends with "\") in the
    // system's order, as long as it returns true. No entry when the folder
    // cannot be listed. folderId, when known, gives the entries their ids.
    virtual void ForEachFolderEntry(const std::string& folder, const std::optional<TFileId>& folderId,
                                    const std::function<bool(const TFolderEntry&)>& onEntry) = 0;
    // Where folder is: two paths that reach one folder (a link, a junction)
    // give the same id. Nothing when it cannot be read.
    virtual std::optional<TFileId> FolderId(const std::string& folder) = 0;

    // True for a 32-bit program on 64-bit Windows, which cannot list the
    // modules of 64-bit processes.
    virtual bool MissesModulesOf64BitProcesses() = 0;
};
