// MD5 as RFC 1321 defines it. The block function is written for speed: the
// 16 words of a block are loaded once (little-endian, through memcpy), each
// step adds the message word and constant to a before the round function so
// that only the function waits for the previous step's result, and the round
// functions use the shortest forms (F as d ^ (b & (c ^ d)); G with its two
// halves added separately, the half that does not need b first).
#include "pe/MD5.h"

#include <array>

#include <bit>
#include <cstring>

namespace {

std::uint32_t LoadLittleEndian32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
    return v;
}

void StoreLittleEndian32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void StepF(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t xk, int s)
{
    a += xk + (d ^ (b & (c ^ d)));
    a = std::rotl(a, s) + b;
}

inline void StepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t xk, int s)
{
    a += xk + (c & ~d);
    a += b & d;
    a = std::rotl(a, s) + b;
}

inline void StepH(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t xk, int s)
{
    a += xk + (b ^ c ^ d);
    a = std::rotl(a, s) + b;
}

inline void StepI(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t xk, int s)
{
    a += xk + (c ^ (b | ~d));
    a = std::rotl(a, s) + b;
}

// Processes blocks whole 64-byte blocks starting at p.
void TransformBlocks(std::uint32_t state[4], const std::uint8_t* p, std::size_t blocks)
{
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, p += 64) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian32(p + 4 * i);
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        StepF(a, b, c, d, x[0] + 0xd76aa478, 7);   StepF(d, a, b, c, x[1] + 0xe8c7b756, 12);
        StepF(c, d, a, b, x[2] + 0x242070db, 17);  StepF(b, c, d, a, x[3] + 0xc1bdceee, 22);
        StepF(a, b, c, d, x[4] + 0xf57c0faf, 7);   StepF(d, a, b, c, x[5] + 0x4787c62a, 12);
        StepF(c, d, a, b, x[6] + 0xa8304613, 17);  StepF(b, c, d, a, x[7] + 0xfd469501, 22);
        StepF(a, b, c, d, x[8] + 0x698098d8, 7);   StepF(d, a, b, c, x[9] + 0x8b44f7af, 12);
        StepF(c, d, a, b, x[10] + 0xffff5bb1, 17); StepF(b, c, d, a, x[11] + 0x895cd7be, 22);
        StepF(a, b, c, d, x[12] + 0x6b901122, 7);  StepF(d, a, b, c, x[13] + 0xfd987193, 12);
        StepF(c, d, a, b, x[14] + 0xa679438e, 17); StepF(b, c, d, a, x[15] + 0x49b40821, 22);

        StepG(a, b, c, d, x[1] + 0xf61e2562, 5);   StepG(d, a, b, c, x[6] + 0xc040b340, 9);
        StepG(c, d, a, b, x[11] + 0x265e5a51, 14); StepG(b, c, d, a, x[0] + 0xe9b6c7aa, 20);
        StepG(a, b, c, d, x[5] + 0xd62f105d, 5);   StepG(d, a, b, c, x[10] + 0x02441453, 9);
        StepG(c, d, a, b, x[15] + 0xd8a1e681, 14); StepG(b, c, d, a, x[4] + 0xe7d3fbc8, 20);
        StepG(a, b, c, d, x[9] + 0x21e1cde6, 5);   StepG(d, a, b, c, x[14] + 0xc33707d6, 9);
        StepG(c, d, a, b, x[3] + 0xf4d50d87, 14);  StepG(b, c, d, a, x[8] + 0x455a14ed, 20);
        StepG(a, b, c, d, x[13] + 0xa9e3e905, 5);  StepG(d, a, b, c, x[2] + 0xfcefa3f8, 9);
        StepG(c, d, a, b, x[7] + 0x676f02d9, 14);  StepG(b, c, d, a, x[12] + 0x8d2a4c8a, 20);

        StepH(a, b, c, d, x[5] + 0xfffa3942, 4);   StepH(d, a, b, c, x[8] + 0x8771f681, 11);
        StepH(c, d, a, b, x[11] + 0x6d9d6122, 16); StepH(b, c, d, a, x[14] + 0xfde5380c, 23);
        StepH(a, b, c, d, x[1] + 0xa4beea44, 4);   StepH(d, a, b, c, x[4] + 0x4bdecfa9, 11);
        StepH(c, d, a, b, x[7] + 0xf6bb4b60, 16);  StepH(b, c, d, a, x[10] + 0xbebfbc70, 23);
        StepH(a, b, c, d, x[13] + 0x289b7ec6, 4);  StepH(d, a, b, c, x[0] + 0xeaa127fa, 11);
        StepH(c, d, a, b, x[3] + 0xd4ef3085, 16);  StepH(b, c, d, a, x[6] + 0x04881d05, 23);
        StepH(a, b, c, d, x[9] + 0xd9d4d039, 4);   StepH(d, a, b, c, x[12] + 0xe6db99e5, 11);
        StepH(c, d, a, b, x[15] + 0x1fa27cf8, 16); StepH(b, c, d, a, x[2] + 0xc4ac5665, 23);

        StepI(a, b, c, d, x[0] + 0xf4292244, 6);   StepI(d, a, b, c, x[7] + 0x432aff97, 10);
        StepI(c, d, a, b, x[14] + 0xab9423a7, 15); StepI(b, c, d, a, x[5] + 0xfc93a039, 21);
        StepI(a, b, c, d, x[12] + 0x655b59c3, 6);  StepI(d, a, b, c, x[3] + 0x8f0ccc92, 10);
        StepI(c, d, a, b, x[10] + 0xffeff47d, 15); StepI(b, c, d, a, x[1] + 0x85845dd1, 21);
        StepI(a, b, c, d, x[8] + 0x6fa87e4f, 6);   StepI(d, a, b, c, x[15] + 0xfe2ce6e0, 10);
        StepI(c, d, a, b, x[6] + 0xa3014314, 15);  StepI(b, c, d, a, x[13] + 0x4e0811a1, 21);
        StepI(a, b, c, d, x[4] + 0xf7537e82, 6);   StepI(d, a, b, c, x[11] + 0xbd3af235, 10);
        StepI(c, d, a, b, x[2] + 0x2ad7d2bb, 15);  StepI(b, c, d, a, x[9] + 0xeb86d391, 21);

        a += a0, b += b0, c += c0, d += d0;
    }
    state[0] = a, state[1] = b, state[2] = c, state[3] = d;
}

} // namespace

