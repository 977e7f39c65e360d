// import-clamav and export-clamav: the signature sets in ClamAV's forms.
//
// import-clamav turns a ClamAV body-signature (.ndb) or PE-section-hash
// (.mdb) database into build-* source lines, for the entries this program's
// formats express exactly. Everything else is reported on stderr, one line
// per entry with its reason.
//
// .ndb  Name:TargetType:Offset:HexSignature[:MinFL[:MaxFL]]
//       Taken when the offset is "*" (anywhere) and the body is hex bytes,
//       "??" wildcards and fixed "{n}" gaps, within 8 to 127 bytes. A body
//       "4D5A{2}00??" gives the pattern text 4D5A????00??.
// .mdb  SectionSize:MD5:Name  gives  SectionSize<TAB>MD5 in upper case<TAB>Name.
//
// export-clamav DIR OUT_BASE writes the four signature files of DIR as
// OUT_BASE.ndb (every pattern anywhere in the file, wildcard pairs as "??")
// and OUT_BASE.mdb (the fingerprints), for comparing with ClamAV.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "common/text.h"
#include "pe/MD5.h"
#include "signatures/qz_PE_MD5.h"
#include "signatures/qzs_scan.h"
#include "tools/sigtool/commands.h"
#include "tools/sigtool/sources.h"

