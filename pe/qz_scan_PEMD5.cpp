#include "pe/qz_scan_PEMD5.h"

#include <array>
#include <bit>
#include <cstring>
#include <optional>

#include "common/text.h"
#include "pe/PE.h"

namespace {

std::uint64_t Mix(std::uint64_t x)
{
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// Slots for n entries: a power of two at least twice n, so probes stay short.
std::size_t SlotCountFor(std::size_t n)
{
    return std::bit_ceil(std::max<std::size_t>(16, 2 * n));
}

constexpr std::int64_t kEmptySizeSlot = INT64_MIN;

// The raw-size fingerprint's digest: the bytes the table holds for the
// section, then zeros up to SizeOfRawData for what the file lacks.
std::string RawSectionDigest(const TSectionEntry& e)
{
    TMD5Context md5;
    md5.Update(e.Data, e.DataLength);
    md5.UpdateZeros(e.SizeOfRawData - e.DataLength);
    return MD5DigestText(md5.Final());
}

} // namespace

TPEMD5Lookup::TPEMD5Lookup(const TPEMD5SignatureTable& table)
    : records_(table.PEMD5Signatures()), stored_(records_ ? table.StoredCount() : 0)
{
    slots_.resize(SlotCountFor(static_cast<std::size_t>(stored_)));
    sizeSlots_.assign(64, kEmptySizeSlot);

    // First the records that can match, parsed with their home slots, so
    // that the insertion below can fetch slots ahead of need.
    struct TPending {
        TMD5Digest Digest;
        std::int32_t Size;
        std::int32_t Record;
        std::size_t Home;
    };
    std::vector<TPending> pending;
    pending.reserve(static_cast<std::size_t>(stored_));
    for (std::int32_t i = 0; i < stored_; ++i) {
        const TPEMD5Signature& r = records_[i];
        TMD5Digest digest;
        if (!ParseMD5DigestText(r.Digest.View(), digest)) continue;  // can never match a computed digest
        pending.push_back({digest, r.SectionSize, i + 1, SlotOf(r.SectionSize, digest)});
    }

    // Records go in table order and a key already present keeps its record,
    // so the index gives the earliest record of each key.
    constexpr std::size_t kAhead = 16;
    for (std::size_t k = 0; k < pending.size(); ++k) {
#if defined(__GNUC__)
        if (k + kAhead < pending.size()) __builtin_prefetch(&slots_[pending[k + kAhead].Home], 1);
#endif
        const TPending& p = pending[k];
        std::size_t at = p.Home;
        while (slots_[at].Record != 0 && !(slots_[at].Size == p.Size && slots_[at].Digest == p.Digest))
            at = (at + 1) & (slots_.size() - 1);
        if (slots_[at].Record == 0) {
            slots_[at] = {p.Digest, p.Size, p.Record};
            ++indexed_;
        }
        InsertSize(p.Size);
    }
}

void TPEMD5Lookup::InsertSize(std::int32_t size)
{
    std::size_t s = SizeSlotOf(size);
    while (sizeSlots_[s] != kEmptySizeSlot && sizeSlots_[s] != size) s = (s + 1) & (sizeSlots_.size() - 1);
    if (sizeSlots_[s] == size) return;
    sizeSlots_[s] = size;
    // Kept at most half full; doubling re-inserts every size.
    if (++sizeCount_ * 2 > sizeSlots_.size()) {
        std::vector<std::int64_t> old(sizeSlots_.size() * 2, kEmptySizeSlot);
        old.swap(sizeSlots_);
        sizeCount_ = 0;
        for (std::int64_t v : old)
            if (v != kEmptySizeSlot) InsertSize(static_cast<std::int32_t>(v));
    }
}

std::size_t TPEMD5Lookup::SlotOf(std::int32_t size, const TMD5Digest& digest) const
{
    std::uint64_t low, high;
    std::memcpy(&low, digest.data(), 8);
    std::memcpy(&high, digest.data() + 8, 8);
    return static_cast<std::size_t>(Mix(low ^ Mix(high ^ static_cast<std::uint32_t>(size)))) & (slots_.size() - 1);
}

std::size_t TPEMD5Lookup::SizeSlotOf(std::int32_t size) const
{
    return static_cast<std::size_t>(Mix(static_cast<std::uint32_t>(size))) & (sizeSlots_.size() - 1);
}

bool TPEMD5Lookup::HasSectionSize(std::int32_t size) const
{
    for (std::size_t s = SizeSlotOf(size); sizeSlots_[s] != kEmptySizeSlot; s = (s + 1) & (sizeSlots_.size() - 1))
        if (sizeSlots_[s] == size) return true;
    return false;
}

bool TPEMD5Lookup::FindIndexed(std::int32_t size, const TMD5Digest& digest, std::int32_t& record) const
{
    for (std::size_t at = SlotOf(size, digest); slots_[at].Record != 0; at = (at + 1) & (slots_.size() - 1)) {
        if (slots_[at].Size == size && slots_[at].Digest == digest) {
            record = slots_[at].Record;
            return true;
        }
    }
    return false;
}

bool TPEMD5Lookup::FindPEMD5Signature(std::int32_t size, const std::string& digestText, std::string& malwareName) const
{
    const std::string text = UpperCaseAscii(digestText);
    TMD5Digest digest;
    if (!ParseMD5DigestText(text, digest)) return FindPEMD5SignatureLinear(size, text, malwareName);
    std::int32_t record = 0;
    if (!FindIndexed(size, digest, record)) return false;
    malwareName = records_[record - 1].Name.Str();
    return true;
}

bool TPEMD5Lookup::FindPEMD5SignatureLinear(std::int32_t size, const std::string& digestText, std::string& malwareName) const
{
    const std::string text = UpperCaseAscii(digestText);
    // Only the stored records 1..stored_ are visited; positions counted but
    // not stored are never read.
    for (std::int32_t i = 0; i < stored_; ++i) {
        const TPEMD5Signature& r = records_[i];
        if (r.SectionSize == size && r.Digest.View() == text) {
            malwareName = r.Name.Str();
            return true;
        }
    }
    return false;
}

bool ForEachPEFingerprint(const std::string& fileName, const std::function<bool(std::uint32_t key)>& wantKey,
                          const std::function<void(const TPEFingerprint&)>& onFingerprint)
{
    // One open for the test, the table and the whole file's read.
    TFile file = OpenExistingFile(fileName);
    if (!file.IsOpen() || !IsPEFile(file)) return false;
    const TSectionTable table(file, fileName);
    // The whole file is read on the first aligned fingerprint and kept for
    // the others: it is the same block every time.
    std::optional<std::vector<std::uint8_t>> whole;
    for (int i = 0; i < table.Count(); ++i) {
        TSectionEntry e{};
        table.GetSection(i, e);
        if (!IsFingerprintedSection(e)) continue;
        const std::uint32_t size = e.SizeOfRawData;
        if (wantKey(size)) onFingerprint({i, TFingerprintKind::Raw, size, RawSectionDigest(e)});

        if (table.FileAlignment() == 0 || size == 0) continue;
        const std::uint32_t aligned = AlignUp(size, table.FileAlignment());  // size < 4 MiB: cannot overflow
        if (aligned == size) continue;
        if (!whole) whole = ReadWholeFile(file);
        const std::size_t wholeSize = whole->size();
        if (wholeSize == 0 || e.PointerToRawData >= wholeSize) continue;
        // Skipped when the aligned bytes run past the end of the file.
        if (aligned > wholeSize - e.PointerToRawData) continue;
        if (wantKey(aligned))
            onFingerprint({i, TFingerprintKind::Aligned, aligned, MD5HexDigest(whole->data() + e.PointerToRawData, aligned)});
    }
    return true;
}

bool ScanPEMD5(const std::string& fileName, TMD5MalwareInfo& info, const TPEMD5Lookup& lookup)
{
    info = TMD5MalwareInfo{};
    // Keys are below 4 MiB, so they fit the records' signed SectionSize.
    return ForEachPEFingerprint(
        fileName, [&](std::uint32_t key) { return lookup.HasSectionSize(static_cast<std::int32_t>(key)); },
        [&](const TPEFingerprint& f) {
            std::string name;
            if (lookup.FindPEMD5Signature(static_cast<std::int32_t>(f.Key), f.Digest, name)) {
                info.Found = true;
                info.MalwareName = name;
            }
        });
}
