// The engine side of the pattern engine benchmark (bench/sscan.sh drives it).
//
//   sscan_bench generate CORPUS_LIST OUTDIR
//       Writes, from a fixed seed, 4500 patterns of 16 to 127 bytes with
//       about one wildcard byte in ten, 100 of them cut from corpus files so
//       that real matches occur: OUTDIR/SIG_MSN.DAT, OUTDIR/rules.yar and
//       OUTDIR/sigs.ndb hold the same set.
//   sscan_bench scan SIGFILE CORPUS_LIST MATCHED_OUT
//       Loads SIGFILE, compiles it, scans every listed file single-threaded,
//       writes the matching files' paths to MATCHED_OUT and prints the
//       scan time and the compile time and memory.
//   sscan_bench compile
//       Compiles 4500 random patterns of 127 bytes, the largest table the
//       program hands over, and prints initscan's time and memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "signatures/qzs_scan.h"
#include "signatures/signature_writer.h"
#include "sscan/pattern_matcher.h"

namespace {

constexpr int kPatterns = 4500;
constexpr int kCutFromCorpus = 100;

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A window worth a signature: varied bytes, few zeros, as a signature
// writer would choose.
bool Distinctive(const std::uint8_t* bytes, std::size_t size)
{
    std::set<std::uint8_t> distinct(bytes, bytes + size);
    const auto zeros = std::count(bytes, bytes + size, 0);
    return distinct.size() >= size / 2 && static_cast<std::size_t>(zeros) * 8 <= size;
}

struct TBenchPattern {
    std::vector<std::uint8_t> Bytes;
    std::vector<bool> Wild;
};

TBenchPattern MakePattern(std::vector<std::uint8_t> bytes, std::mt19937& random)
{
    TBenchPattern p{std::move(bytes), {}};
    p.Wild.assign(p.Bytes.size(), false);
    // Never first or last: both peers want a fixed byte at each end.
    for (std::size_t k = 1; k + 1 < p.Bytes.size(); ++k) p.Wild[k] = random() % 10 == 0;
    return p;
}

std::string Hex(const TBenchPattern& p, const char* wildcard, const char* separator)
{
    std::string text;
    for (std::size_t k = 0; k < p.Bytes.size(); ++k) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", p.Bytes[k]);
        if (k && *separator) text += separator;
        text += p.Wild[k] ? wildcard : pair;
    }
    return text;
}

// A cut pattern's window, from its own file.
struct TCut {
    std::size_t File;
    TBenchPattern Pattern;
};

bool CutFrom(const std::vector<std::string>& corpus, std::size_t file, std::mt19937& random, TCut& cut)
{
    const auto data = ReadFile(corpus[file]);
    for (int tries = 0; tries < 50; ++tries) {
        const std::size_t size = 16 + random() % 112;
        if (data.size() < size) return false;
        const std::size_t at = random() % (data.size() - size + 1);
        if (!Distinctive(data.data() + at, size)) continue;
        cut = {file, MakePattern({data.begin() + at, data.begin() + at + size}, random)};
        return true;
    }
    return false;
}

// Drops cut patterns that also match files other than their own (code that
// many libraries share), so that matches stay rare as in real use: scans
// the corpus with the cut set and removes the winner of every file that has
// no pattern of its own. Returns whether anything was dropped.
bool DropSharedCuts(const std::vector<std::string>& corpus, std::vector<TCut>& cuts)
{
    std::vector<TPatternSignature> table;
    std::set<std::size_t> homes;
    for (const TCut& c : cuts) {
        TPatternSignature s{};
        s.Pattern.Assign(Hex(c.Pattern, "??", ""));
        s.PatternSize = static_cast<std::uint8_t>(s.Pattern.Len / 2);
        table.push_back(s);
        homes.insert(c.File);
    }
    const TPatternMatcher matcher(table.data(), static_cast<std::int32_t>(table.size()));
    std::set<std::int32_t> shared;
    for (std::size_t f = 0; f < corpus.size(); ++f) {
        if (homes.count(f)) continue;
        const std::int32_t winner = FindFirstMatchInFile(matcher, corpus[f]);
        if (winner >= 0) shared.insert(winner);
    }
    for (auto it = shared.rbegin(); it != shared.rend(); ++it) cuts.erase(cuts.begin() + *it);
    return !shared.empty();
}

