#include "common/sha256.h"

#include <cstring>

namespace {

constexpr std::uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t Rotr(std::uint32_t x, int n) { return x >> n | x << (32 - n); }

void Compress(std::uint32_t state[8], const std::uint8_t block[64])
{
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
               std::uint32_t{block[4 * i + 2]} << 8 | block[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) +
                                 kRoundConstants[i] + w[i];
        const std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
    }
    state[0] += a, state[1] += b, state[2] += c, state[3] += d;
    state[4] += e, state[5] += f, state[6] += g, state[7] += h;
}

} // namespace

TSha256Context::TSha256Context()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void TSha256Context::Update(const void* data, std::size_t count)
{
    if (count == 0) return;  // an empty span may carry a null pointer
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t held = length_ % 64;
    length_ += count;
    if (held != 0) {
        const std::size_t taken = count < 64 - held ? count : 64 - held;
        std::memcpy(buffer_ + held, bytes, taken);
        bytes += taken, count -= taken, held += taken;
        if (held < 64) return;
        Compress(state_, buffer_);
    }
    for (; count >= 64; bytes += 64, count -= 64) Compress(state_, bytes);
    if (count != 0) std::memcpy(buffer_, bytes, count);
}

TSha256Digest TSha256Context::Final()
{
    const std::uint64_t bits = length_ * 8;
    const std::uint8_t one = 0x80;
    Update(&one, 1);
    const std::uint8_t zeros[64] = {};
    Update(zeros, (64 + 56 - length_ % 64) % 64);
    std::uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    Update(lengthBytes, 8);
    TSha256Digest digest;
    for (int i = 0; i < 32; ++i) digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

TSha256Digest Sha256Digest(std::span<const std::uint8_t> bytes)
{
    TSha256Context context;
    context.Update(bytes);
    return context.Final();
}

THmacSha256::THmacSha256(std::span<const std::uint8_t> key)
{
    std::array<std::uint8_t, 64> block{};
    if (key.size() > block.size()) {
        const TSha256Digest digest = Sha256Digest(key);
        std::memcpy(block.data(), digest.data(), digest.size());
    } else if (!key.empty()) {
        std::memcpy(block.data(), key.data(), key.size());
    }
    std::array<std::uint8_t, 64> innerPad;
    for (std::size_t i = 0; i < block.size(); ++i) {
        innerPad[i] = block[i] ^ 0x36;
        outerPad_[i] = block[i] ^ 0x5c;
    }
    inner_.Update(innerPad);
}

TSha256Digest THmacSha256::Final()
{
    const TSha256Digest innerDigest = inner_.Final();
    TSha256Context outer;
    outer.Update(outerPad_);
    outer.Update(innerDigest);
    return outer.Final();
}

TSha256Digest HmacSha256(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message)
{
    THmacSha256 mac(key);
    mac.Update(message);
    return mac.Final();
}

bool SameDigest(const TSha256Digest& a, const TSha256Digest& b)
{
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= a[i] ^ b[i];
    return difference == 0;
}

std::string Sha256DigestText(const TSha256Digest& digest)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

bool ParseSha256DigestText(std::string_view text, TSha256Digest& digest)
{
    if (text.size() != 64) return false;
    const auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    TSha256Digest parsed;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const int high = value(text[2 * i]), low = value(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        parsed[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    digest = parsed;
    return true;
}
