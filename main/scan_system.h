// The scan run's system on Windows: the process snapshot, the ending of a
// process, the removal of a file and the folders of the system drive.
#pragma once

#include "main/scan_run.h"

class TWin32ScanSystem final : public TScanSystem {
public:
    std::vector<TProcessInfo> TakeProcessSnapshot() override;
    // CloseAndTerminateProcess with the run's time-out.
    void EndProcess(std::uint32_t pid, std::uint64_t createTime) override;
    bool DeleteInfectedFile(const std::string& path) override;
    // The first letter of the Windows folder; "C" when it cannot be read.
    char GetSystemDrive() override;
    // Every kind of entry of "*.*": read-only, hidden, system, volume label,
    // folder, archive. A name the ANSI code page cannot spell comes back with
    // "?" in it and could never be opened; its short name stands for it when
    // the volume has one.
    void ForEachFolderEntry(const std::string& folder, const std::function<bool(const TFolderEntry&)>& onEntry) override;
    // The volume serial number and file index of the folder.
    std::optional<TFolderIdentity> FolderIdentity(const std::string& folder) override;
};
