// The quarantine: encoded copies of the files the program deletes, kept so
// that a deletion can be undone. Portable: the entries live in a store, a
// protected folder on Windows (win32_quarantine_store.h), memory in tests.
//
// Every entry carries a MAC made with the store's secret; one that does not
// pass it is neither listed nor loaded.
//
//   TQuarantine quarantine(store, random);
//   TKeptCopy kept = quarantine.Keep(record, readContent);  // before the deletion
//   for (const TQuarantineEntry& e : quarantine.List().Entries) ...
//   TLoadedEntry loaded = quarantine.Load(id);  // to put the file back
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quarantine/kept_copy.h"
#include "quarantine/quarantine_entry.h"

// The entries together take at most this much; the oldest go first.
constexpr std::uint64_t MAX_QUARANTINE_SIZE = std::uint64_t{512} << 20;

// An id is 16 upper-case hex digits; its entry's file name adds this suffix,
// which none of the walk's extensions can be found in.
constexpr std::size_t QUARANTINE_ID_LENGTH = 16;
extern const char* const QUARANTINE_ENTRY_SUFFIX;

bool IsQuarantineId(std::string_view text);
std::string QuarantineIdText(std::uint64_t value);
std::string EntryFileName(const std::string& id);
// The id that name, a file name of the store's folder, holds; nothing when
// it is not an entry's name.
std::optional<std::string> IdOfEntryFileName(std::string_view name);

// An entry as the store lists it, without reading it.
struct TStoredEntry {
    std::string Id;
    std::uint64_t Size = 0;       // bytes the entry takes
    std::uint64_t WriteTime = 0;  // when it was written: the order of age
};

// The entries to drop, oldest first, so that the rest take at most
// MAX_QUARANTINE_SIZE; kept (the entry just written) is never one of them.
std::vector<std::string> EntriesToDrop(std::vector<TStoredEntry> entries, const std::string& kept);

class TQuarantineStore {
public:
    enum class TCreateResult { Written, IdTaken, Failed };
    virtual ~TQuarantineStore() = default;
    // Every entry; none when they cannot be listed.
    virtual std::vector<TStoredEntry> List() = 0;
    // Writes head then content as the new entry id, never over another one.
    virtual TCreateResult Create(const std::string& id, std::span<const std::uint8_t> head,
                                 std::span<const std::uint8_t> content) = 0;
    // Up to maxCount bytes from the start of entry id, fileSize getting its
    // whole size; nothing when it cannot be read.
    virtual std::optional<std::vector<std::uint8_t>> Read(const std::string& id, std::uint64_t maxCount,
                                                          std::uint64_t& fileSize) = 0;
    virtual bool Remove(const std::string& id) = 0;
    // The secret that authenticates the entries; nothing when there is none
    // that can be trusted: nothing is then kept, listed or loaded.
    virtual std::optional<TQuarantineSecret> Secret() = 0;
};

// An entry that passed its MAC.
struct TQuarantineEntry {
    std::string Id;
    TQuarantineRecord Record;
    bool operator==(const TQuarantineEntry&) const = default;
};

struct TQuarantineList {
    std::vector<TQuarantineEntry> Entries;  // oldest first
    std::size_t Refused = 0;  // entry files that are damaged, not the program's, or of another format
};

enum class TLoadStatus {
    Loaded,
    Missing,
    Damaged,      // damaged, not made with the secret, or of another format
    Unavailable,  // no secret to check it with
};
struct TLoadedEntry {
    TLoadStatus Status = TLoadStatus::Missing;
    TDecodedEntry Entry;  // when Loaded: the record and the original bytes, MD5 checked
};

class TQuarantine {
public:
    // random gives the entries' keys and ids.
    TQuarantine(TQuarantineStore& store, std::function<std::uint64_t()> random)
        : store_(store), random_(std::move(random))
    {
    }

    // Keeps a copy of the file that record describes (path, name, size, date,
    // attributes; the digest is computed here). readContent fills the span
    // it is given, record.Size bytes, with the file's bytes; it is not called
    // for a file above MAX_QUARANTINED_FILE_SIZE. Then drops the oldest
    // entries above MAX_QUARANTINE_SIZE.
    TKeptCopy Keep(TQuarantineRecord record, const std::function<bool(std::span<std::uint8_t>)>& readContent);
    // Every entry that passes its MAC, oldest first, and how many did not;
    // each entry is read whole.
    TQuarantineList List();
    std::vector<TQuarantineEntry> Entries() { return List().Entries; }
    TLoadedEntry Load(const std::string& id);
    bool Remove(const std::string& id);

private:
    std::string WriteEntry(std::span<const std::uint8_t> head, std::span<const std::uint8_t> content);
    void DropOldest(const std::string& kept);

    TQuarantineStore& store_;
    std::function<std::uint64_t()> random_;
};

// The folders that a restore to path goes through, below its drive's root,
// outermost first ("C:\a", "C:\a\b" for "C:\a\b\x.exe"); nothing when path
// is not a plain "X:\...\name" path whose every name the system takes as it
// is: no empty, "." or ".." name, none ending with a dot or a space, no
// reserved character (":" of a stream, "/", "?"...), no control character, and
// no device name (NUL, CON, PRN, AUX, COM1-9, LPT1-9, with an extension or
// not, in any letter case). So "\\?\", "\\.\", UNC and relative paths are
// refused.
std::optional<std::vector<std::string>> FoldersOfRestorablePath(std::string_view path);

// The list of entries for the report: Windows-1252 lines ending with CRLF,
// a count, then one tab-separated line per entry: id, date (UTC), size, MD5,
// signature, original path, attributes (R, H, S, A), each field kept to its
// line (a control character in it written "?"); then the count of refused
// entry files, when there are any.
std::string QuarantineListText(const TQuarantineList& list);
