#include "trust/rsa.h"

#include <algorithm>
#include <array>
#include <sstream>

#include "common/sha256.h"

namespace {

// DER of DigestInfo { AlgorithmIdentifier { sha256, NULL }, OCTET STRING (32) }
// (RFC 8017, 9.2, note 1).
constexpr std::array<std::uint8_t, 19> kSha256DigestInfo = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60,
                                                           0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02,
                                                           0x01, 0x05, 0x00, 0x04, 0x20};

// The odd primes below 2000, for the sieve.
const std::vector<std::uint32_t>& SmallPrimes()
{
    static const std::vector<std::uint32_t> primes = [] {
        std::vector<std::uint32_t> found;
        for (std::uint32_t c = 3; c < 2000; c += 2) {
            bool prime = true;
            for (const std::uint32_t p : found) {
                if (p * p > c) break;
                if (c % p == 0) {
                    prime = false;
                    break;
                }
            }
            if (prime) found.push_back(c);
        }
        return found;
    }();
    return primes;
}

// A random value of at most bits bits; with topTwo, its two highest bits
// and its lowest are set (an odd value of exactly bits bits).
std::optional<TBigUnsigned> RandomBits(const TRandomSource& random, std::size_t bits, bool topTwo = false)
{
    std::vector<std::uint8_t> bytes((bits + 7) / 8);
    if (!random(bytes)) return std::nullopt;
    if (bits % 8) bytes[0] &= static_cast<std::uint8_t>((1u << (bits % 8)) - 1);
    if (topTwo) {
        for (const std::size_t bit : {bits - 1, bits - 2})
            bytes[bytes.size() - 1 - bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
        bytes.back() |= 1;
    }
    return TBigUnsigned::FromBytes(bytes);
}

// A random value in [2, limit - 2], limit > 4.
std::optional<TBigUnsigned> RandomBase(const TRandomSource& random, const TBigUnsigned& limit)
{
    const std::optional<TBigUnsigned> r = RandomBits(random, limit.BitLength() + 64);
    if (!r) return std::nullopt;
    return *r % (limit - TBigUnsigned(3)) + TBigUnsigned(2);
}

std::optional<TBigUnsigned> GeneratePrime(const TRandomSource& random, std::size_t bits, const TBigUnsigned& e)
{
    for (;;) {
        const std::optional<TBigUnsigned> candidate = RandomBits(random, bits, true);
        if (!candidate) return std::nullopt;
        const TBigUnsigned& c = *candidate;
        if (!(Gcd(c - TBigUnsigned(1), e) == TBigUnsigned(1))) continue;
        bool failedRandom = false;
        const bool prime = IsProbablePrime(c, [&](std::span<std::uint8_t> b) {
            const bool ok = random(b);
            failedRandom |= !ok;
            return ok;
        });
        if (failedRandom) return std::nullopt;
        if (prime) return c;
    }
}

bool ConstantTimeEqual(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    if (a.size() != b.size()) return false;
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= a[i] ^ b[i];
    return difference == 0;
}

} // namespace

std::vector<std::uint8_t> EncodePkcs1Sha256(std::span<const std::uint8_t> message, std::size_t emLength)
{
    const std::size_t tLength = kSha256DigestInfo.size() + 32;
    if (emLength < tLength + 11) return {};
    std::vector<std::uint8_t> em(emLength, 0xFF);
    em[0] = 0x00;
    em[1] = 0x01;
    em[emLength - tLength - 1] = 0x00;
    std::copy(kSha256DigestInfo.begin(), kSha256DigestInfo.end(), em.end() - tLength);
    const TSha256Digest digest = Sha256Digest(message);
    std::copy(digest.begin(), digest.end(), em.end() - 32);
    return em;
}

bool IsProbablePrime(const TBigUnsigned& candidate, const TRandomSource& random, int rounds)
{
    if (candidate < TBigUnsigned(2)) return false;
    if (!candidate.IsOdd()) return candidate == TBigUnsigned(2);
    for (const std::uint32_t p : SmallPrimes()) {
        if (candidate == TBigUnsigned(p)) return true;
        if (candidate.ModSmall(p) == 0) return false;
    }
    // candidate - 1 = d 2^r, d odd.
    const TBigUnsigned minusOne = candidate - TBigUnsigned(1);
    std::size_t r = 0;
    while (!minusOne.Bit(r)) ++r;
    const TBigUnsigned d = minusOne.ShiftedRight(r);
    for (int round = 0; round < rounds; ++round) {
        const std::optional<TBigUnsigned> base = RandomBase(random, candidate);
        if (!base) return false;
        TBigUnsigned x = PowMod(*base, d, candidate);
        if (x == TBigUnsigned(1) || x == minusOne) continue;
        bool witness = true;
        for (std::size_t i = 1; i < r && witness; ++i) {
            x = x * x % candidate;
            if (x == minusOne) witness = false;
        }
        if (witness) return false;
    }
    return true;
}

