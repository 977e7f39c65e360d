// The quarantine's folder on Windows, BASE\Purvane\Quarantaine, BASE being
// %ProgramData% for the program, as the store of its entries.
//
// Users may create folders under ProgramData, so a worm can make Purvane or
// Quarantaine before the program does, or put a link there. So each level is
// created with the Administrators as owner and a protected DACL that grants
// the Administrators and SYSTEM alone; one that exists already is opened
// without following a link (a link is refused), and its owner and DACL are
// set again through that handle. A Quarantaine that others could write into
// is emptied of its files: nothing planted there passes for an entry. Both
// folders stay open, without delete sharing, while the store lives: neither
// can be renamed or replaced under it. Entries are written with CREATE_NEW.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/owned_handle.h"
#include "quarantine/quarantine.h"

// %ProgramData% as the system names it; empty when it does not.
std::wstring ProgramDataFolder();

// The folder at path with access (the rights of a CreateFile call), opened
// without following a link at its end and held without delete sharing: it
// can be neither renamed nor replaced while the handle lives. Empty unless a
// folder is there; isLink then tells whether a link is.
TFileHandle HoldFolder(const std::wstring& path, std::uint32_t access, bool& isLink);

class TWin32QuarantineStore final : public TQuarantineStore {
public:
    // Nothing is created or opened before the first call. An empty base
    // gives a store in which nothing can be kept.
    explicit TWin32QuarantineStore(std::wstring base);
    ~TWin32QuarantineStore() override;

    std::vector<TStoredEntry> List() override;
    TCreateResult Create(const std::string& id, std::span<const std::uint8_t> head,
                         std::span<const std::uint8_t> content) override;
    std::optional<std::vector<std::uint8_t>> Read(const std::string& id, std::uint64_t maxCount,
                                                  std::uint64_t& fileSize) override;
    bool Remove(const std::string& id) override;

    // BASE\Purvane\Quarantaine\, where the entries are.
    std::wstring FolderPath() const;

private:
    struct THeldFolders;
    // The folders, taken back and held; null when they cannot be.
    const THeldFolders* Folders();
    std::wstring EntryPath(const std::string& id) const;

    std::wstring base_;
    std::unique_ptr<THeldFolders> held_;
};
