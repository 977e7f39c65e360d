#include "common/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::span<const std::uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// FIPS 180-4 examples and the one-million-a message.
TEST(Sha256, KnownDigests)
{
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) EXPECT_EQ(Sha256DigestText(Sha256Digest(Bytes(c.message))), c.digest) << c.message.size();
}

// Messages whose padding falls on each side of a block's end (55, 56, 63,
// 64 bytes...), fed in two pieces split at every place, match the one-call
// digest: the buffering of an incomplete block is what this sweeps.
TEST(Sha256, PiecesAtEveryBoundary)
{
    for (const std::size_t size : {55u, 56u, 63u, 64u, 65u, 127u, 128u, 200u}) {
        std::vector<std::uint8_t> message(size);
        for (std::size_t i = 0; i < size; ++i) message[i] = static_cast<std::uint8_t>(i * 7 + 1);
        const TSha256Digest whole = Sha256Digest(message);
        for (std::size_t split = 0; split <= size; ++split) {
            TSha256Context context;
            context.Update(message.data(), split);
            context.Update(message.data() + split, size - split);
            ASSERT_EQ(context.Final(), whole) << size << " split at " << split;
        }
    }
}

// RFC 4231 cases 1, 2 and 6 (a key longer than a block is hashed first).
TEST(HmacSha256, KnownMacs)
{
    const struct {
        std::string key, message;
        const char* mac;
    } cases[] = {
        {std::string(20, '\x0b'), "Hi There", "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
    };
    for (const auto& c : cases) EXPECT_EQ(Sha256DigestText(HmacSha256(Bytes(c.key), Bytes(c.message))), c.mac);
}

TEST(Sha256, DigestText)
{
    const TSha256Digest digest = Sha256Digest(Bytes("abc"));
    TSha256Digest parsed{};
    EXPECT_TRUE(ParseSha256DigestText("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", parsed));
    EXPECT_EQ(parsed, digest);
    EXPECT_TRUE(SameDigest(parsed, digest));
    parsed[31] ^= 1;
    EXPECT_FALSE(SameDigest(parsed, digest));
    for (const char* bad : {"", "ba78", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015a",
                            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015adX",
                            "ga7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"})
        EXPECT_FALSE(ParseSha256DigestText(bad, parsed)) << bad;
}

} // namespace
