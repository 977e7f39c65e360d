// Time to load full signature sets: 4500 pattern signatures and 260,000
// fingerprints, each split over a main file and a supplement as shipped.
// Prints the best of several runs; the files come from the page cache.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "signatures/qz_PE_MD5.h"
#include "signatures/qzs_scan.h"
#include "signatures/signature_writer.h"

namespace {

std::string HexDigest(unsigned n)
{
    char text[33];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", n, n * 2654435761u, ~n, n ^ 0xA5A5A5A5u);
    return text;
}

void WritePatternFile(const std::string& path, int first, int count)
{
    std::vector<std::uint8_t> file = EncodePatternHeader();
    for (int i = first; i < first + count; ++i)
        AppendRecord(file, EncodePatternRecord("Bench.Pattern." + std::to_string(i),
                                               std::string(120, 'A') + "??" + std::to_string(100000 + i) + std::string(120, '0')));
    WriteBytesToFile(path, file);
}

void WriteFingerprintFile(const std::string& path, int first, int count)
{
    std::vector<std::uint8_t> file = EncodePEMD5Header();
    for (int i = first; i < first + count; ++i)
        AppendRecord(file, EncodePEMD5Record(512 * (1 + i % 4096), HexDigest(static_cast<unsigned>(i)),
                                             "Bench.Fingerprint." + std::to_string(i)));
    WriteBytesToFile(path, file);
}

template <typename F>
double BestMilliseconds(int runs, F&& f)
{
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main()
{
    const auto dir = std::filesystem::temp_directory_path() / "purvane-load-bench";
    std::filesystem::create_directories(dir);
    const std::string p1 = (dir / "SIG_MSN.DAT").string(), p2 = (dir / "SIG_MSN2.DAT").string();
    const std::string f1 = (dir / "mdpe_msn.dat").string(), f2 = (dir / "mdpe_msn2.dat").string();
    WritePatternFile(p1, 1, 4000);
    WritePatternFile(p2, 4001, 500);
    WriteFingerprintFile(f1, 1, 250000);
    WriteFingerprintFile(f2, 250001, 10000);

    std::int32_t patterns = 0, fingerprints = 0;
    bool valid = false;
    const double patternMs = BestMilliseconds(10, [&] {
        TPatternSignatureTable table;
        table.LoadPatternSignatures(p1);
        table.AppendPatternSignatures(p2);
        valid = table.ValidatePatternSignatures();
        patterns = table.PatternSignatureCount();
    });
    const double fingerprintMs = BestMilliseconds(10, [&] {
        TPEMD5SignatureTable table;
        table.LoadPEMD5Signatures(f1);
        table.AppendPEMD5Signatures(f2);
        fingerprints = table.PEMD5SignatureCount();
    });
    std::filesystem::remove_all(dir);
    if (patterns != 4500 || fingerprints != 260000 || !valid) {
        std::fprintf(stderr, "loaded %d patterns (valid %d), %d fingerprints: wrong\n", patterns, valid, fingerprints);
        return 1;
    }
    std::printf("patterns: %d in %.2f ms\nfingerprints: %d in %.2f ms\n", patterns, patternMs, fingerprints, fingerprintMs);
    std::printf("signature load: %.2f ms for %d patterns and %d fingerprints (target: under 100 ms)\n",
                patternMs + fingerprintMs, patterns, fingerprints);
    return 0;
}
