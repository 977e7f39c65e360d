// What a worm that can write into the quarantine's folder, but not read its
// secret, would plant there: entries in the documented layouts, naming a
// path it wants written.
//   entry_forger unkeyed|wrong-mac ENTRY_FILE ORIGINAL_PATH
// unkeyed: the old format, "PVQ1", its record and content MD5s right;
// wrong-mac: "PVQ2" with a MAC made under a secret of its own.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "quarantine/quarantine_entry.h"

int main(int argc, char** argv)
{
    if (argc != 4) return 2;
    const std::string kind = argv[1];
    std::vector<std::uint8_t> content = {'M', 'Z', 'f', 'o', 'r', 'g', 'e', 'd'};
    TQuarantineRecord record;
    record.OriginalPath = argv[3];
    record.MalwareName = "Faux positif";
    record.Size = content.size();
    record.Digest = MD5Digest(content.data(), content.size());
    const std::uint64_t key = 0x0123456789ABCDEFu;
    std::vector<std::uint8_t> entry;
    if (kind == "wrong-mac") {
        const TQuarantineSecret guessed{};
        entry = EncodeEntry(record, key, guessed, content);
        entry.insert(entry.end(), content.begin(), content.end());
    } else if (kind == "unkeyed") {
        entry = {'P', 'V', 'Q', '1'};
        const auto put = [&](std::uint64_t value, int size) {
            for (int i = 0; i < size; ++i) entry.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        };
        put(key, 8);
        put(record.Attributes, 4);
        put(record.Size, 8);
        put(record.Date, 8);
        entry.insert(entry.end(), record.Digest.begin(), record.Digest.end());
        put(record.OriginalPath.size(), 2);
        entry.insert(entry.end(), record.OriginalPath.begin(), record.OriginalPath.end());
        put(record.MalwareName.size(), 2);
        entry.insert(entry.end(), record.MalwareName.begin(), record.MalwareName.end());
        const TMD5Digest recordDigest = MD5Digest(entry.data() + ENTRY_STREAM_START, entry.size() - ENTRY_STREAM_START);
        entry.insert(entry.end(), recordDigest.begin(), recordDigest.end());
        entry.insert(entry.end(), content.begin(), content.end());
        TQuarantineStream(key).Apply(std::span(entry).subspan(ENTRY_STREAM_START));
    } else {
        return 2;
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (!out) return 1;
    const bool written = std::fwrite(entry.data(), 1, entry.size(), out) == entry.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}
