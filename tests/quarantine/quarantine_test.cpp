// The quarantine's rules over a store in memory: what is kept and what is
// not (the 64 MiB limit, a copy that cannot be read or written), ids never
// reused, the oldest entries dropped above 512 MiB, the list and its text,
// the loading of an entry, and the paths a restore takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "common/text.h"
#include "main/scan_run.h"
#include "quarantine/quarantine.h"

namespace {

using TBytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

class TMemoryStore final : public TQuarantineStore {
public:
    struct TEntry {
        TBytes Bytes;
        std::uint64_t Size = 0;  // may be more than Bytes holds: an entry that only takes room
        std::uint64_t WriteTime = 0;
    };
    std::map<std::string, TEntry> entries;
    std::vector<std::string> removed;
    bool failWrites = false;
    std::uint64_t clock = 100;
    std::optional<TQuarantineSecret> secret = TQuarantineSecret{7, 7, 7};

    // An entry that takes size bytes, written at time.
    void AddPlaceholder(const std::string& id, std::uint64_t size, std::uint64_t time) { entries[id] = {{}, size, time}; }

    std::vector<TStoredEntry> List() override
    {
        std::vector<TStoredEntry> listed;
        for (const auto& [id, e] : entries) listed.push_back({id, e.Size, e.WriteTime});
        return listed;
    }
    TCreateResult Create(const std::string& id, std::span<const std::uint8_t> head,
                         std::span<const std::uint8_t> content) override
    {
        if (entries.count(id)) return TCreateResult::IdTaken;
        if (failWrites) return TCreateResult::Failed;
        TBytes bytes(head.begin(), head.end());
        bytes.insert(bytes.end(), content.begin(), content.end());
        const std::uint64_t size = bytes.size();
        entries[id] = {std::move(bytes), size, ++clock};
        return TCreateResult::Written;
    }
    std::optional<TBytes> Read(const std::string& id, std::uint64_t maxCount, std::uint64_t& fileSize) override
    {
        const auto found = entries.find(id);
        if (found == entries.end()) return std::nullopt;
        fileSize = found->second.Size;
        const TBytes& bytes = found->second.Bytes;
        return TBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(bytes.size(), maxCount)));
    }
    bool Remove(const std::string& id) override
    {
        removed.push_back(id);
        return entries.erase(id) == 1;
    }
    std::optional<TQuarantineSecret> Secret() override { return secret; }
};

// Random numbers from a list, then counting on from its last.
class TScriptedRandom {
public:
    explicit TScriptedRandom(std::vector<std::uint64_t> values) : values_(std::move(values)) {}
    std::uint64_t operator()() { return next_ < values_.size() ? values_[next_++] : values_.back() + ++next_; }

private:
    std::vector<std::uint64_t> values_;
    std::size_t next_ = 0;
};

TQuarantineRecord FileRecord(std::uint64_t size, const std::string& path = "C:\\dossier\\ver.exe")
{
    TQuarantineRecord record;
    record.OriginalPath = path;
    record.MalwareName = "Worm.Test";
    record.Size = size;
    record.Date = 133549863010000000u;
    record.Attributes = 0x23;
    return record;
}

// The id of an entry in the retention tests: its write time.
std::string TimeId(std::uint64_t time)
{
    std::string id = "T";
    return id + std::to_string(time);
}

// Reads a file of repeating bytes 0, 1, 2...
bool ReadPattern(std::span<std::uint8_t> content)
{
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i);
    return true;
}

class QuarantineTest : public ::testing::Test {
protected:
    TMemoryStore store_;
    TQuarantine quarantine_{store_, TScriptedRandom({0x1111, 0x2222, 0x3333, 0x4444, 0x5555})};
};

