// Any bytes as a file for the PE reader and the fingerprint check: no crash,
// no read outside the file, the table holding at most the file's bytes and
// exactly the bytes the file has at each held section's offset.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "common/errors.h"
#include "fuzz/fuzz_file.h"
#include "pe/MD5.h"
#include "pe/PE.h"
#include "pe/qz_scan_PEMD5.h"
#include "signatures/signature_writer.h"

namespace {

// A small table whose keys the fuzzer can reach: the empty section and a few
// sizes. Keys stay small so that no input makes the check digest megabytes
// of zeros over and over.
const TPEMD5Lookup& Lookup()
{
    static const std::unique_ptr<TPEMD5SignatureTable> table = [] {
        std::vector<std::uint8_t> file = EncodePEMD5Header();
        AppendRecord(file, EncodePEMD5Record(0, MD5HexDigest(nullptr, 0), "Empty.Section"));
        for (std::int32_t size : {16, 512, 1024, 4096})
            AppendRecord(file, EncodePEMD5Record(size, MD5HexDigest(std::string(size, '\0').data(), size), "Zeros"));
        const std::string path = "/dev/shm/purvane-fuzz-table-" + std::to_string(::getpid());
        auto t = std::make_unique<TPEMD5SignatureTable>();
        if (!WriteBytesToFile(path, file) || !t->LoadPEMD5Signatures(path)) std::abort();
        std::remove(path.c_str());
        return t;
    }();
    static const TPEMD5Lookup lookup(*table);
    return lookup;
}

void CheckTable(const TSectionTable& table, const std::uint8_t* data, std::size_t size)
{
    if (table.HeldDataSize() > size) std::abort();
    for (int i = 0; i < table.Count(); ++i) {
        TSectionEntry e{};
        table.GetSection(i, e);
        if ((e.Data == nullptr) != (e.DataLength == 0) || e.DataLength > e.SizeOfRawData) std::abort();
        if (e.Data && !IsFingerprintedSection(e)) std::abort();
        if (e.Data && (e.PointerToRawData >= size || e.DataLength > size - e.PointerToRawData ||
                       std::memcmp(e.Data, data + e.PointerToRawData, e.DataLength) != 0))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = WriteFuzzFile(data, size);
    const bool pe = IsPEFile(path);
    try {
        const TSectionTable table(path);
        if (!pe) std::abort();
        CheckTable(table, data, size);
    } catch (const TNotPEFileError&) {
        if (pe) std::abort();
    }
    TMD5MalwareInfo info{true, "left over"};
    if (ScanPEMD5(path, info, Lookup()) != pe) std::abort();
    if (!pe && (info.Found || !info.MalwareName.empty())) std::abort();
    return 0;
}
