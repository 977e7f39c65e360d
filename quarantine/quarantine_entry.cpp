#include "quarantine/quarantine_entry.h"

#include <algorithm>
#include <cstring>

#include "signatures/record_file.h"

namespace {

constexpr std::uint8_t kMagic[ENTRY_MAGIC_SIZE] = {'P', 'V', 'Q', '2'};
constexpr std::size_t kLengthSize = 2;
// attributes, size, date, content digest
constexpr std::size_t kFixedRecordSize = 4 + 8 + 8 + sizeof(TMD5Digest);
constexpr std::size_t kMaxNameLength = TSignatureName::CAPACITY;

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBytes(std::vector<std::uint8_t>& out, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text)
{
    PutLittleEndian(out, text.size(), kLengthSize);
    PutBytes(out, text.data(), text.size());
}

bool IsStorableText(const std::string& text, std::size_t maxLength)
{
    return !text.empty() && text.size() <= maxLength && text.find('\0') == std::string::npos;
}

// Takes the head's fields one by one from the encoded bytes, decoding them
// as it goes; every take is bounded by the bytes there are.
class THeadReader {
public:
    THeadReader(std::span<const std::uint8_t> bytes, std::uint64_t key, THmacSha256 mac)
        : bytes_(bytes), stream_(key), mac_(std::move(mac))
    {
    }

    bool Take(void* out, std::size_t size)
    {
        if (size > bytes_.size() - at_) return false;
        auto* target = static_cast<std::uint8_t*>(out);
        std::memcpy(target, bytes_.data() + at_, size);
        stream_.Apply({target, size});
        mac_.Update({target, size});
        at_ += size;
        return true;
    }

    bool TakeNumber(std::uint64_t& value, std::size_t size)
    {
        std::uint8_t raw[8] = {};
        if (!Take(raw, size)) return false;
        value = 0;
        for (std::size_t i = size; i-- > 0;) value = value << 8 | raw[i];
        return true;
    }

    bool TakeText(std::string& text, std::size_t maxLength)
    {
        std::uint64_t length = 0;
        if (!TakeNumber(length, kLengthSize) || length > maxLength) return false;
        text.resize(static_cast<std::size_t>(length));
        return Take(text.data(), text.size());
    }

    // The MAC stored after the record, decoded but not taken into the MAC.
    bool TakeMac(TSha256Digest& stored)
    {
        if (stored.size() > bytes_.size() - at_) return false;
        std::memcpy(stored.data(), bytes_.data() + at_, stored.size());
        stream_.Apply(stored);
        at_ += stored.size();
        return true;
    }

