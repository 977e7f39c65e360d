// The entry format: what is encoded reads back the same, keeps no run of
// the original bytes, and the reader refuses every damaged entry, each size
// bounded by the bytes there really are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

#include "quarantine/quarantine_entry.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Bytes(std::string_view text) { return TBytes(text.begin(), text.end()); }

TQuarantineRecord RecordOf(const std::string& path, const std::string& name, const TBytes& content)
{
    TQuarantineRecord record;
    record.OriginalPath = path;
    record.MalwareName = name;
    record.Size = content.size();
    record.Digest = MD5Digest(content.data(), content.size());
    record.Date = 133549863010000000u;
    record.Attributes = 0x27;  // read-only, hidden, system, archive
    return record;
}

TBytes EncodedEntry(const TQuarantineRecord& record, TBytes content, std::uint64_t key)
{
    TBytes entry = EncodeEntry(record, key, content);
    entry.insert(entry.end(), content.begin(), content.end());
    return entry;
}

bool Holds(const TBytes& haystack, std::span<const std::uint8_t> needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// A harmless stand-in for a detected program: a DOS header, a marker text,
// code bytes and a long run of zeros.
TBytes SampleProgram()
{
    using namespace std::string_view_literals;
    TBytes program = Bytes("MZ\x90\0\x03\0\0\0PURVANE-TEST-SAMPLE-001: a marker text that a pattern finds"sv);
    for (int i = 0; i < 512; ++i) program.push_back(static_cast<std::uint8_t>(i * 7));
    program.resize(program.size() + 1024, 0);
    return program;
}

TEST(QuarantineEntry, WhatIsEncodedReadsBackTheSame)
{
    const struct {
        const char* what;
        std::string path;
        std::string name;
        TBytes content;
    } cases[] = {
        {"no content", "C:\\empty.exe", "N", {}},
        {"one byte", "C:\\a\\b.dll", "Worm.One", {0x4D}},
        {"a program", "C:\\Users\\x\\Desktop\\photo.jpg.scr", "Purvane-Test.Sample-001", SampleProgram()},
        {"the longest path and name", "C:\\" + std::string(MAX_ORIGINAL_PATH_BYTES - 3, 'p'), std::string(64, 'n'),
         Bytes("content")},
        {"code page bytes", "C:\\caf\xE9\\r\xE9sum\xE9.exe", "Virus \xE9t\xE9", Bytes("\xFF\xFE\x00\x01")},
    };
    for (const auto& c : cases) {
        const TQuarantineRecord record = RecordOf(c.path, c.name, c.content);
        const TBytes entry = EncodedEntry(record, c.content, 0x0123456789ABCDEFu);
        EXPECT_EQ(ReadEntryHead(std::span(entry).first(std::min(entry.size(), MAX_ENTRY_HEAD_SIZE)), entry.size()),
                  record)
            << c.what;
        const std::optional<TDecodedEntry> decoded = DecodeEntry(entry);
        ASSERT_TRUE(decoded.has_value()) << c.what;
        EXPECT_EQ(decoded->Record, record) << c.what;
        EXPECT_EQ(decoded->Content, c.content) << c.what;
    }
}

// A scanner that reads the quarantine's folder must find none of the
// original bytes after the magic and the key: neither a run of the content
// nor the path or the name.
TEST(QuarantineEntry, NoRunOfTheOriginalBytesSurvives)
{
    const TBytes program = SampleProgram();
    const TQuarantineRecord record = RecordOf("C:\\infected\\PURVANE_TEST_SAMPLE_001.exe", "Purvane-Test.Sample-001", program);
    for (const std::uint64_t key : {std::uint64_t{0}, std::uint64_t{1}, ~std::uint64_t{0}}) {
        const TBytes full = EncodedEntry(record, program, key);
        const TBytes entry(full.begin() + ENTRY_STREAM_START, full.end());
        constexpr std::size_t kRun = 6;
        for (std::size_t at = 0; at + kRun <= program.size(); ++at)
            ASSERT_FALSE(Holds(entry, std::span(program).subspan(at, kRun))) << "key " << key << ", content at " << at;
        EXPECT_FALSE(Holds(entry, Bytes(record.OriginalPath))) << key;
        EXPECT_FALSE(Holds(entry, Bytes(record.MalwareName))) << key;
    }
}

// The fields of an entry laid out by hand, as the format describes them, so
// that each can be given a value the encoder would never write.
struct TLayout {
    TBytes Magic = Bytes("PVQ1");
    std::uint64_t Key = 0xFEEDFACECAFEBEEFu;
    std::uint32_t Attributes = 0x21;
    std::optional<std::uint64_t> Size;  // nothing: the content's
    std::uint64_t Date = 133549863010000000u;
    std::optional<TMD5Digest> Digest;   // nothing: the content's
    std::optional<std::uint16_t> PathLength;
    std::string Path = "C:\\dossier\\fichier.exe";
    std::optional<std::uint16_t> NameLength;
    std::string Name = "Worm.Test";
    bool BreakRecordDigest = false;
    TBytes Content = Bytes("original content");

    TBytes Build() const
    {
        TBytes plain = Magic;
        const auto put = [&](std::uint64_t value, int size) {
            for (int i = 0; i < size; ++i) plain.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        };
        put(Key, 8);
        put(Attributes, 4);
        put(Size.value_or(Content.size()), 8);
        put(Date, 8);
        const TMD5Digest digest = Digest.value_or(MD5Digest(Content.data(), Content.size()));
        plain.insert(plain.end(), digest.begin(), digest.end());
        put(PathLength.value_or(Path.size()), 2);
        plain.insert(plain.end(), Path.begin(), Path.end());
        put(NameLength.value_or(Name.size()), 2);
        plain.insert(plain.end(), Name.begin(), Name.end());
        TMD5Digest recordDigest = MD5Digest(plain.data() + ENTRY_STREAM_START, plain.size() - ENTRY_STREAM_START);
        recordDigest[0] ^= BreakRecordDigest ? 1 : 0;
        plain.insert(plain.end(), recordDigest.begin(), recordDigest.end());
        plain.insert(plain.end(), Content.begin(), Content.end());
        TQuarantineStream(Key).Apply(std::span(plain).subspan(ENTRY_STREAM_START));
        return plain;
    }
};

TEST(QuarantineEntry, TheLayoutIsTheDocumentedOne)
{
    const TLayout layout;
    TQuarantineRecord record;
    record.OriginalPath = layout.Path;
    record.MalwareName = layout.Name;
    record.Size = layout.Content.size();
    record.Digest = MD5Digest(layout.Content.data(), layout.Content.size());
    record.Date = layout.Date;
    record.Attributes = layout.Attributes;
    EXPECT_EQ(EncodedEntry(record, layout.Content, layout.Key), layout.Build());
}

TEST(QuarantineEntry, TheReaderRefusesEveryDamagedEntry)
{
    const auto flip = [](std::size_t at) {
        return [at](TBytes& entry) { entry[at] ^= 0x01; };
    };
    const struct {
        const char* what;
        std::function<void(TLayout&)> change;
        std::function<void(TBytes&)> damage;  // to the encoded bytes
        bool headReads;  // the record reads, only the content is wrong
    } cases[] = {
        {"wrong magic", [](TLayout& l) { l.Magic = Bytes("MZ\0\0"); }, nullptr, false},
        {"key changed", nullptr, flip(4), false},
        {"a record byte changed", nullptr, flip(ENTRY_STREAM_START + 30), false},
        {"record digest wrong", [](TLayout& l) { l.BreakRecordDigest = true; }, nullptr, false},
        {"path length past the end", [](TLayout& l) { l.PathLength = 200; }, nullptr, false},
        {"path length above the limit", [](TLayout& l) { l.PathLength = MAX_ORIGINAL_PATH_BYTES + 1; l.Path.resize(MAX_ORIGINAL_PATH_BYTES + 1, 'x'); }, nullptr, false},
        {"no path", [](TLayout& l) { l.Path.clear(); }, nullptr, false},
        {"a zero byte in the path", [](TLayout& l) { l.Path[3] = '\0'; }, nullptr, false},
        {"name length past the end", [](TLayout& l) { l.NameLength = 64; l.Content.clear(); }, nullptr, false},
        {"name length above the limit", [](TLayout& l) { l.Name.assign(65, 'n'); }, nullptr, false},
        {"size past the end", [](TLayout& l) { l.Size = l.Content.size() + 1; }, nullptr, false},
        {"size short of the end", [](TLayout& l) { l.Size = l.Content.size() - 1; }, nullptr, false},
        {"size far past the end", [](TLayout& l) { l.Size = ~std::uint64_t{0}; }, nullptr, false},
        {"a byte after the content", nullptr, [](TBytes& e) { e.push_back(0); }, false},
        {"wrong MD5", [](TLayout& l) { l.Digest = TMD5Digest{}; }, nullptr, true},
        {"a content byte changed", nullptr, [](TBytes& e) { e.back() ^= 0x80; }, true},
    };
    for (const auto& c : cases) {
        TLayout layout;
        if (c.change) c.change(layout);
        TBytes entry = layout.Build();
        if (c.damage) c.damage(entry);
        EXPECT_EQ(ReadEntryHead(entry, entry.size()).has_value(), c.headReads) << c.what;
        EXPECT_FALSE(DecodeEntry(entry).has_value()) << c.what;
    }
}

TEST(QuarantineEntry, EveryCutEntryIsRefused)
{
    const TBytes entry = TLayout().Build();
    ASSERT_TRUE(DecodeEntry(entry).has_value());
    for (std::size_t size = 0; size < entry.size(); ++size) {
        const TBytes cut(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(ReadEntryHead(cut, cut.size()).has_value()) << size;
        EXPECT_FALSE(DecodeEntry(cut).has_value()) << size;
    }
}

// The head is read from the entry's first bytes alone: one announcing the
// largest content a copy may have is read, one above it is refused.
TEST(QuarantineEntry, TheHeadBoundsTheContentByTheLimit)
{
    TLayout layout;
    const TBytes entry = layout.Build();
    const std::size_t headSize = entry.size() - layout.Content.size();
    layout.Size = MAX_QUARANTINED_FILE_SIZE;
    EXPECT_TRUE(ReadEntryHead(layout.Build(), headSize + MAX_QUARANTINED_FILE_SIZE).has_value());
    layout.Size = MAX_QUARANTINED_FILE_SIZE + 1;
    EXPECT_FALSE(ReadEntryHead(layout.Build(), headSize + MAX_QUARANTINED_FILE_SIZE + 1).has_value());
}

} // namespace
