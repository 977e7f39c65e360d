// The entry format: what is encoded reads back the same, keeps no run of
// the original bytes, and the reader refuses every damaged or forged entry
// (no MAC made with the secret, the old unkeyed format), each size bounded
// by the bytes there really are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

#include "quarantine/quarantine_entry.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Bytes(std::string_view text) { return TBytes(text.begin(), text.end()); }

TQuarantineSecret SecretOf(std::uint8_t seed)
{
    TQuarantineSecret secret;
    for (std::size_t i = 0; i < secret.size(); ++i) secret[i] = static_cast<std::uint8_t>(seed + 31 * i);
    return secret;
}

const TQuarantineSecret kSecret = SecretOf(1);

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
    TBytes entry = EncodeEntry(record, key, kSecret, content);
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
        EXPECT_LE(entry.size() - c.content.size(), MAX_ENTRY_HEAD_SIZE) << c.what;
        const std::optional<TDecodedEntry> decoded = DecodeEntry(entry, kSecret);
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
    TBytes Magic = Bytes("PVQ2");
    std::uint64_t Key = 0xFEEDFACECAFEBEEFu;
    std::uint32_t Attributes = 0x21;
    std::optional<std::uint64_t> Size;  // nothing: the content's
    std::uint64_t Date = 133549863010000000u;
    std::optional<TMD5Digest> Digest;   // nothing: the content's
    std::optional<std::uint16_t> PathLength;
    std::string Path = "C:\\dossier\\fichier.exe";
    std::optional<std::uint16_t> NameLength;
    std::string Name = "Worm.Test";
    TQuarantineSecret MacSecret = kSecret;
    std::optional<TSha256Digest> StoredMac;  // nothing: the MAC of these fields with MacSecret
    bool BreakMac = false;
    bool Unkeyed = false;  // the old format: an MD5 of the record in place of the MAC
    TBytes Content = Bytes("original content");

    // The entry in clear up to the name's end.
    TBytes Record() const
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
        return plain;
    }

    TSha256Digest Mac() const
    {
        THmacSha256 mac(MacSecret);
        mac.Update(Record());
        mac.Update(Content);
        return mac.Final();
    }

    TBytes Build() const
    {
        TBytes plain = Record();
        if (Unkeyed) {
            const TMD5Digest recordDigest = MD5Digest(plain.data() + ENTRY_STREAM_START, plain.size() - ENTRY_STREAM_START);
            plain.insert(plain.end(), recordDigest.begin(), recordDigest.end());
        } else {
            TSha256Digest stored = StoredMac.value_or(Mac());
            stored[0] ^= BreakMac ? 1 : 0;
            plain.insert(plain.end(), stored.begin(), stored.end());
        }
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
    EXPECT_TRUE(DecodeEntry(layout.Build(), kSecret).has_value());
}

// What a worm that can write into the quarantine's folder, but cannot read
// the secret, could put there: each is refused as a whole. A genuine entry's
// MAC kept over fields the worm changed, every other field right.
TEST(QuarantineEntry, NoForgeryPassesTheMac)
{
    const TSha256Digest genuine = TLayout().Mac();
    const struct {
        const char* what;
        std::function<void(TLayout&)> forge;
    } cases[] = {
        {"the content changed, its MD5 with it",
         [&](TLayout& l) {
             l.StoredMac = genuine;
             l.Content = Bytes("the worm's own bytes");
         }},
        {"the path changed",
         [&](TLayout& l) {
             l.StoredMac = genuine;
             l.Path = "C:\\windows\\system32\\version.dll";
         }},
        {"the attributes changed",
         [&](TLayout& l) {
             l.StoredMac = genuine;
             l.Attributes = 0;
         }},
        {"the MAC made with another secret", [](TLayout& l) { l.MacSecret = SecretOf(2); }},
        {"the MAC made with an empty secret", [](TLayout& l) { l.MacSecret = TQuarantineSecret{}; }},
        {"the old unkeyed format, its MD5s right",
         [](TLayout& l) {
             l.Magic = Bytes("PVQ1");
             l.Unkeyed = true;
         }},
        {"the old record digest under the new magic", [](TLayout& l) { l.Unkeyed = true; }},
    };
    for (const auto& c : cases) {
        TLayout layout;
        c.forge(layout);
        EXPECT_FALSE(DecodeEntry(layout.Build(), kSecret).has_value()) << c.what;
        // The same fields with their own MAC made with the secret pass: the MAC alone refuses the forgery.
        if (!layout.Unkeyed) {
            layout.MacSecret = kSecret;
            layout.StoredMac.reset();
            EXPECT_TRUE(DecodeEntry(layout.Build(), kSecret).has_value()) << c.what;
        }
    }
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
    } cases[] = {
        {"wrong magic", [](TLayout& l) { l.Magic = Bytes("MZ\0\0"); }, nullptr},
        {"key changed", nullptr, flip(4)},
        {"a record byte changed", nullptr, flip(ENTRY_STREAM_START + 30)},
        {"MAC wrong", [](TLayout& l) { l.BreakMac = true; }, nullptr},
        {"path length past the end", [](TLayout& l) { l.PathLength = 200; }, nullptr},
        {"path length above the limit", [](TLayout& l) { l.PathLength = MAX_ORIGINAL_PATH_BYTES + 1; l.Path.resize(MAX_ORIGINAL_PATH_BYTES + 1, 'x'); }, nullptr},
        {"no path", [](TLayout& l) { l.Path.clear(); }, nullptr},
        {"a zero byte in the path", [](TLayout& l) { l.Path[3] = '\0'; }, nullptr},
        {"name length past the end", [](TLayout& l) { l.NameLength = 64; l.Content.clear(); }, nullptr},
        {"name length above the limit", [](TLayout& l) { l.Name.assign(65, 'n'); }, nullptr},
        {"size past the end", [](TLayout& l) { l.Size = l.Content.size() + 1; }, nullptr},
        {"size short of the end", [](TLayout& l) { l.Size = l.Content.size() - 1; }, nullptr},
        {"size far past the end", [](TLayout& l) { l.Size = ~std::uint64_t{0}; }, nullptr},
        {"a byte after the content", nullptr, [](TBytes& e) { e.push_back(0); }},
        {"wrong MD5, with a MAC over it", [](TLayout& l) { l.Digest = TMD5Digest{}; }, nullptr},
        {"a content byte changed", nullptr, [](TBytes& e) { e.back() ^= 0x80; }},
        {"a MAC byte changed", nullptr, [](TBytes& e) { e[e.size() - TLayout().Content.size() - 1] ^= 0x01; }},
    };
    for (const auto& c : cases) {
        TLayout layout;
        if (c.change) c.change(layout);
        TBytes entry = layout.Build();
        if (c.damage) c.damage(entry);
        EXPECT_FALSE(DecodeEntry(entry, kSecret).has_value()) << c.what;
    }
}

TEST(QuarantineEntry, EveryCutEntryIsRefused)
{
    const TBytes entry = TLayout().Build();
    ASSERT_TRUE(DecodeEntry(entry, kSecret).has_value());
    for (std::size_t size = 0; size < entry.size(); ++size) {
        const TBytes cut(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(DecodeEntry(cut, kSecret).has_value()) << size;
    }
}

// A content one byte above the limit is refused, its MAC right.
TEST(QuarantineEntry, TheHeadBoundsTheContentByTheLimit)
{
    TLayout layout;
    layout.Content.assign(static_cast<std::size_t>(MAX_QUARANTINED_FILE_SIZE + 1), 0x5A);
    EXPECT_FALSE(DecodeEntry(layout.Build(), kSecret).has_value());
}

} // namespace
