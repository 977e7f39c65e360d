// The program's quarantine on Windows: the copy kept through the deletion's
// own handle, the list of entries, and the restore of one.
//
//   TWin32Quarantine quarantine;                      // %ProgramData%\Purvane\Quarantaine
//   TWin32ScanSystem system(&quarantine);             // keeps a copy before each deletion
//   report += QuarantineListText(quarantine.List());          // /quarantaine
//   const TRestoreResult r = quarantine.Restore(id);          // /restaurer:ID
#pragma once

#include <string>
#include <vector>

#include "quarantine/quarantine.h"
#include "quarantine/win32_quarantine_store.h"

struct TRestoreResult {
    bool Restored = false;
    // For the report, in French (Windows-1252): where the file went back,
    // or why it did not.
    std::string Text;
};

class TWin32Quarantine {
public:
    // In %ProgramData%\Purvane\Quarantaine.
    TWin32Quarantine();
    // In base\Purvane\Quarantaine.
    explicit TWin32Quarantine(std::wstring base, std::wstring secretKey = QUARANTINE_SECRET_KEY);

    // Keeps a copy of the file open as file, the deletion's handle once it
    // was found to be the checked file; path and malwareName go in its
    // record. Failed when the handle cannot read (it lacks read access).
    TKeptCopy Keep(void* file, const std::string& path, const std::string& malwareName);
    // Every entry that passes its MAC, oldest first, and how many did not.
    TQuarantineList List() { return quarantine_.List(); }
    std::vector<TQuarantineEntry> Entries() { return quarantine_.Entries(); }
    // Puts the file of entry id back at its original path, byte for byte
    // (its MD5 checked) with its attributes, then removes the entry. Refused
    // when a file is there already (nothing is overwritten), when a folder
    // on the path is missing or is now a link, when the path is not a plain
    // drive path (a device name, a stream, "..": see FoldersOfRestorablePath),
    // or when the entry is missing, damaged or not the program's; the entry
    // then stays. The 32-bit build writes System32's files through Sysnative.
    TRestoreResult Restore(const std::string& id);
    bool Remove(const std::string& id) { return quarantine_.Remove(id); }

    // Where the entries are, ending with "\".
    std::wstring FolderPath() const { return store_.FolderPath(); }

private:
    TWin32QuarantineStore store_;
    TQuarantine quarantine_;
};
