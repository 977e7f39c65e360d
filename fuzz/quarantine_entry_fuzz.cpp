// Any bytes as a quarantine entry, as the list and the restore read one: the
// head from its first bytes, then the whole entry decoded. No crash, no read
// outside the input; and an entry that decodes is exactly what the encoder
// writes for its record, content and key, so the reader takes no other form.
#include <algorithm>
#include <cstdlib>

#include "quarantine/quarantine_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> input(data, data + size);
    const std::optional<TQuarantineRecord> head =
        ReadEntryHead(std::span(input).first(std::min(size, MAX_ENTRY_HEAD_SIZE)), size);
    std::optional<TDecodedEntry> decoded = DecodeEntry(input);
    if (!decoded) return 0;
    if (head != decoded->Record) std::abort();
    std::uint64_t key = 0;
    for (std::size_t i = ENTRY_STREAM_START; i-- > ENTRY_MAGIC_SIZE;) key = key << 8 | input[i];
    std::vector<std::uint8_t> again = EncodeEntry(decoded->Record, key, decoded->Content);
    again.insert(again.end(), decoded->Content.begin(), decoded->Content.end());
    if (again != input) std::abort();
    return 0;
}
