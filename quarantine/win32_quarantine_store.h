// The quarantine's folder on Windows, BASE\Purvane\Quarantaine, BASE being
// %ProgramData% for the program, as the store of its entries, and the
// secret that authenticates them.
//
// Users may create folders under ProgramData, so a worm can make Purvane or
// Quarantaine before the program does, or put a link or a file there. Both
// levels are protected folders (win32_protected_folder.h): trusted only
// when exactly as the program makes them, else set aside and made anew.
// Both stay open, without delete sharing, while the store lives: neither can
// be renamed or replaced under it. Entries are written with CREATE_NEW.
//
// The secret is 32 random bytes in the value CleQuarantaine of the key
// HKLM\SOFTWARE\Purvane (the 64-bit view, for both builds), made with the
// same security. A key that is not exactly so is never read: it is deleted
// and made anew with a new secret, so that entries made under the old one
// fail their MAC. A key that cannot be had leaves the store without a secret.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "common/owned_handle.h"
#include "quarantine/quarantine.h"

// %ProgramData% as the system names it; empty when it does not.
std::wstring ProgramDataFolder();

// The key under HKEY_LOCAL_MACHINE that holds the quarantine's secret.
extern const wchar_t* const QUARANTINE_SECRET_KEY;

class TWin32QuarantineStore final : public TQuarantineStore {
public:
    // Nothing is created or opened before the first call. An empty base
    // gives a store in which nothing can be kept. secretKey is the key under
    // HKEY_LOCAL_MACHINE that holds the secret.
    explicit TWin32QuarantineStore(std::wstring base, std::wstring secretKey = QUARANTINE_SECRET_KEY);
    ~TWin32QuarantineStore() override;

    std::vector<TStoredEntry> List() override;
    TCreateResult Create(const std::string& id, std::span<const std::uint8_t> head,
                         std::span<const std::uint8_t> content) override;
    std::optional<std::vector<std::uint8_t>> Read(const std::string& id, std::uint64_t maxCount,
                                                  std::uint64_t& fileSize) override;
    bool Remove(const std::string& id) override;
    std::optional<TQuarantineSecret> Secret() override;

    // BASE\Purvane\Quarantaine\, where the entries are.
    std::wstring FolderPath() const;

private:
    struct THeldFolders;
    // The folders, taken back and held; null when they cannot be.
    const THeldFolders* Folders();
    std::wstring EntryPath(const std::string& id) const;

    std::wstring base_;
    std::wstring secretKey_;
    std::unique_ptr<THeldFolders> held_;
    std::optional<TQuarantineSecret> secret_;
};
