// PE fingerprint lookups per second with a full table of 260,000 records
// (250,000 in the main file, 10,000 in the supplement, loaded as shipped):
// the index against the linear pass, in the same run, on the same queries
// (half of them present in the table, half absent with a size that is).
// Also the time to build the index, best of several builds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "pe/qz_scan_PEMD5.h"
#include "signatures/signature_writer.h"

namespace {

using TClock = std::chrono::steady_clock;

std::string RandomDigest(std::mt19937_64& random)
{
    char text[33];
    std::snprintf(text, sizeof text, "%016llX%016llX", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long long>(random()));
    return text;
}

std::int32_t SizeOf(int i) { return 512 * (1 + i % 4096) + i % 7; }

struct TQuery {
    std::int32_t Size;
    std::string Digest;
};

} // namespace

int main()
{
    const auto dir = std::filesystem::temp_directory_path() / "purvane-lookup-bench";
    std::filesystem::create_directories(dir);
    std::mt19937_64 random(42);
    std::vector<TQuery> records;
    for (int i = 0; i < MAX_NB_SIG_PEMD; ++i) records.push_back({SizeOf(i), RandomDigest(random)});
    const std::string main = (dir / "mdpe_msn.dat").string(), supplement = (dir / "mdpe_msn2.dat").string();
    for (const auto& [path, first, last] : {std::tuple{main, 0, 250000}, std::tuple{supplement, 250000, MAX_NB_SIG_PEMD}}) {
        std::vector<std::uint8_t> file = EncodePEMD5Header();
        for (int i = first; i < last; ++i) AppendRecord(file, EncodePEMD5Record(records[i].Size, records[i].Digest, "Bench." + std::to_string(i)));
        WriteBytesToFile(path, file);
    }
    auto table = std::make_unique<TPEMD5SignatureTable>();
    table->LoadPEMD5Signatures(main);
    table->AppendPEMD5Signatures(supplement);
    std::filesystem::remove_all(dir);
    if (table->StoredCount() != MAX_NB_SIG_PEMD) {
        std::fprintf(stderr, "loaded %d records: wrong\n", table->StoredCount());
        return 1;
    }

    double buildMs = 1e30;
    for (int r = 0; r < 7; ++r) {
        const auto start = TClock::now();
        const TPEMD5Lookup lookup(*table);
        buildMs = std::min(buildMs, std::chrono::duration<double, std::milli>(TClock::now() - start).count());
    }
    const TPEMD5Lookup lookup(*table);

    std::vector<TQuery> queries;
    for (int i = 0; i < 4096; ++i)
        queries.push_back(i % 2 ? records[random() % records.size()] : TQuery{SizeOf(static_cast<int>(random() % 4096)), RandomDigest(random)});

    // The linear pass on a slice of the queries (each walks 27 MB), the index on all, many times over.
    const std::size_t linearQueries = 256;
    std::vector<std::string> linearNames(linearQueries), indexNames(linearQueries);
    auto start = TClock::now();
    for (std::size_t q = 0; q < linearQueries; ++q) lookup.FindPEMD5SignatureLinear(queries[q].Size, queries[q].Digest, linearNames[q]);
    const double linearPerSecond = linearQueries / std::chrono::duration<double>(TClock::now() - start).count();

    const int rounds = 500;
    std::size_t hits = 0;
    std::string name;
    start = TClock::now();
    for (int r = 0; r < rounds; ++r)
        for (const TQuery& q : queries) hits += lookup.FindPEMD5Signature(q.Size, q.Digest, name);
    const double indexPerSecond = rounds * queries.size() / std::chrono::duration<double>(TClock::now() - start).count();

    for (std::size_t q = 0; q < linearQueries; ++q) lookup.FindPEMD5Signature(queries[q].Size, queries[q].Digest, indexNames[q]);
    if (indexNames != linearNames || hits != rounds * queries.size() / 2) {
        std::fputs("the index and the linear pass disagree\n", stderr);
        return 1;
    }
    std::printf("index build: %.2f ms for %d records (target: under 50 ms)\n", buildMs, MAX_NB_SIG_PEMD);
    std::printf("linear pass: %.0f lookups/s\nindex:       %.0f lookups/s\n", linearPerSecond, indexPerSecond);
    std::printf("PE fingerprint lookup: index %.0fx the linear pass (%.2e vs %.2e lookups/s), index build %.2f ms\n",
                indexPerSecond / linearPerSecond, indexPerSecond, linearPerSecond, buildMs);
    return 0;
}