TEST_F(QuarantineTest, AKeptCopyIsListedAndLoadsByteForByte)
{
    const TKeptCopy kept = quarantine_.Keep(FileRecord(300), ReadPattern);
    ASSERT_EQ(kept.Outcome, TCopyOutcome::Kept);
    EXPECT_EQ(kept.Id, "0000000000002222");  // the first draw is the key

    TBytes content(300);
    ReadPattern(content);
    TQuarantineRecord expected = FileRecord(300);
    expected.Digest = MD5Digest(content.data(), content.size());
    const std::vector<TQuarantineEntry> entries = quarantine_.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Id, kept.Id);
    EXPECT_EQ(entries[0].Record, expected);
    EXPECT_EQ(quarantine_.List().Refused, 0u);

    const TLoadedEntry loaded = quarantine_.Load(kept.Id);
    ASSERT_EQ(loaded.Status, TLoadStatus::Loaded);
    EXPECT_EQ(loaded.Entry.Record, expected);
    EXPECT_EQ(loaded.Entry.Content, content);
    EXPECT_TRUE(quarantine_.Remove(kept.Id));
    EXPECT_TRUE(quarantine_.Entries().empty());
}

TEST_F(QuarantineTest, WhatIsNotKept)
{
    const struct {
        const char* what;
        std::uint64_t size;
        std::string path;
        bool readable;
        bool writable;
        TCopyOutcome outcome;
        bool read;  // the file's bytes were asked for
        bool hasSecret = true;
    } cases[] = {
        {"the largest file", MAX_QUARANTINED_FILE_SIZE, "C:\\grand.exe", true, true, TCopyOutcome::Kept, true},
        {"a file above the limit", MAX_QUARANTINED_FILE_SIZE + 1, "C:\\grand.exe", true, true, TCopyOutcome::TooLarge, false},
        {"a file that cannot be read", 10, "C:\\x.exe", false, true, TCopyOutcome::Failed, true},
        {"a store that cannot be written", 10, "C:\\x.exe", true, false, TCopyOutcome::Failed, true},
        {"a path too long to record", 10, "C:\\" + std::string(MAX_ORIGINAL_PATH_BYTES, 'x'), true, true, TCopyOutcome::Failed, false},
        {"a store without a secret", 10, "C:\\x.exe", true, true, TCopyOutcome::Failed, false, false},
    };
    for (const auto& c : cases) {
        TMemoryStore store;
        store.failWrites = !c.writable;
        if (!c.hasSecret) store.secret.reset();
        TQuarantine quarantine(store, TScriptedRandom({7}));
        bool read = false;
        const TKeptCopy kept = quarantine.Keep(FileRecord(c.size, c.path), [&](std::span<std::uint8_t>) {
            read = true;
            return c.readable;
        });
        EXPECT_EQ(kept.Outcome, c.outcome) << c.what;
        EXPECT_EQ(read, c.read) << c.what;
        EXPECT_EQ(store.entries.size(), c.outcome == TCopyOutcome::Kept ? 1u : 0u) << c.what;
        EXPECT_EQ(kept.Id.empty(), c.outcome != TCopyOutcome::Kept) << c.what;
    }
}

TEST_F(QuarantineTest, ATakenIdIsNeverWrittenOver)
{
    store_.AddPlaceholder("0000000000002222", 10, 1);
    const TKeptCopy kept = quarantine_.Keep(FileRecord(5), ReadPattern);
    EXPECT_EQ(kept.Outcome, TCopyOutcome::Kept);
    EXPECT_EQ(kept.Id, "0000000000003333");
    EXPECT_TRUE(store_.entries.at("0000000000002222").Bytes.empty());
}

