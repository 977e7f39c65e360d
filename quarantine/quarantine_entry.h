// One quarantine entry as it lies in its file: the copy of a deleted file
// and its record, encoded so that the copy can neither run nor be detected,
// and authenticated with the quarantine's secret so that no entry but the
// program's is ever listed or restored.
//
//   offset  size  field (little-endian)
//   0       4     magic "PVQ2"
//   4       8     key of the byte stream
//   12      ...   from here on every byte is XORed with the key's stream:
//           4     the file's attributes
//           8     content size
//           8     date of the copy (100 ns units since 1601, UTC)
//           16    MD5 of the content
//           2     path length P, then P bytes: the original path, UTF-8
//           2     name length N, then N bytes: the signature's name
//           32    MAC: HMAC-SHA-256 with the secret over the entry in clear
//                 without the MAC (magic, key, attributes to name, content)
//           size  the content
//
// The stream is splitmix64 from the key: for every 8 bytes the state, at
// first the key, grows by 0x9E3779B97F4A7C15 and its mix gives them, low
// byte first; it starts at offset 12. The file holds exactly the head and
// the content. Only the magic and the key stand in clear, so
// no run of the original bytes, its path or its name survives in the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/sha256.h"
#include "pe/MD5.h"

// The longest original path, in bytes: a path of up to 259 UTF-16 units takes
// at most 3 bytes for each in UTF-8.
constexpr std::size_t MAX_ORIGINAL_PATH_BYTES = 3 * 259;

// A file above this size is deleted without a copy.
constexpr std::uint64_t MAX_QUARANTINED_FILE_SIZE = std::uint64_t{64} << 20;

constexpr std::size_t ENTRY_MAGIC_SIZE = 4;
constexpr std::size_t ENTRY_KEY_OFFSET = ENTRY_MAGIC_SIZE;
constexpr std::size_t ENTRY_STREAM_START = ENTRY_MAGIC_SIZE + 8;

struct TQuarantineRecord {
    std::string OriginalPath;  // the file's full path in UTF-8, every character kept
    std::string MalwareName;   // the signature that found the file
    std::uint64_t Size = 0;
    TMD5Digest Digest{};
    std::uint64_t Date = 0;         // 100 ns units since 1601, UTC
    std::uint32_t Attributes = 0;   // the file's attributes before its deletion
    bool operator==(const TQuarantineRecord&) const = default;
};

// The quarantine's secret, which only administrators can read: the key of
// every entry's MAC.
constexpr std::size_t QUARANTINE_SECRET_SIZE = 32;
using TQuarantineSecret = std::array<std::uint8_t, QUARANTINE_SECRET_SIZE>;

// The longest head an entry can have, and the longest entry.
extern const std::size_t MAX_ENTRY_HEAD_SIZE;
extern const std::uint64_t MAX_ENTRY_SIZE;

// True when record can be written: a path and a name within their limits,
// without a zero byte, and a size within the file size limit.
bool IsStorableRecord(const TQuarantineRecord& record);

// The byte stream of a key: XORs bytes with it, each call going on where the
// last one stopped. Applying it twice from the same start gives the bytes back.
class TQuarantineStream {
public:
    explicit TQuarantineStream(std::uint64_t key) : state_(key) {}
    void Apply(std::span<std::uint8_t> bytes);

private:
    std::uint64_t state_;
    std::uint64_t block_ = 0;
    std::size_t used_ = 8;  // bytes of block_ already given
};

// Encodes content in place and returns the head that goes before it, its
// MAC made with secret. record must be storable and describe content (size
// and digest).
std::vector<std::uint8_t> EncodeEntry(const TQuarantineRecord& record, std::uint64_t key, const TQuarantineSecret& secret,
                                      std::span<std::uint8_t> content);

struct TDecodedEntry {
    TQuarantineRecord Record;
    std::vector<std::uint8_t> Content;
};

// A whole entry file, decoded; nothing unless it is exactly a head and the
// content it announces, its MAC made with secret, and its content gives the
// recorded MD5. An entry of any other format ("PVQ1") is refused.
std::optional<TDecodedEntry> DecodeEntry(std::vector<std::uint8_t> entry, const TQuarantineSecret& secret);
