#include <cstdio>
#include <cstring>
#include <exception>

#include "common/text.h"
#include "tools/sigtool/commands.h"

namespace {

struct TCommand {
    const char* name;
    const char* usage;
    int (*run)(const TArgs&);
};

const TCommand kCommands[] = {
    {"dump-patterns", "FILE", DumpPatterns},
    {"dump-fingerprints", "FILE", DumpFingerprints},
    {"build-patterns", "SOURCE OUT", BuildPatterns},
    {"build-fingerprints", "SOURCE OUT", BuildFingerprints},
    {"import-clamav", "FILE.ndb|FILE.mdb", ImportClamav},
    {"export-clamav", "DIR OUT_BASE", ExportClamav},
    {"make-samples", "OUTDIR", MakeSamples},
    {"fingerprint", "[--name NAME] FILE...", Fingerprint},
    {"scan", "--db DIR PATH...", Scan},
#ifndef _WIN32
    {"keygen", "KEYFILE", Keygen},
    {"public-key", "KEYFILE OUT.cpp", PublicKey},
    {"sign", "DIR [--cle KEYFILE]", Sign},
    {"verify", "DIR [--cle KEYFILE]", Verify},
#endif
};

int Usage()
{
    std::fputs("usage: sigtool COMMAND ARGS\n", stderr);
    for (const TCommand& c : kCommands) std::fprintf(stderr, "  sigtool %s %s\n", c.name, c.usage);
    return 2;
}

} // namespace

void PrintError(const std::string& message)
{
    std::fprintf(stderr, "%s\n", Cp1252ToUtf8(message).c_str());
}

int main(int argc, char** argv)
{
    if (argc < 2) return Usage();
    for (const TCommand& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        try {
            return c.run(TArgs(argv + 2, argv + argc));
        } catch (const std::exception& e) {
            PrintError(e.what());
            return 2;
        }
    }
    return Usage();
}