TEST(QuarantineRetention, TheOldestEntriesGoFirstAbove512MiB)
{
    const auto entries = [](std::vector<std::pair<std::uint64_t, std::uint64_t>> sizesAndTimes) {
        std::vector<TStoredEntry> list;
        for (const auto& [size, time] : sizesAndTimes) list.push_back({TimeId(time), size, time});
        return list;
    };
    const struct {
        const char* what;
        std::vector<TStoredEntry> entries;
        std::string kept;
        std::vector<std::string> dropped;
    } cases[] = {
        {"under the cap", entries({{100 * kMiB, 1}, {100 * kMiB, 2}}), "T2", {}},
        {"exactly the cap", entries({{256 * kMiB, 1}, {256 * kMiB, 2}}), "T2", {}},
        {"one byte over", entries({{256 * kMiB, 1}, {256 * kMiB, 2}, {1, 3}}), "T3", {"T1"}},
        {"oldest by time, not by listing order", entries({{200 * kMiB, 5}, {200 * kMiB, 2}, {200 * kMiB, 9}}), "T9", {"T2"}},
        {"as many as it takes", entries({{100 * kMiB, 1}, {100 * kMiB, 2}, {100 * kMiB, 3}, {400 * kMiB, 4}, {64 * kMiB, 5}}),
         "T5", {"T1", "T2", "T3"}},
        {"the entry just kept stays, however old it looks", entries({{300 * kMiB, 1}, {300 * kMiB, 2}}), "T1", {"T2"}},
    };
    for (const auto& c : cases) EXPECT_EQ(EntriesToDrop(c.entries, c.kept), c.dropped) << c.what;
}

TEST_F(QuarantineTest, KeepingDropsTheOldestEntriesAbove512MiB)
{
    for (std::uint64_t time = 1; time <= 6; ++time) store_.AddPlaceholder(TimeId(time), 85 * kMiB, time);
    const TKeptCopy kept = quarantine_.Keep(FileRecord(4 * kMiB), ReadPattern);
    ASSERT_EQ(kept.Outcome, TCopyOutcome::Kept);
    // 510 MiB and the new entry: the oldest goes, and only it.
    EXPECT_EQ(store_.removed, (std::vector<std::string>{"T1"}));
    EXPECT_TRUE(store_.entries.count(kept.Id));
}

// An entry that does not pass its MAC (damaged, forged, of the old format,
// made under another secret) is counted, never listed, and does not load.
TEST_F(QuarantineTest, OnlyAuthenticEntriesAreListedAndLoaded)
{
    const std::string older = quarantine_.Keep(FileRecord(3), ReadPattern).Id;
    TQuarantineRecord newer = FileRecord(4);
    newer.Date += 1;
    const std::string newest = quarantine_.Keep(newer, ReadPattern).Id;

    // The same record under another secret, as a worm that guessed it wrong would write it.
    TMemoryStore otherStore;
    otherStore.secret = TQuarantineSecret{8};
    TQuarantine other(otherStore, TScriptedRandom({0x9999}));
    const std::string forgedId = other.Keep(FileRecord(5, "C:\\windows\\system32\\version.dll"), ReadPattern).Id;
    store_.entries["00000000000000F0"] = otherStore.entries.at(forgedId);
    store_.entries["0000000000000001"] = {TBytes{'P', 'V', 'Q', '2', 0, 0}, 6, 1};
    store_.AddPlaceholder("000000000000000F", MAX_ENTRY_SIZE + 1, 2);  // longer than any entry

    const TQuarantineList list = quarantine_.List();
    ASSERT_EQ(list.Entries.size(), 2u);
    EXPECT_EQ(list.Entries[0].Id, older);
    EXPECT_EQ(list.Entries[1].Id, newest);
    EXPECT_EQ(list.Refused, 3u);

    EXPECT_EQ(quarantine_.Load("00000000000000F0").Status, TLoadStatus::Damaged);
    EXPECT_EQ(quarantine_.Load("0000000000000001").Status, TLoadStatus::Damaged);
    EXPECT_EQ(quarantine_.Load("000000000000000F").Status, TLoadStatus::Damaged);
    EXPECT_EQ(quarantine_.Load("00000000000000AB").Status, TLoadStatus::Missing);
    EXPECT_EQ(quarantine_.Load("..\\..\\Windows\\x").Status, TLoadStatus::Missing);
    EXPECT_FALSE(quarantine_.Remove("..\\0000000000000001"));
    EXPECT_TRUE(store_.entries.count("0000000000000001"));

    // Without its secret the store trusts nothing it holds.
    store_.secret.reset();
    EXPECT_EQ(quarantine_.Load(older).Status, TLoadStatus::Unavailable);
    EXPECT_TRUE(quarantine_.List().Entries.empty());
    EXPECT_EQ(quarantine_.List().Refused, 5u);
}

