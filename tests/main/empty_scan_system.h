// A system without processes and with an empty drive: a run over it
// touches nothing real.
#pragma once

#include "main/scan_system.h"

class TEmptySystem : public TScanSystem {
public:
    std::vector<TProcessInfo> TakeProcessSnapshot() override { return {}; }
    void EndProcess(std::uint32_t, std::uint64_t) override {}
    std::unique_ptr<TCheckedObject> OpenForCheck(const std::string&) override { return nullptr; }
    std::optional<TFileStamp> StampAt(const std::string&) override { return std::nullopt; }
    TRemoval DeleteInfectedFile(const std::string&, const TFileIdentity&, const std::string&) override { return {}; }
    char GetSystemDrive() override { return 'C'; }
    void ForEachFolderEntry(const std::string&, const std::optional<TFileId>&,
                            const std::function<bool(const TFolderEntry&)>&) override {}
    std::optional<TFileId> FolderId(const std::string&) override { return std::nullopt; }
    bool MissesModulesOf64BitProcesses() override { return false; }
};