    std::size_t Offset() const { return ENTRY_STREAM_START + at_; }
    TQuarantineStream& Stream() { return stream_; }
    THmacSha256& Mac() { return mac_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    TQuarantineStream stream_;
    THmacSha256 mac_;
};

struct TParsedHead {
    TQuarantineRecord Record;
    std::size_t Size = 0;
    TQuarantineStream Stream{0};  // where the content's stream starts
    THmacSha256 Mac;              // over everything before the stored MAC
    TSha256Digest StoredMac{};
};

// The head's fields, each bounded by the bytes there are; nothing for
// another magic, a length past the end or above its limit, a zero byte in a
// text, or a file that is not exactly the head and the announced content.
// The MAC is not checked here: it covers the content too.
std::optional<TParsedHead> ParseHead(std::span<const std::uint8_t> start, std::uint64_t fileSize,
                                     const TQuarantineSecret& secret)
{
    if (start.size() < ENTRY_STREAM_START || !std::equal(std::begin(kMagic), std::end(kMagic), start.begin()))
        return std::nullopt;
    std::uint64_t key = 0;
    for (std::size_t i = ENTRY_STREAM_START; i-- > ENTRY_KEY_OFFSET;) key = key << 8 | start[i];
    THmacSha256 mac(secret);
    mac.Update(start.first(ENTRY_STREAM_START));
    THeadReader reader(start.subspan(ENTRY_STREAM_START), key, std::move(mac));
    TQuarantineRecord record;
    std::uint64_t attributes = 0;
    TSha256Digest stored{};
    if (!reader.TakeNumber(attributes, 4) || !reader.TakeNumber(record.Size, 8) || !reader.TakeNumber(record.Date, 8) ||
        !reader.Take(record.Digest.data(), record.Digest.size()) ||
        !reader.TakeText(record.OriginalPath, MAX_ORIGINAL_PATH_BYTES) || !reader.TakeText(record.MalwareName, kMaxNameLength) ||
        !reader.TakeMac(stored))
        return std::nullopt;
    record.Attributes = static_cast<std::uint32_t>(attributes);
    // Checked before the sum, which cannot then overflow.
    if (!IsStorableRecord(record) || fileSize != reader.Offset() + record.Size) return std::nullopt;
    return TParsedHead{std::move(record), reader.Offset(), reader.Stream(), reader.Mac(), stored};
}

} // namespace

const std::size_t MAX_ENTRY_HEAD_SIZE = ENTRY_STREAM_START + kFixedRecordSize + kLengthSize + MAX_ORIGINAL_PATH_BYTES +
                                        kLengthSize + kMaxNameLength + sizeof(TSha256Digest);
const std::uint64_t MAX_ENTRY_SIZE = MAX_ENTRY_HEAD_SIZE + MAX_QUARANTINED_FILE_SIZE;

bool IsStorableRecord(const TQuarantineRecord& record)
{
    return IsStorableText(record.OriginalPath, MAX_ORIGINAL_PATH_BYTES) && IsStorableText(record.MalwareName, kMaxNameLength) &&
           record.Size <= MAX_QUARANTINED_FILE_SIZE;
}

void TQuarantineStream::Apply(std::span<std::uint8_t> bytes)
{
    for (std::uint8_t& byte : bytes) {
        if (used_ == 8) {
            // One step of splitmix64, a pseudo-random stream of the key: a
            // run of the original bytes shows through only by chance.
            state_ += 0x9E3779B97F4A7C15u;
            std::uint64_t z = state_;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
            block_ = z ^ (z >> 31);
            used_ = 0;
        }
        byte ^= static_cast<std::uint8_t>(block_ >> (8 * used_++));
    }
}

std::vector<std::uint8_t> EncodeEntry(const TQuarantineRecord& record, std::uint64_t key, const TQuarantineSecret& secret,
                                      std::span<std::uint8_t> content)
{
    std::vector<std::uint8_t> head;
    head.reserve(MAX_ENTRY_HEAD_SIZE);
    PutBytes(head, kMagic, sizeof kMagic);
    PutLittleEndian(head, key, 8);
    PutLittleEndian(head, record.Attributes, 4);
    PutLittleEndian(head, record.Size, 8);
    PutLittleEndian(head, record.Date, 8);
    PutBytes(head, record.Digest.data(), record.Digest.size());
    PutText(head, record.OriginalPath);
    PutText(head, record.MalwareName);
    THmacSha256 mac(secret);
    mac.Update(head);
    mac.Update(content);
    const TSha256Digest digest = mac.Final();
    PutBytes(head, digest.data(), digest.size());
    TQuarantineStream stream(key);
    stream.Apply(std::span(head).subspan(ENTRY_STREAM_START));
    stream.Apply(content);
    return head;
}

std::optional<TDecodedEntry> DecodeEntry(std::vector<std::uint8_t> entry, const TQuarantineSecret& secret)
{
    std::optional<TParsedHead> head = ParseHead(entry, entry.size(), secret);
    if (!head) return std::nullopt;
    entry.erase(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(head->Size));
    head->Stream.Apply(entry);
    head->Mac.Update(entry);
    if (!SameDigest(head->Mac.Final(), head->StoredMac)) return std::nullopt;
    if (MD5Digest(entry.data(), entry.size()) != head->Record.Digest) return std::nullopt;
    return TDecodedEntry{std::move(head->Record), std::move(entry)};
}