TMD5Context::TMD5Context() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void TMD5Context::Update(const void* data, std::size_t count)
{
    if (count == 0) return;
    auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t used = static_cast<std::size_t>(length_ % 64);
    length_ += count;
    if (used > 0) {
        const std::size_t take = count < 64 - used ? count : 64 - used;
        std::memcpy(buffer_ + used, p, take);
        p += take, count -= take, used += take;
        if (used < 64) return;
        TransformBlocks(state_, buffer_, 1);
    }
    TransformBlocks(state_, p, count / 64);
    p += count - count % 64;
    if (count % 64) std::memcpy(buffer_, p, count % 64);
}

void TMD5Context::UpdateZeros(std::size_t count)
{
    static const std::uint8_t kZeros[4096] = {};
    while (count > 0) {
        const std::size_t take = count < sizeof kZeros ? count : sizeof kZeros;
        Update(kZeros, take);
        count -= take;
    }
}

TMD5Digest TMD5Context::Final()
{
    // Padding: 0x80, zeros up to 56 bytes modulo 64, then the bit length
    // as a little-endian 64-bit number.
    const std::uint64_t bits = length_ * 8;
    static const std::uint8_t kPadding[64] = {0x80};
    const std::size_t used = static_cast<std::size_t>(length_ % 64);
    Update(kPadding, used < 56 ? 56 - used : 120 - used);
    std::uint8_t lengthBytes[8];
    for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    Update(lengthBytes, 8);

    TMD5Digest digest;
    for (int i = 0; i < 4; ++i) StoreLittleEndian32(digest.data() + 4 * i, state_[i]);
    return digest;
}

TMD5Digest MD5Digest(const void* data, std::size_t count)
{
    TMD5Context context;
    context.Update(data, count);
    return context.Final();
}

namespace {

// The value of each byte as an upper-case hex digit, -1 for any other byte.
constexpr std::array<std::int8_t, 256> kHexValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int c = '0'; c <= '9'; ++c) values[c] = static_cast<std::int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) values[c] = static_cast<std::int8_t>(c - 'A' + 10);
    return values;
}();

} // namespace

// Without branches per digit: a quarter of a million records parse at once.
bool ParseMD5DigestText(std::string_view text, TMD5Digest& digest)
{
    if (text.size() != MD5_DIGEST_TEXT_LENGTH) return false;
    int invalid = 0;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = kHexValues[static_cast<std::uint8_t>(text[2 * i])];
        const int low = kHexValues[static_cast<std::uint8_t>(text[2 * i + 1])];
        invalid |= high | low;
        digest[i] = static_cast<std::uint8_t>((high & 15) << 4 | (low & 15));
    }
    return invalid >= 0;
}

bool IsMD5DigestText(std::string_view text)
{
    TMD5Digest digest;
    return ParseMD5DigestText(text, digest);
}

std::string MD5DigestText(const TMD5Digest& digest)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string text(MD5_DIGEST_TEXT_LENGTH, '0');
    for (std::size_t i = 0; i < digest.size(); ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 0x0F];
    }
    return text;
}

std::string MD5HexDigest(const void* data, std::size_t count)
{
    return MD5DigestText(MD5Digest(data, count));
}