TEST(QuarantineIds, OnlySixteenUpperCaseHexDigitsAreIds)
{
    EXPECT_EQ(QuarantineIdText(0x0123456789ABCDEFu), "0123456789ABCDEF");
    EXPECT_EQ(QuarantineIdText(0), "0000000000000000");
    const struct {
        std::string_view text;
        bool id;
    } cases[] = {{"0123456789ABCDEF", true}, {"FFFFFFFFFFFFFFFF", true}, {"0123456789abcdef", false},
                 {"0123456789ABCDE", false}, {"0123456789ABCDEF0", false}, {"0123456789ABCDEG", false},
                 {"..\\..\\x", false},      {"", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsQuarantineId(c.text), c.id) << c.text;
        EXPECT_EQ(IdOfEntryFileName(std::string(c.text) + ".pvq").has_value(), c.id) << c.text;
    }
    EXPECT_EQ(IdOfEntryFileName("0123456789ABCDEF.pvq"), "0123456789ABCDEF");
    EXPECT_FALSE(IdOfEntryFileName("0123456789ABCDEF.PVQ").has_value());
    EXPECT_FALSE(IdOfEntryFileName("0123456789ABCDEF").has_value());
}

// A later run walks the quarantine's folder: its entries' names must not be
// admitted to either check, whatever the id.
TEST(QuarantineIds, TheWalkAdmitsNoEntryName)
{
    for (const std::uint64_t value : {std::uint64_t{0}, std::uint64_t{0xC0DE}, std::uint64_t{0xDEADBEEFCAFEF00D}, ~std::uint64_t{0}}) {
        const std::string upper = UpperCaseAscii(EntryFileName(QuarantineIdText(value)));
        EXPECT_FALSE(HasPatternScanExtension(upper)) << upper;
        EXPECT_FALSE(HasFingerprintScanExtension(upper)) << upper;
    }
}

TEST(QuarantineRestorePath, OnlyPlainDrivePathsAreRestored)
{
    using TFolders = std::vector<std::string>;
    const struct {
        std::string path;
        std::optional<TFolders> folders;
    } cases[] = {
        {"C:\\ver.exe", TFolders{}},
        {"c:\\a\\b\\ver.exe", TFolders{"c:\\a", "c:\\a\\b"}},
        {"D:\\Program Files\\caf\xE9\\x.dll", TFolders{"D:\\Program Files", "D:\\Program Files\\caf\xE9"}},
        {"\\\\serveur\\partage\\x.exe", std::nullopt},
        {"\\\\?\\C:\\x.exe", std::nullopt},
        {"C:x.exe", std::nullopt},
        {"1:\\x.exe", std::nullopt},
        {"C:\\", std::nullopt},
        {"C:\\a\\", std::nullopt},
        {"C:\\a\\\\x.exe", std::nullopt},
        {"C:\\a\\..\\x.exe", std::nullopt},
        {"C:\\.\\x.exe", std::nullopt},
        {"C:\\a\\x.exe.", std::nullopt},
        {"C:\\a \\x.exe", std::nullopt},
        {"C:\\a:flux\\x.exe", std::nullopt},
        {"C:\\a/b\\x.exe", std::nullopt},
        {"C:\\a\\x?.exe", std::nullopt},
        {"C:\\a\\x\t.exe", std::nullopt},
        {"C:\\a\\x\x7F.exe", std::nullopt},
        {"\\\\.\\C:\\x.exe", std::nullopt},
        {"\\\\.\\PhysicalDrive0", std::nullopt},
        {"\\??\\C:\\x.exe", std::nullopt},
        {"a\\x.exe", std::nullopt},
        {"\\x.exe", std::nullopt},
        {"C:\\a\\x.exe:flux", std::nullopt},
        {"C:\\a\\x.exe::$DATA", std::nullopt},
        {"C:\\a\\..", std::nullopt},
        // Device names, in any folder, with an extension or not, in any case.
        {"C:\\NUL", std::nullopt},
        {"C:\\a\\nul.txt", std::nullopt},
        {"C:\\a\\Con", std::nullopt},
        {"C:\\prn.exe", std::nullopt},
        {"C:\\aux\\x.exe", std::nullopt},
        {"C:\\a\\COM1", std::nullopt},
        {"C:\\a\\com9.dll", std::nullopt},
        {"C:\\a\\LPT1", std::nullopt},
        {"C:\\a\\lpt9.x.y", std::nullopt},
        {"C:\\a\\COM\xC2\xB9", std::nullopt},
        {"C:\\a\\nul .txt", std::nullopt},
        {"C:\\a\\NUL.", std::nullopt},
        {"C:\\a\\NUL ", std::nullopt},
        {"C:\\a\\CONOUT$", std::nullopt},
        // Names that only begin like a device are plain.
        {"C:\\a\\nulle.exe", TFolders{"C:\\a"}},
        {"C:\\a\\COM0.exe", TFolders{"C:\\a"}},
        {"C:\\a\\COM10", TFolders{"C:\\a"}},
        {"C:\\LPT\\x.exe", TFolders{"C:\\LPT"}},
        {"C:\\a\\x.con", TFolders{"C:\\a"}},
        {"C:\\Windows\\Sysnative\\x.dll", TFolders{"C:\\Windows", "C:\\Windows\\Sysnative"}},
    };
    for (const auto& c : cases) EXPECT_EQ(FoldersOfRestorablePath(c.path), c.folders) << c.path;
}