std::optional<TRsaPrivateKey> GenerateRsaKey(const TRandomSource& random, std::size_t bits)
{
    const TBigUnsigned e(RSA_PUBLIC_EXPONENT);
    for (;;) {
        const std::optional<TBigUnsigned> p = GeneratePrime(random, bits / 2, e);
        if (!p) return std::nullopt;
        const std::optional<TBigUnsigned> q = GeneratePrime(random, bits - bits / 2, e);
        if (!q) return std::nullopt;
        if (*p == *q) continue;
        TRsaPrivateKey key;
        key.Public.Modulus = *p * *q;
        key.Public.Exponent = e;
        if (key.Public.Modulus.BitLength() != bits) continue;
        const TBigUnsigned pMinus = *p - TBigUnsigned(1), qMinus = *q - TBigUnsigned(1);
        const TBigUnsigned lambda = pMinus * qMinus / Gcd(pMinus, qMinus);
        if (!InverseMod(e, lambda, key.PrivateExponent)) continue;
        key.Prime1 = *p;
        key.Prime2 = *q;
        return key;
    }
}

std::vector<std::uint8_t> SignPkcs1Sha256(const TRsaPrivateKey& key, std::span<const std::uint8_t> message)
{
    const std::size_t k = key.Public.ModulusBytes();
    const std::vector<std::uint8_t> em = EncodePkcs1Sha256(message, k);
    if (em.empty()) return {};
    return PowMod(TBigUnsigned::FromBytes(em), key.PrivateExponent, key.Public.Modulus).ToBytes(k);
}

bool VerifyPkcs1Sha256(const TRsaPublicKey& key, std::span<const std::uint8_t> message,
                       std::span<const std::uint8_t> signature)
{
    const std::size_t k = key.ModulusBytes();
    if (key.Modulus.IsZero() || signature.size() != k) return false;
    const TBigUnsigned s = TBigUnsigned::FromBytes(signature);
    if (s >= key.Modulus) return false;
    const std::vector<std::uint8_t> expected = EncodePkcs1Sha256(message, k);
    if (expected.empty()) return false;
    const std::vector<std::uint8_t> recovered = PowMod(s, key.Exponent, key.Modulus).ToBytes(k);
    return ConstantTimeEqual(recovered, expected);
}

namespace {

constexpr const char* kPrivateTitle = "Purvane cle privee RSA 1";

} // namespace

std::string PrivateKeyText(const TRsaPrivateKey& key)
{
    std::string text = std::string(kPrivateTitle) + "\n";
    text += "n " + key.Public.Modulus.ToHex() + "\n";
    text += "e " + key.Public.Exponent.ToHex() + "\n";
    text += "d " + key.PrivateExponent.ToHex() + "\n";
    text += "p " + key.Prime1.ToHex() + "\n";
    text += "q " + key.Prime2.ToHex() + "\n";
    return text;
}

std::optional<TRsaPrivateKey> ParsePrivateKeyText(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kPrivateTitle) return std::nullopt;
    TRsaPrivateKey key;
    TBigUnsigned* const fields[] = {&key.Public.Modulus, &key.Public.Exponent, &key.PrivateExponent, &key.Prime1,
                                    &key.Prime2};
    const char names[] = {'n', 'e', 'd', 'p', 'q'};
    for (std::size_t i = 0; i < 5; ++i) {
        if (!std::getline(lines, line) || line.size() < 3 || line[0] != names[i] || line[1] != ' ') return std::nullopt;
        if (!TBigUnsigned::FromHex(std::string_view(line).substr(2), *fields[i])) return std::nullopt;
    }
    if (std::getline(lines, line)) return std::nullopt;
    // The parts must make one key.
    if (!(key.Prime1 * key.Prime2 == key.Public.Modulus) || key.Public.Modulus.BitLength() < 1024) return std::nullopt;
    return key;
}
