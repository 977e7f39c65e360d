#include "quarantine/quarantine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>

#include "common/text.h"

const char* const QUARANTINE_ENTRY_SUFFIX = ".pvq";

namespace {

// New ids are drawn again when one is taken; a few draws are plenty.
constexpr int kIdDraws = 4;
constexpr char kHexDigits[] = "0123456789ABCDEF";

// The attributes the list shows, with Windows' values.
constexpr struct {
    std::uint32_t Bit;
    char Letter;
} kShownAttributes[] = {{0x01, 'R'}, {0x02, 'H'}, {0x04, 'S'}, {0x20, 'A'}};

// Characters that no file or folder name may hold.
constexpr std::string_view kReservedCharacters = "<>:\"/\\|?*";

bool IsHexDigit(char c) { return std::string_view(kHexDigits).find(c) != std::string_view::npos; }

// The names that open a device in any folder, with an extension or not:
// "NUL", "nul.txt", "Com1 .log". The digits include the superscripts 1, 2
// and 3 (in UTF-8), which the system takes as the digits.
bool IsDeviceName(std::string_view name)
{
    std::string base = UpperCaseAscii(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (base == device) return true;
    if (!base.starts_with("COM") && !base.starts_with("LPT")) return false;
    const std::string_view digit = std::string_view(base).substr(3);
    return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" || digit == "\xC2\xB2" ||
           digit == "\xC2\xB3";
}

bool IsPlainName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ' || IsDeviceName(name))
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || kReservedCharacters.find(c) != std::string_view::npos;
    });
}

bool IsDriveRoot(std::string_view path)
{
    const char letter = path.size() >= 3 ? path[0] : '\0';
    return ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) && path[1] == ':' && path[2] == '\\';
}

// "15/03/2024 14:25:01" for a date in 100 ns units since 1601, UTC.
std::string DateText(std::uint64_t date)
{
    using namespace std::chrono;
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    const sys_seconds time{seconds{static_cast<std::int64_t>(date / 10000000) - kSecondsFrom1601To1970}};
    const sys_days day = floor<days>(time);
    const year_month_day ymd{day};
    const hh_mm_ss hms{time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%02u/%02u/%04d %02d:%02d:%02d", static_cast<unsigned>(ymd.day()),
                  static_cast<unsigned>(ymd.month()), static_cast<int>(ymd.year()), static_cast<int>(hms.hours().count()),
                  static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count()));
    return text;
}

std::string AttributesText(std::uint32_t attributes)
{
    std::string text;
    for (const auto& shown : kShownAttributes)
        if (attributes & shown.Bit) text += shown.Letter;
    return text.empty() ? "-" : text;
}

std::string EntryLine(const TQuarantineEntry& entry)
{
    const TQuarantineRecord& r = entry.Record;
    return OneLineField(entry.Id) + '\t' + DateText(r.Date) + '\t' + std::to_string(r.Size) + '\t' +
           MD5DigestText(r.Digest) + '\t' + OneLineField(r.MalwareName) + '\t' +
           OneLineField(Utf8ToCp1252(r.OriginalPath)) + '\t' + AttributesText(r.Attributes) + "\r\n";
}

} // namespace

bool IsQuarantineId(std::string_view text)
{
    return text.size() == QUARANTINE_ID_LENGTH && std::all_of(text.begin(), text.end(), IsHexDigit);
}

std::string QuarantineIdText(std::uint64_t value)
{
    std::string id(QUARANTINE_ID_LENGTH, '0');
    for (std::size_t i = QUARANTINE_ID_LENGTH; i-- > 0; value >>= 4) id[i] = kHexDigits[value & 0xF];
    return id;
}

std::string EntryFileName(const std::string& id) { return id + QUARANTINE_ENTRY_SUFFIX; }

std::optional<std::string> IdOfEntryFileName(std::string_view name)
{
    const std::string_view suffix = QUARANTINE_ENTRY_SUFFIX;
    if (name.size() != QUARANTINE_ID_LENGTH + suffix.size() || !name.ends_with(suffix)) return std::nullopt;
    const std::string_view id = name.substr(0, QUARANTINE_ID_LENGTH);
    if (!IsQuarantineId(id)) return std::nullopt;
    return std::string(id);
}

std::vector<std::string> EntriesToDrop(std::vector<TStoredEntry> entries, const std::string& kept)
{
    std::sort(entries.begin(), entries.end(), [](const TStoredEntry& a, const TStoredEntry& b) {
        return a.WriteTime != b.WriteTime ? a.WriteTime < b.WriteTime : a.Id < b.Id;
    });
    std::uint64_t total = 0;
    for (const TStoredEntry& e : entries) total += e.Size;
    std::vector<std::string> dropped;
    for (const TStoredEntry& e : entries) {
        if (total <= MAX_QUARANTINE_SIZE) break;
        if (e.Id == kept) continue;
        dropped.push_back(e.Id);
        total -= e.Size;
    }
    return dropped;
}