int Generate(const std::string& corpusList, const std::string& outDir)
{
    const auto corpus = ReadLines(corpusList);
    if (corpus.empty()) return std::fprintf(stderr, "empty corpus\n"), 2;
    std::mt19937 random(20261210);
    // Rounds of cutting and dropping the shared cuts, then dropping alone
    // until no cut matches a file other than its own.
    std::vector<TCut> cuts;
    for (int round = 0; round < 20; ++round) {
        std::set<std::size_t> used;
        for (const TCut& c : cuts) used.insert(c.File);
        for (int tries = 0; cuts.size() < kCutFromCorpus && tries < 10000; ++tries) {
            const std::size_t file = random() % corpus.size();
            TCut cut;
            if (!used.count(file) && CutFrom(corpus, file, random, cut)) cuts.push_back(cut), used.insert(file);
        }
        if (!DropSharedCuts(corpus, cuts)) break;
    }
    while (DropSharedCuts(corpus, cuts)) {
    }
    std::fprintf(stderr, "%zu patterns cut from the corpus\n", cuts.size());
    std::vector<TBenchPattern> patterns;
    for (TCut& c : cuts) patterns.push_back(std::move(c.Pattern));
    while (patterns.size() < kPatterns) {
        std::vector<std::uint8_t> bytes(16 + random() % 112);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        patterns.push_back(MakePattern(std::move(bytes), random));
    }
    std::shuffle(patterns.begin(), patterns.end(), random);

    std::vector<std::uint8_t> sig = EncodePatternHeader();
    std::ofstream yara(outDir + "/rules.yar"), ndb(outDir + "/sigs.ndb");
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        const std::string name = "Bench_" + std::to_string(i);
        AppendRecord(sig, EncodePatternRecord(name, Hex(patterns[i], "??", "")));
        yara << "rule " << name << " { strings: $p = { " << Hex(patterns[i], "??", " ") << " } condition: $p }\n";
        ndb << name << ":0:*:" << Hex(patterns[i], "??", "") << "\n";
    }
    return WriteBytesToFile(outDir + "/SIG_MSN.DAT", sig) ? 0 : 2;
}

int Scan(const std::string& sigFile, const std::string& corpusList, const std::string& matchedOut)
{
    TPatternSignatureTable table;
    if (!table.LoadPatternSignatures(sigFile)) return std::fprintf(stderr, "cannot load %s\n", sigFile.c_str()), 2;
    const auto compileStart = std::chrono::steady_clock::now();
    const TPatternMatcher matcher(table.PatternSignatures(), table.PatternSignatureCount());
    const double compileMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - compileStart).count();

    const auto corpus = ReadLines(corpusList);
    std::ofstream matched(matchedOut);
    const auto start = std::chrono::steady_clock::now();
    for (const auto& path : corpus)
        if (FindFirstMatchInFile(matcher, path) >= 0) matched << path << "\n";
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("compile_ms %.1f\nmemory_bytes %zu\nseconds %.4f\n", compileMs, matcher.MemoryUsed(), seconds);
    return 0;
}

int CompileLargest()
{
    std::mt19937 random(127);
    std::vector<TPatternSignature> table(MAX_NB_SIG);
    for (auto& record : table) {
        std::vector<std::uint8_t> bytes(MAX_PATTERN_SIZE);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        record.Name.Assign("Largest");
        record.Pattern.Assign(Hex(MakePattern(std::move(bytes), random), "??", ""));
        record.PatternSize = static_cast<std::uint8_t>(record.Pattern.Len / 2);
    }
    double best = 1e30;
    std::size_t memory = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const TPatternMatcher matcher(table.data(), MAX_NB_SIG);
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        memory = matcher.MemoryUsed();
    }
    std::printf("initscan of %d patterns of %zu bytes: %.1f ms, %.2f MiB (targets: under 200 ms, under 32 MiB)\n",
                MAX_NB_SIG, MAX_PATTERN_SIZE, best, memory / 1048576.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "generate") return Generate(args[1], args[2]);
    if (args.size() == 4 && args[0] == "scan") return Scan(args[1], args[2], args[3]);
    if (args.size() == 1 && args[0] == "compile") return CompileLargest();
    std::fprintf(stderr, "usage: sscan_bench generate CORPUS_LIST OUTDIR | scan SIGFILE CORPUS_LIST MATCHED_OUT | compile\n");
    return 2;
}
