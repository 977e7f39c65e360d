// The scan run's system on Windows: the process snapshot, the ending of a
// process, the files of the system drive, their checks and their removal.
#pragma once

#include <cstdint>
#include <string>

#include "main/scan_system.h"

class TWin32Quarantine;

// How long a process gets to close its windows before it is terminated.
constexpr std::int32_t TERMINATION_TIMEOUT_MS = 3000;

class TWin32ScanSystem final : public TScanSystem {
public:
    // quarantine, when given, keeps a copy of each file before its deletion.
    explicit TWin32ScanSystem(TWin32Quarantine* quarantine = nullptr);

    std::vector<TProcessInfo> TakeProcessSnapshot() override;
    // CloseAndTerminateProcess with the run's time-out.
    void EndProcess(std::uint32_t pid, std::uint64_t createTime) override;

    // Read access, read sharing alone: while the checks read the file nobody
    // can rewrite it or rename it (nor, on NTFS, rename the folders above
    // it). A file that others hold open for writing is opened for its
    // attributes alone; the identity then tells a change.
    std::unique_ptr<TCheckedObject> OpenForCheck(const std::string& path) override;
    std::optional<TFileStamp> StampAt(const std::string& path) override;
    // The copy is read through the deletion's handle; one kept for a file
    // that then was not deleted is dropped again.
    TRemoval DeleteInfectedFile(const std::string& path, const TFileIdentity& checked,
                                const std::string& malwareName) override;

    // The first letter of the Windows folder; "C" when it cannot be read.
    char GetSystemDrive() override;
    // Every kind of entry of "*.*": read-only, hidden, system, volume label,
    // folder, archive, listed in UTF-16 and spelled exactly (see
    // TFolderEntry). For a 32-bit program on 64-bit Windows the Windows
    // folder's "System32", which the system would silently turn into
    // SysWOW64, is given as "Sysnative", the name that reaches it.
    void ForEachFolderEntry(const std::string& folder, const std::optional<TFileId>& folderId,
                            const std::function<bool(const TFolderEntry&)>& onEntry) override;
    std::optional<TFileId> FolderId(const std::string& folder) override;

    bool MissesModulesOf64BitProcesses() override { return wow64_; }

private:
    TWin32Quarantine* quarantine_;
    bool wow64_;
    std::string windowsFolder_;  // upper-cased on a to z, with its trailing "\"; empty when unknown
};
