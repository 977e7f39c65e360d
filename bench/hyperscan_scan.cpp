// The Hyperscan peer of the pattern engine benchmark (bench/sscan.sh): the
// same patterns, read from the ClamAV form that sscan_bench generate writes
// (NAME:0:*:HEX, "??" for any byte), compiled as one block-mode database,
// each listed file read whole and scanned on one thread until its first
// match.
//   hyperscan_scan NDB CORPUS_LIST MATCHED_OUT
// Prints the compile time and the scan time (reading the files included).
#include <hs.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A hex pattern as a Hyperscan expression: each byte escaped, each "??"
// any byte (the expressions are compiled with DOTALL).
std::string Expression(const std::string& hex)
{
    std::string expression;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
        expression += hex.compare(k, 2, "??") == 0 ? std::string(".") : "\\x" + hex.substr(k, 2);
    return expression;
}

std::vector<std::string> ReadExpressions(const std::string& ndbPath)
{
    std::ifstream in(ndbPath);
    std::vector<std::string> expressions;
    for (std::string line; std::getline(in, line);)
        if (const std::size_t hexAt = line.rfind(':'); hexAt != std::string::npos)
            expressions.push_back(Expression(line.substr(hexAt + 1)));
    return expressions;
}

// The database, or null with the reason printed.
hs_database_t* Compile(const std::vector<std::string>& expressions)
{
    std::vector<const char*> texts;
    std::vector<unsigned> flags(expressions.size(), HS_FLAG_DOTALL | HS_FLAG_SINGLEMATCH), ids;
    for (std::size_t i = 0; i < expressions.size(); ++i) {
        texts.push_back(expressions[i].c_str());
        ids.push_back(static_cast<unsigned>(i));
    }
    hs_database_t* database = nullptr;
    hs_compile_error_t* error = nullptr;
    if (hs_compile_multi(texts.data(), flags.data(), ids.data(), static_cast<unsigned>(texts.size()), HS_MODE_BLOCK,
                         nullptr, &database, &error) != HS_SUCCESS) {
        std::fprintf(stderr, "hs_compile_multi: %s (expression %d)\n", error ? error->message : "?",
                     error ? error->expression : -1);
        hs_free_compile_error(error);
        return nullptr;
    }
    return database;
}

int StopAtFirstMatch(unsigned, unsigned long long, unsigned long long, unsigned, void* found)
{
    *static_cast<bool*>(found) = true;
    return 1;
}

bool ReadWhole(const std::string& path, std::vector<char>& data)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    data.clear();
    char chunk[1 << 16];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) data.insert(data.end(), chunk, chunk + got);
    std::fclose(file);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: hyperscan_scan NDB CORPUS_LIST MATCHED_OUT\n");
        return 2;
    }
    const std::vector<std::string> expressions = ReadExpressions(argv[1]);
    const auto compileStart = std::chrono::steady_clock::now();
    hs_database_t* database = Compile(expressions);
    if (!database) return 2;
    const double compileMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - compileStart).count();
    hs_scratch_t* scratch = nullptr;
    if (hs_alloc_scratch(database, &scratch) != HS_SUCCESS) return std::fprintf(stderr, "hs_alloc_scratch failed\n"), 2;

    std::ifstream corpus(argv[2]);
    std::ofstream matched(argv[3]);
    std::vector<char> data;
    const auto start = std::chrono::steady_clock::now();
    for (std::string path; std::getline(corpus, path);) {
        bool found = false;
        if (!path.empty() && ReadWhole(path, data) &&
            hs_scan(database, data.data(), static_cast<unsigned>(data.size()), 0, scratch, StopAtFirstMatch, &found) !=
                HS_INVALID &&
            found)
            matched << path << "\n";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("patterns %zu\ncompile_ms %.1f\nseconds %.4f\n", expressions.size(), compileMs, seconds);
    hs_free_scratch(scratch);
    hs_free_database(database);
    return 0;
}
