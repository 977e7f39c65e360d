// MD5 against OpenSSL's on random inputs of random lengths, given in random
// pieces. Native builds only: OpenSSL is linked into this test alone.
#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <random>
#include <vector>

#include "pe/MD5.h"

namespace {

TMD5Digest OpenSslMD5(const std::vector<std::uint8_t>& bytes)
{
    TMD5Digest digest{};
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_md5(), nullptr);
    return digest;
}

TEST(MD5AgainstOpenSsl, RandomInputs)
{
    std::mt19937_64 random(20240601);
    for (int round = 0; round < 2000; ++round) {
        const std::size_t length = round < 300 ? static_cast<std::size_t>(round) : random() % 70000;
        std::vector<std::uint8_t> bytes(length);
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());

        TMD5Context md5;
        for (std::size_t at = 0; at < length;) {
            const std::size_t piece = std::min<std::size_t>(length - at, 1 + random() % 300);
            md5.Update(bytes.data() + at, piece);
            at += piece;
        }
        const TMD5Digest expected = OpenSslMD5(bytes);
        ASSERT_EQ(md5.Final(), expected) << "length " << length;
        ASSERT_EQ(MD5Digest(bytes.data(), bytes.size()), expected) << "length " << length;
    }
}

} // namespace
