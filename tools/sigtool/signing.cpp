// keygen, public-key, sign and verify: the maintainer's key and the signed
// manifest PURVANE.SIG of a program folder.
//
// A key file is text (trust/rsa.h) holding the private key; keygen makes it
// readable by its owner alone and never writes over a file. public-key
// writes the C++ source of the public half that the program is built with.
// sign hashes those of the program's five files present in DIR and writes
// DIR/PURVANE.SIG; verify checks a folder as the program would and prints
// each file's status.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "tools/sigtool/commands.h"
#include "trust/manifest.h"
#include "common/system_random.h"

namespace {

namespace fs = std::filesystem;

std::optional<std::vector<std::uint8_t>> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::optional<TRsaPrivateKey> ReadKey(const std::string& path)
{
    const std::optional<std::vector<std::uint8_t>> bytes = ReadBytes(path);
    if (!bytes) {
        PrintError("cannot read the key " + path);
        return std::nullopt;
    }
    std::optional<TRsaPrivateKey> key = ParsePrivateKeyText(std::string(bytes->begin(), bytes->end()));
    if (!key) PrintError("not a Purvane private key: " + path);
    return key;
}

// --cle KEYFILE, else $PURVANE_SIGNING_KEY.
std::optional<std::string> KeyPathOf(const TArgs& args, std::size_t from)
{
    for (std::size_t i = from; i + 1 < args.size(); ++i)
        if (args[i] == "--cle") return args[i + 1];
    if (const char* env = std::getenv("PURVANE_SIGNING_KEY"); env && *env) return std::string(env);
    return std::nullopt;
}

bool WriteNew(const std::string& path, const std::string& text, mode_t mode)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) return false;
    fchmod(fd, mode);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const bool ok = done == text.size() && fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

// Writes path whole or not at all: a temporary file beside it, renamed.
bool Replace(const fs::path& path, const std::string& text)
{
    const fs::path temporary = path.string() + ".tmp";
    std::error_code ec;
    fs::remove(temporary, ec);
    if (!WriteNew(temporary.string(), text, 0644)) return false;
    fs::rename(temporary, path, ec);
    return !ec;
}

std::vector<TProgramFile> ProgramFilesIn(const fs::path& dir)
{
    std::vector<TProgramFile> files;
    for (const char* name : PROGRAM_FILE_NAMES) {
        TProgramFile file{name, std::nullopt};
        std::error_code ec;
        if (fs::is_regular_file(fs::symlink_status(dir / name, ec)))
            if (const auto bytes = ReadBytes(dir / name)) file.Digest = Sha256Digest(*bytes);
        files.push_back(std::move(file));
    }
    return files;
}

} // namespace

int Keygen(const TArgs& args)
{
    if (args.size() != 1) {
        std::fputs("usage: sigtool keygen KEYFILE\n", stderr);
        return 2;
    }
    std::error_code ec;
    if (fs::exists(fs::symlink_status(args[0], ec))) {
        PrintError(args[0] + " exists: a key is never written over");
        return 2;
    }
    const std::optional<TRsaPrivateKey> key = GenerateRsaKey(SystemRandomBytes);
    if (!key) {
        PrintError("no random bytes from /dev/urandom");
        return 2;
    }
    if (!WriteNew(args[0], PrivateKeyText(*key), 0600)) {
        PrintError("cannot write " + args[0]);
        return 2;
    }
    return 0;
}

