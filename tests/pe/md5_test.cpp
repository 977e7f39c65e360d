#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pe/MD5.h"

namespace {

std::string HexOf(const std::string& text) { return MD5HexDigest(text.data(), text.size()); }

// The test suite of RFC 1321, appendix A.5, in upper case.
TEST(MD5, Rfc1321TestSuite)
{
    struct TCase {
        const char* message;
        const char* digest;
    };
    const TCase cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const TCase& c : cases) EXPECT_EQ(HexOf(c.message), c.digest) << '"' << c.message << '"';
}

TEST(MD5, EmptyMessageFromANullAddress)
{
    EXPECT_EQ(MD5HexDigest(nullptr, 0), HexOf(""));
}

// Lengths around the padding boundaries (55, 56, 63, 64 bytes...) give the
// same digest whether the bytes come at once or in pieces of every size.
TEST(MD5, PiecesGiveTheDigestOfTheWhole)
{
    std::mt19937 random(1321);
    for (std::size_t length : {0u, 1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 127u, 128u, 129u, 1000u, 4099u}) {
        std::vector<std::uint8_t> bytes(length);
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
        const TMD5Digest whole = MD5Digest(bytes.data(), bytes.size());
        for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 200u}) {
            TMD5Context md5;
            for (std::size_t at = 0; at < length; at += piece) md5.Update(bytes.data() + at, std::min(piece, length - at));
            EXPECT_EQ(md5.Final(), whole) << "length " << length << ", pieces of " << piece;
        }
    }
}

TEST(MD5, UpdateZerosEqualsZeroBytes)
{
    for (std::size_t count : {0u, 1u, 64u, 4095u, 4096u, 4097u, 10000u}) {
        const std::vector<std::uint8_t> zeros(count + 3, 0);
        TMD5Context md5;
        md5.Update("abc", 3);
        md5.UpdateZeros(count);
        std::vector<std::uint8_t> expected = {'a', 'b', 'c'};
        expected.resize(count + 3, 0);
        EXPECT_EQ(md5.Final(), MD5Digest(expected.data(), expected.size())) << count;
    }
}

TEST(MD5, TextIsUpperCaseHighHalfFirst)
{
    TMD5Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i * 17 + 0x0A);
    EXPECT_EQ(MD5DigestText(digest), "0A1B2C3D4E5F708192A3B4C5D6E7F809");
}

TEST(MD5, OnlyTheTextMD5DigestTextWritesParses)
{
    const struct {
        const char* text;
        bool parses;
    } cases[] = {
        {"0A1B2C3D4E5F708192A3B4C5D6E7F809", true},
        {"0a1b2c3d4e5f708192a3b4c5d6e7f809", false},  // lower case never equals a computed text
        {"0A1B2C3D4E5F708192A3B4C5D6E7F80", false},
        {"0A1B2C3D4E5F708192A3B4C5D6E7F8090", false},
        {"0A1B2C3D4E5F708192A3B4C5D6E7F80G", false},
        {"", false},
    };
    for (const auto& c : cases) {
        TMD5Digest digest{};
        EXPECT_EQ(ParseMD5DigestText(c.text, digest), c.parses) << c.text;
        EXPECT_EQ(IsMD5DigestText(c.text), c.parses) << c.text;
        if (c.parses) {
            EXPECT_EQ(MD5DigestText(digest), c.text);
        }
    }
}

} // namespace
