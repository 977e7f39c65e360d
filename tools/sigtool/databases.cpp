// dump-* and build-*: signature files to text lines and back.
//
// A source holds the dump's record lines: "Name<TAB>Pattern[<TAB>PatternSize]"
// for patterns, "SectionSize<TAB>Digest<TAB>Name" for fingerprints, with "#"
// comments and blank lines. build-* refuses the whole source, writing
// nothing, at the first line the program's loader or start-up checks would
// refuse.
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/errors.h"
#include "pe/MD5.h"
#include "signatures/qz_PE_MD5.h"
#include "signatures/qzs_scan.h"
#include "signatures/signature_writer.h"
#include "tools/sigtool/commands.h"
#include "tools/sigtool/sources.h"

namespace {

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

bool ParseInt32(const std::string& text, std::int32_t& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

class TSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Calls onLine(fields) for every record line of the source; a TSourceError
// it raises is reported with the source's name and line number.
template <typename OnLine>
void ForEachSourceLine(const std::string& source, OnLine&& onLine)
{
    std::ifstream in(source, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + source);
    ForEachRecordLine(in, [&](const std::string& line, int number) {
        try {
            onLine(SplitTabs(line));
        } catch (const std::exception& e) {
            throw TSourceError(source + ":" + std::to_string(number) + ": " + e.what());
        }
    });
}

void CheckPatternLine(const std::vector<std::string>& f)
{
    if (f.size() != 2 && f.size() != 3) throw std::runtime_error("expected Name<TAB>Pattern[<TAB>PatternSize]");
    const std::string& name = f[0];
    const std::string& pattern = f[1];
    CheckSignatureName(name);
    if (pattern.size() < MIN_PATTERN_TEXT_LENGTH || pattern.size() > TPatternText::CAPACITY)
        throw std::runtime_error(LengthRule("pattern", MIN_PATTERN_TEXT_LENGTH, TPatternText::CAPACITY));
    for (std::size_t k = 0; k + 1 < pattern.size(); k += 2) CheckPatternPair(pattern[k], pattern[k + 1]);
    std::int32_t size = 0;
    if (f.size() == 3 && (!ParseInt32(f[2], size) || size != static_cast<std::int32_t>(pattern.size() / 2)))
        throw std::runtime_error("PatternSize must be the pattern's length div 2");
}

void CheckFingerprintLine(const std::vector<std::string>& f, std::int32_t& size)
{
    if (f.size() != 3) throw std::runtime_error("expected SectionSize<TAB>Digest<TAB>Name");
    if (!ParseInt32(f[0], size)) throw std::runtime_error("SectionSize must be a signed 32-bit number");
    if (f[1].size() > TDigestText::CAPACITY) throw std::runtime_error(LengthRule("digest", 0, TDigestText::CAPACITY));
    if (f[2].size() > TSignatureName::CAPACITY) throw std::runtime_error(LengthRule("name", 0, TSignatureName::CAPACITY));
}

int WriteOrFail(const std::string& out, const std::vector<std::uint8_t>& bytes)
{
    if (WriteBytesToFile(out, bytes)) return 0;
    PrintError("cannot write " + out);
    return 2;
}

bool Expect(const TArgs& args, std::size_t n, const char* usage)
{
    if (args.size() == n) return true;
    std::fprintf(stderr, "usage: sigtool %s\n", usage);
    return false;
}

// Loads the file named by the one argument, prints each stored record as a
// source line, then the summary. Exit 1 when the file did not load.
template <typename TTable, typename PrintRecord, typename PrintSummary>
int DumpTable(const TArgs& args, const char* usage, bool (TTable::*load)(const std::string&),
              PrintRecord&& printRecord, PrintSummary&& printSummary)
{
    if (!Expect(args, 1, usage)) return 2;
    TTable table;
    const bool loaded = (table.*load)(args[0]);
    for (std::int32_t i = 0; i < table.StoredCount(); ++i) printRecord(table, i);
    printSummary(table);
    return loaded ? 0 : 1;
}

} // namespace

int DumpPatterns(const TArgs& args)
{
    return DumpTable<TPatternSignatureTable>(
        args, "dump-patterns FILE", &TPatternSignatureTable::LoadPatternSignatures,
        [](const TPatternSignatureTable& t, std::int32_t i) {
            const TPatternSignature& s = t.PatternSignatures()[i];
            std::printf("%s\t%s\t%u\n", s.Name.Str().c_str(), s.Pattern.Str().c_str(), s.PatternSize);
        },
        [](const TPatternSignatureTable& t) {
            std::printf("count %d\nvalid %d\n", t.PatternSignatureCount(), t.ValidatePatternSignatures() ? 1 : 0);
        });
}

int DumpFingerprints(const TArgs& args)
{
    return DumpTable<TPEMD5SignatureTable>(
        args, "dump-fingerprints FILE", &TPEMD5SignatureTable::LoadPEMD5Signatures,
        [](const TPEMD5SignatureTable& t, std::int32_t i) {
            const TPEMD5Signature& s = t.PEMD5Signatures()[i];
            std::printf("%d\t%s\t%s\n", s.SectionSize, s.Digest.Str().c_str(), s.Name.Str().c_str());
        },
        [](const TPEMD5SignatureTable& t) { std::printf("count %d\n", t.PEMD5SignatureCount()); });
}

int BuildPatterns(const TArgs& args)
{
    if (!Expect(args, 2, "build-patterns SOURCE OUT")) return 2;
    std::vector<std::uint8_t> file = EncodePatternHeader();
    ForEachSourceLine(args[0], [&](const std::vector<std::string>& f) {
        CheckPatternLine(f);
        AppendRecord(file, EncodePatternRecord(f[0], f[1]));
    });
    return WriteOrFail(args[1], file);
}

int BuildFingerprints(const TArgs& args)
{
    if (!Expect(args, 2, "build-fingerprints SOURCE OUT")) return 2;
    std::vector<std::uint8_t> file = EncodePEMD5Header();
    ForEachSourceLine(args[0], [&](const std::vector<std::string>& f) {
        std::int32_t size = 0;
        CheckFingerprintLine(f, size);
        if (!IsMD5DigestText(f[1]))
            PrintError("warning: " + args[0] + ": digest " + f[1] + " is not 32 upper-case hex digits and never matches");
        AppendRecord(file, EncodePEMD5Record(size, f[1], f[2]));
    });
    return WriteOrFail(args[1], file);
}
