// Any bytes as a quarantine entry, as the list and the restore read one,
// under a fixed secret. No crash, no read outside the input; and an entry
// that decodes is exactly what the encoder writes for its record, content,
// key and secret, so the reader takes no other form. (A forged entry that
// decodes would need the MAC; the fuzzer writes one when it finds the form.)
#include <algorithm>
#include <cstdlib>

#include "quarantine/quarantine_entry.h"

namespace {

const TQuarantineSecret kSecret = {0x50, 0x56, 0x51, 0x32};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> input(data, data + size);
    std::optional<TDecodedEntry> decoded = DecodeEntry(input, kSecret);
    if (!decoded) return 0;
    std::uint64_t key = 0;
    for (std::size_t i = ENTRY_STREAM_START; i-- > ENTRY_KEY_OFFSET;) key = key << 8 | input[i];
    std::vector<std::uint8_t> again = EncodeEntry(decoded->Record, key, kSecret, decoded->Content);
    again.insert(again.end(), decoded->Content.begin(), decoded->Content.end());
    if (again != input) std::abort();
    return 0;
}