TKeptCopy TQuarantine::Keep(TQuarantineRecord record, const std::function<bool(std::span<std::uint8_t>)>& readContent)
{
    if (record.Size > MAX_QUARANTINED_FILE_SIZE) return {TCopyOutcome::TooLarge, {}};
    if (!IsStorableRecord(record)) return {TCopyOutcome::Failed, {}};
    std::vector<std::uint8_t> content;
    try {
        content.resize(static_cast<std::size_t>(record.Size));
    } catch (const std::bad_alloc&) {
        return {TCopyOutcome::Failed, {}};
    }
    const std::optional<TQuarantineSecret> secret = store_.Secret();
    if (!secret || !readContent(content)) return {TCopyOutcome::Failed, {}};
    record.Digest = MD5Digest(content.data(), content.size());
    const std::vector<std::uint8_t> head = EncodeEntry(record, random_(), *secret, content);
    std::string id = WriteEntry(head, content);
    if (id.empty()) return {TCopyOutcome::Failed, {}};
    DropOldest(id);
    return {TCopyOutcome::Kept, std::move(id)};
}

std::string TQuarantine::WriteEntry(std::span<const std::uint8_t> head, std::span<const std::uint8_t> content)
{
    for (int draw = 0; draw < kIdDraws; ++draw) {
        std::string id = QuarantineIdText(random_());
        switch (store_.Create(id, head, content)) {
        case TQuarantineStore::TCreateResult::Written: return id;
        case TQuarantineStore::TCreateResult::IdTaken: continue;
        case TQuarantineStore::TCreateResult::Failed: return {};
        }
    }
    return {};
}

void TQuarantine::DropOldest(const std::string& kept)
{
    for (const std::string& id : EntriesToDrop(store_.List(), kept)) store_.Remove(id);
}

TQuarantineList TQuarantine::List()
{
    TQuarantineList list;
    for (const TStoredEntry& stored : store_.List()) {
        TLoadedEntry loaded = Load(stored.Id);
        if (loaded.Status == TLoadStatus::Loaded) list.Entries.push_back({stored.Id, std::move(loaded.Entry.Record)});
        else ++list.Refused;
    }
    std::sort(list.Entries.begin(), list.Entries.end(), [](const TQuarantineEntry& a, const TQuarantineEntry& b) {
        return a.Record.Date != b.Record.Date ? a.Record.Date < b.Record.Date : a.Id < b.Id;
    });
    return list;
}

TLoadedEntry TQuarantine::Load(const std::string& id)
{
    std::uint64_t fileSize = 0;
    std::optional<std::vector<std::uint8_t>> bytes;
    if (IsQuarantineId(id)) {
        try {
            bytes = store_.Read(id, MAX_ENTRY_SIZE, fileSize);
        } catch (const std::bad_alloc&) {
            return {TLoadStatus::Damaged, {}};
        }
    }
    if (!bytes) return {TLoadStatus::Missing, {}};
    const std::optional<TQuarantineSecret> secret = store_.Secret();
    if (!secret) return {TLoadStatus::Unavailable, {}};
    // A file longer than any entry was read in part: it is no entry.
    if (bytes->size() != fileSize) return {TLoadStatus::Damaged, {}};
    std::optional<TDecodedEntry> decoded = DecodeEntry(std::move(*bytes), *secret);
    if (!decoded) return {TLoadStatus::Damaged, {}};
    return {TLoadStatus::Loaded, std::move(*decoded)};
}

bool TQuarantine::Remove(const std::string& id) { return IsQuarantineId(id) && store_.Remove(id); }

std::optional<std::vector<std::string>> FoldersOfRestorablePath(std::string_view path)
{
    if (!IsDriveRoot(path)) return std::nullopt;
    std::vector<std::string> folders;
    std::size_t start = 3;
    for (std::size_t end; (end = path.find('\\', start)) != std::string_view::npos; start = end + 1) {
        if (!IsPlainName(path.substr(start, end - start))) return std::nullopt;
        folders.emplace_back(path.substr(0, end));
    }
    if (!IsPlainName(path.substr(start))) return std::nullopt;
    return folders;
}

std::string QuarantineListText(const TQuarantineList& list)
{
    const std::vector<TQuarantineEntry>& entries = list.Entries;
    std::string text;
    if (entries.empty()) {
        text = "Quarantaine : aucune entr\xE9" "e.\r\n";
    } else {
        text = "Quarantaine : " + std::to_string(entries.size()) +
               (entries.size() == 1 ? " entr\xE9" "e.\r\n" : " entr\xE9" "es.\r\n");
        text += "identifiant\tdate (UTC)\ttaille\tMD5\tsignature\tchemin d'origine\tattributs\r\n";
        for (const TQuarantineEntry& entry : entries) text += EntryLine(entry);
    }
    if (list.Refused > 0)
        text += "Fichiers refus\xE9s, endommag\xE9s ou non authentiques : " + std::to_string(list.Refused) + "\r\n";
    return text;
}