namespace {

std::vector<std::string> SplitColons(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = line.find(':', start);
        fields.push_back(line.substr(start, at - start));
        if (at == std::string::npos) return fields;
        start = at + 1;
    }
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

void CheckName(const std::string& name)
{
    CheckSignatureName(name);
    if (name.find('\t') != std::string::npos) throw std::runtime_error("name holds a tab");
}

// Converts a ClamAV hex body into a pattern text, or raises with the reason.
std::string ConvertBody(const std::string& body)
{
    std::string pattern;
    std::size_t i = 0;
    while (i < body.size()) {
        const char c = body[i];
        if (c == '{') {
            const std::size_t close = body.find('}', i);
            if (close == std::string::npos) throw std::runtime_error("unclosed {");
            const std::string gap = body.substr(i + 1, close - i - 1);
            if (gap.empty() || gap.size() > 3 || gap.find_first_not_of("0123456789") != std::string::npos)
                throw std::runtime_error("variable gap {" + gap + "}");
            const std::size_t n = std::stoul(gap);
            if (pattern.size() / 2 + n > MAX_PATTERN_SIZE) throw std::runtime_error(PatternTooLong());
            pattern.append(2 * n, '?');
            i = close + 1;
            continue;
        }
        if (i + 1 >= body.size()) throw std::runtime_error("odd number of hex digits");
        const char d = body[i + 1];
        if (c == '?' && d == '?') {
            pattern += "??";
        } else if (IsHex(c) && IsHex(d)) {
            pattern += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            pattern += static_cast<char>(std::toupper(static_cast<unsigned char>(d)));
        } else if ((c == '?' && IsHex(d)) || (IsHex(c) && d == '?')) {
            throw std::runtime_error("nibble wildcard " + body.substr(i, 2));
        } else {
            throw std::runtime_error(std::string("unsupported construct at '") + c + "'");
        }
        i += 2;
        if (pattern.size() / 2 > MAX_PATTERN_SIZE) throw std::runtime_error(PatternTooLong());
    }
    if (pattern.size() / 2 < MIN_PATTERN_SIZE) throw std::runtime_error("shorter than " + std::to_string(MIN_PATTERN_SIZE) + " bytes");
    return pattern;
}

std::string ConvertNdb(const std::string& line)
{
    const auto f = SplitColons(line);
    if (f.size() < 4 || f.size() > 6) throw std::runtime_error("not Name:TargetType:Offset:HexSignature");
    CheckName(f[0]);
    if (f[1] != "0" && f[1] != "1") throw std::runtime_error("target type " + f[1] + " is not any file or PE");
    if (f[2] != "*") throw std::runtime_error("offset " + f[2] + " is not *");
    const std::string pattern = ConvertBody(f[3]);
    return f[0] + "\t" + pattern + "\t" + std::to_string(pattern.size() / 2);
}

std::string ConvertMdb(const std::string& line)
{
    const auto f = SplitColons(line);
    if (f.size() < 3 || f.size() > 4) throw std::runtime_error("not SectionSize:MD5:Name");
    if (f[0].empty() || f[0].size() > 10 || f[0].find_first_not_of("0123456789") != std::string::npos ||
        std::stoull(f[0]) > 0x7FFFFFFFull)
        throw std::runtime_error("section size " + f[0] + " is not a number up to 2147483647");
    if (f[1].size() != 32 || f[1].find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw std::runtime_error("not an MD5 digest");
    CheckName(f[2]);
    return f[0] + "\t" + UpperCaseAscii(f[1]) + "\t" + f[2];
}

bool EndsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

int ImportClamav(const TArgs& args)
{
    if (args.size() != 1) {
        std::fputs("usage: sigtool import-clamav FILE.ndb|FILE.mdb\n", stderr);
        return 2;
    }
    const std::string& path = args[0];
    std::string (*convert)(const std::string&) = nullptr;
    if (EndsWith(path, ".ndb")) convert = ConvertNdb;
    else if (EndsWith(path, ".mdb")) convert = ConvertMdb;
    else {
        PrintError(path + ": not a .ndb or .mdb database");
        return 2;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        PrintError("cannot read " + path);
        return 2;
    }
    ForEachRecordLine(in, [&](const std::string& line, int number) {
        try {
            std::printf("%s\n", convert(line).c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s:%d: skipped: %s\n", path.c_str(), number, e.what());
        }
    });
    return 0;
}

namespace {

// A pattern text as a ClamAV hex body: every wildcard pair becomes "??".
std::string ClamavBody(const TPatternSignature& s)
{
    std::string body;
    for (std::size_t k = 0; k < s.PatternSize; ++k) {
        const char first = s.Pattern.Chars[2 * k], second = s.Pattern.Chars[2 * k + 1];
        body += IsWildcardPair(first, second) ? std::string("??") : UpperCaseAscii(std::string{first, second});
    }
    return body;
}

// Whether a name survives in a ClamAV database line.
bool ClamavName(const std::string& name) { return !name.empty() && name.find_first_of(":\t\r\n") == std::string::npos; }

} // namespace

int ExportClamav(const TArgs& args)
{
    if (args.size() != 2) {
        std::fputs("usage: sigtool export-clamav DIR OUT_BASE\n", stderr);
        return 2;
    }
    std::string dir = args[0];
    if (dir.back() != '/') dir += '/';
    TPatternSignatureTable patterns;
    TPEMD5SignatureTable fingerprints;
    if (!patterns.LoadPatternSignatures(dir + "SIG_MSN.DAT") || !fingerprints.LoadPEMD5Signatures(dir + "mdpe_msn.dat")) {
        PrintError("cannot read the signature files in " + args[0]);
        return 2;
    }
    patterns.AppendPatternSignatures(dir + "SIG_MSN2.DAT");
    fingerprints.AppendPEMD5Signatures(dir + "mdpe_msn2.dat");
    std::ofstream ndb(args[1] + ".ndb"), mdb(args[1] + ".mdb");
    int skipped = 0;
    for (std::int32_t i = 0; i < patterns.StoredCount(); ++i) {
        const TPatternSignature& s = patterns.PatternSignatures()[i];
        const bool usable = ClamavName(s.Name.Str()) && s.PatternSize > 0 &&
                            ClamavBody(s).find_first_not_of("?") != std::string::npos;
        if (usable) ndb << s.Name.Str() << ":0:*:" << ClamavBody(s) << "\n";
        skipped += !usable;
    }
    // ClamAV's section hashes are lower-case hex.
    for (std::int32_t i = 0; i < fingerprints.StoredCount(); ++i) {
        const TPEMD5Signature& s = fingerprints.PEMD5Signatures()[i];
        std::string digest = s.Digest.Str();
        for (char& ch : digest) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        const bool usable = ClamavName(s.Name.Str()) && IsMD5DigestText(s.Digest.View());
        if (usable) mdb << s.SectionSize << ":" << digest << ":" << s.Name.Str() << "\n";
        skipped += !usable;
    }
    if (skipped) PrintError(std::to_string(skipped) + " records have no ClamAV form and were left out");
    return ndb && mdb ? 0 : 2;
}