TEST(QuarantineListText, OneTabSeparatedLinePerEntry)
{
    EXPECT_EQ(QuarantineListText({}), "Quarantaine : aucune entr\xE9" "e.\r\n");
    // Recorded in UTF-8, listed in Windows-1252.
    TQuarantineRecord record = FileRecord(1234, "C:\\Users\\L\xC3\xA9o\\ver.exe");
    record.Digest = MD5Digest("", 0);
    TQuarantineList list = {{{"0123456789ABCDEF", record}}, 2};
    record.Attributes = 0;
    const TQuarantineList plain = {{{"0000000000000001", record}}, 0};
    EXPECT_EQ(QuarantineListText(list),
              "Quarantaine : 1 entr\xE9" "e.\r\n"
              "identifiant\tdate (UTC)\ttaille\tMD5\tsignature\tchemin d'origine\tattributs\r\n"
              "0123456789ABCDEF\t15/03/2024 14:25:01\t1234\tD41D8CD98F00B204E9800998ECF8427E\tWorm.Test\t"
              "C:\\Users\\L\xE9o\\ver.exe\tRHA\r\n"
              "Fichiers refus\xE9s, endommag\xE9s ou non authentiques : 2\r\n");
    EXPECT_EQ(QuarantineListText(plain),
              "Quarantaine : 1 entr\xE9" "e.\r\n"
              "identifiant\tdate (UTC)\ttaille\tMD5\tsignature\tchemin d'origine\tattributs\r\n"
              "0000000000000001\t15/03/2024 14:25:01\t1234\tD41D8CD98F00B204E9800998ECF8427E\tWorm.Test\t"
              "C:\\Users\\L\xE9o\\ver.exe\t-\r\n");
    EXPECT_EQ(QuarantineListText({{}, 3}),
              "Quarantaine : aucune entr\xE9" "e.\r\nFichiers refus\xE9s, endommag\xE9s ou non authentiques : 3\r\n");
}

// A path or a name may hold any character but zero: each entry stays one
// line of seven fields all the same.
TEST(QuarantineListText, ControlCharactersStayInTheirField)
{
    TQuarantineRecord record = FileRecord(1, "C:\\a\tb\r\n\x7F" "c\\ver.exe");
    record.MalwareName = "Worm\r\n\tTest";
    const std::string text = QuarantineListText({{{"0123456789ABCDEF", record}}, 0});
    const std::string line = text.substr(text.find("0123456789ABCDEF"));
    EXPECT_EQ(line.find("\r\n"), line.size() - 2) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 6) << line;
    EXPECT_NE(line.find("\tWorm???Test\tC:\\a?b???c\\ver.exe\t"), std::string::npos) << line;
}

} // namespace