int PublicKey(const TArgs& args)
{
    if (args.size() != 2) {
        std::fputs("usage: sigtool public-key KEYFILE OUT.cpp\n", stderr);
        return 2;
    }
    const std::optional<TRsaPrivateKey> key = ReadKey(args[0]);
    if (!key) return 2;
    const std::vector<std::uint8_t> modulus = key->Public.Modulus.ToBytes(RSA_MODULUS_BYTES);
    if (modulus.empty() || key->Public.Modulus.BitLength() != RSA_MODULUS_BITS ||
        !(key->Public.Exponent == TBigUnsigned(RSA_PUBLIC_EXPONENT))) {
        PrintError("the key is not an RSA-3072 key with e = 65537");
        return 2;
    }
    std::ostringstream out;
    out << "// Written by sigtool public-key: the public half of the key that signs\n"
           "// the program's folder.\n"
           "#include \"trust/signing_key.h\"\n\n"
           "const TSigningPublicKey SIGNING_PUBLIC_KEY = {{\n";
    char byte[8];
    for (std::size_t i = 0; i < modulus.size(); ++i) {
        std::snprintf(byte, sizeof byte, "0x%02x,", modulus[i]);
        out << (i % 12 == 0 ? "    " : " ") << byte << (i % 12 == 11 ? "\n" : "");
    }
    out << "}, " << RSA_PUBLIC_EXPONENT << "};\n";
    // Unchanged text is not written again, so nothing is rebuilt for it.
    if (const auto old = ReadBytes(args[1]); old && std::string(old->begin(), old->end()) == out.str()) return 0;
    if (!Replace(args[1], out.str())) {
        PrintError("cannot write " + args[1]);
        return 2;
    }
    return 0;
}

int Sign(const TArgs& args)
{
    if (args.empty() || (args.size() != 1 && args.size() != 3) || (args.size() == 3 && args[1] != "--cle")) {
        std::fputs("usage: sigtool sign DIR [--cle KEYFILE]\n", stderr);
        return 2;
    }
    const std::optional<std::string> keyPath = KeyPathOf(args, 1);
    if (!keyPath) {
        PrintError("no key: give --cle KEYFILE or set PURVANE_SIGNING_KEY");
        return 2;
    }
    const std::optional<TRsaPrivateKey> key = ReadKey(*keyPath);
    if (!key) return 2;
    const fs::path dir = args[0];
    std::vector<TManifestEntry> entries;
    for (const TProgramFile& file : ProgramFilesIn(dir))
        if (file.Digest) entries.push_back({file.Name, *file.Digest});
    if (entries.empty()) {
        PrintError("none of the program's files in " + dir.string());
        return 2;
    }
    const std::string body = ManifestBody(entries);
    const std::vector<std::uint8_t> signature =
        SignPkcs1Sha256(*key, std::span(reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
    if (!Replace(dir / MANIFEST_FILE_NAME, SignedManifestText(body, signature))) {
        PrintError("cannot write " + (dir / MANIFEST_FILE_NAME).string());
        return 2;
    }
    return 0;
}

int Verify(const TArgs& args)
{
    if (args.empty()) {
        std::fputs("usage: sigtool verify DIR [--cle KEYFILE]\n", stderr);
        return 2;
    }
    const std::optional<std::string> keyPath = KeyPathOf(args, 1);
    if (!keyPath) {
        PrintError("no key: give --cle KEYFILE or set PURVANE_SIGNING_KEY");
        return 2;
    }
    const std::optional<TRsaPrivateKey> key = ReadKey(*keyPath);
    if (!key) return 2;
    const fs::path dir = args[0];
    std::error_code ec;
    const bool present = fs::is_regular_file(fs::symlink_status(dir / MANIFEST_FILE_NAME, ec));
    const TManifestVerdict verdict = VerifyManifest(present ? ReadBytes(dir / MANIFEST_FILE_NAME) : std::nullopt,
                                                    TRsaSignatureVerifier(key->Public));
    static const char* const kRefusals[] = {"accepted", "missing", "too-large", "malformed", "bad-signature"};
    std::printf("%s\t%s\n", MANIFEST_FILE_NAME, kRefusals[static_cast<int>(verdict.Refusal)]);
    bool allVerified = verdict.Accepted();
    for (const TFileCheck& admission : AdmitProgramFiles(verdict, ProgramFilesIn(dir))) {
        std::printf("%s\t%s\n", admission.Name.c_str(), FileStatusText(admission.Status));
        allVerified &= admission.Status == TFileStatus::Verified || admission.Status == TFileStatus::Missing;
    }
    std::fflush(stdout);
    return allVerified ? 0 : 1;
}
