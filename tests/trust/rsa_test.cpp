// RSASSA-PKCS1-v1_5 with SHA-256: the encoded block, the keys made, the
// round trip, and a table of signatures that must be refused.
#include <gtest/gtest.h>

#include <string>

#include "common/sha256.h"
#include "tests/trust/test_keys.h"
#include "trust/rsa.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(Rsa, EncodedBlockIsTheRfcLayout)
{
    const std::vector<std::uint8_t> message = Bytes("abc");
    const std::vector<std::uint8_t> em = EncodePkcs1Sha256(message, 384);
    ASSERT_EQ(em.size(), 384u);
    EXPECT_EQ(em[0], 0x00);
    EXPECT_EQ(em[1], 0x01);
    const std::size_t padEnd = 384 - 51 - 1;
    for (std::size_t i = 2; i < padEnd; ++i) ASSERT_EQ(em[i], 0xFF) << i;
    EXPECT_EQ(em[padEnd], 0x00);
    // DigestInfo of SHA-256, then SHA-256("abc").
    const std::string digestInfo = "3031300d060960864801650304020105000420";
    std::string tail;
    for (std::size_t i = padEnd + 1; i < padEnd + 20; ++i) tail += "0123456789abcdef"[em[i] >> 4], tail += "0123456789abcdef"[em[i] & 15];
    EXPECT_EQ(tail, digestInfo);
    const TSha256Digest digest = Sha256Digest(message);
    EXPECT_TRUE(std::equal(digest.begin(), digest.end(), em.end() - 32));
    EXPECT_TRUE(EncodePkcs1Sha256(message, 61).empty());  // 51 + 11 bytes at least
    EXPECT_EQ(EncodePkcs1Sha256(message, 62).size(), 62u);
}

TEST(Rsa, KeysHaveTheirSizeAndInvertTheExponent)
{
    for (int which : {0, 1}) {
        const TRsaPrivateKey& key = TestKey(which);
        EXPECT_EQ(key.Public.Modulus.BitLength(), RSA_MODULUS_BITS);
        EXPECT_EQ(key.Public.Exponent, TBigUnsigned(RSA_PUBLIC_EXPONENT));
        EXPECT_EQ(key.Prime1 * key.Prime2, key.Public.Modulus);
        const TBigUnsigned m(0x1234567);
        EXPECT_EQ(PowMod(PowMod(m, key.PrivateExponent, key.Public.Modulus), key.Public.Exponent, key.Public.Modulus), m);
    }
    EXPECT_FALSE(TestKey(0).Public.Modulus == TestKey(1).Public.Modulus);
}

TEST(Rsa, PrimalityOfKnownNumbers)
{
    const TRandomSource random = SeededRandom(1);
    const std::pair<const char*, bool> cases[] = {
        {"2", true}, {"3", true}, {"1", false}, {"0", false}, {"7cf", true} /* 1999 */, {"7d1", false},
        {"7fffffffffffffffffffffffffffffff", true},   // 2^127 - 1
        {"1fffffffffffffffffffffffffffffff", false},  // 2^125 - 1
        {"e8d6ca6163", false},                        // 1000003 * 1000033, above the sieve
        {"1758340b19", false},                        // 2557 * 5113 * 7669: a Carmichael number above the sieve
    };
    for (const auto& [hex, prime] : cases) {
        TBigUnsigned n;
        ASSERT_TRUE(TBigUnsigned::FromHex(hex, n));
        EXPECT_EQ(IsProbablePrime(n, random), prime) << hex;
    }
    EXPECT_FALSE(IsProbablePrime(TBigUnsigned(2147483647ull) * TBigUnsigned(2305843009213693951ull), random));
}

TEST(Rsa, SignatureVerifies)
{
    const TRsaPrivateKey& key = TestKey(0);
    const std::vector<std::uint8_t> message = Bytes("Purvane manifeste 1\n");
    const std::vector<std::uint8_t> signature = SignPkcs1Sha256(key, message);
    ASSERT_EQ(signature.size(), RSA_MODULUS_BYTES);
    EXPECT_TRUE(VerifyPkcs1Sha256(key.Public, message, signature));
    EXPECT_TRUE(VerifyPkcs1Sha256(key.Public, {}, SignPkcs1Sha256(key, {})));
}

// Signs em as it is (the raw RSA power), for blocks that are not the
// PKCS#1 encoding of the message.
std::vector<std::uint8_t> RawSignature(const TRsaPrivateKey& key, const std::vector<std::uint8_t>& em)
{
    return PowMod(TBigUnsigned::FromBytes(em), key.PrivateExponent, key.Public.Modulus).ToBytes(RSA_MODULUS_BYTES);
}

TEST(Rsa, RefusedSignatures)
{
    const TRsaPrivateKey& key = TestKey(0);
    const std::vector<std::uint8_t> message = Bytes("sha256 0000 SIG_MSN.DAT\n");
    const std::vector<std::uint8_t> good = SignPkcs1Sha256(key, message);
    const std::vector<std::uint8_t> em = EncodePkcs1Sha256(message, RSA_MODULUS_BYTES);

    struct TCase {
        const char* what;
        std::vector<std::uint8_t> message;
        std::vector<std::uint8_t> signature;
        const TRsaPublicKey* key;
    };
    std::vector<TCase> cases;
    auto flipped = [](std::vector<std::uint8_t> bytes, std::size_t bit) {
        bytes[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        return bytes;
    };
    for (std::size_t bit : {0u, 7u, 100u, 8u * 23 + 7})
        cases.push_back({"a bit of the message flipped", flipped(message, bit), good, &key.Public});
    for (std::size_t bit : {0u, 1000u, 8u * 383 + 7})
        cases.push_back({"a bit of the signature flipped", message, flipped(good, bit), &key.Public});
    cases.push_back({"another key", message, good, &TestKey(1).Public});
    cases.push_back({"signed by another key", message, SignPkcs1Sha256(TestKey(1), message), &key.Public});
    {
        std::vector<std::uint8_t> shorter(good.begin() + 1, good.end());
        cases.push_back({"one byte short", message, shorter, &key.Public});
        std::vector<std::uint8_t> longer = good;
        longer.insert(longer.begin(), 0x00);
        cases.push_back({"a leading zero byte more", message, longer, &key.Public});
        cases.push_back({"empty", message, {}, &key.Public});
    }
    {
        // s + n has the same power; s >= n is refused all the same.
        const TBigUnsigned s = TBigUnsigned::FromBytes(good) + key.Public.Modulus;
        const std::vector<std::uint8_t> big = s.ToBytes(RSA_MODULUS_BYTES);
        if (!big.empty()) cases.push_back({"signature + n", message, big, &key.Public});
        cases.push_back({"n itself", message, key.Public.Modulus.ToBytes(RSA_MODULUS_BYTES), &key.Public});
        cases.push_back({"all ones", message, std::vector<std::uint8_t>(RSA_MODULUS_BYTES, 0xFF), &key.Public});
    }
    {
        // Other blocks, properly signed: block type 2, a short padding with
        // garbage after the digest, the digest without its DigestInfo, a
        // DigestInfo without the NULL parameters.
        std::vector<std::uint8_t> type2 = em;
        type2[1] = 0x02;
        cases.push_back({"block type 2", message, RawSignature(key, type2), &key.Public});
        std::vector<std::uint8_t> garbage = em;
        garbage[100] = 0x00;  // the padding ends early: the rest would be "trailing" bytes
        cases.push_back({"padding ended early", message, RawSignature(key, garbage), &key.Public});
        std::vector<std::uint8_t> bare(RSA_MODULUS_BYTES, 0xFF);
        bare[0] = 0x00;
        bare[1] = 0x01;
        bare[RSA_MODULUS_BYTES - 33] = 0x00;
        const TSha256Digest digest = Sha256Digest(message);
        std::copy(digest.begin(), digest.end(), bare.end() - 32);
        cases.push_back({"no DigestInfo", message, RawSignature(key, bare), &key.Public});
        std::vector<std::uint8_t> noNull = em;
        // 30 2f 30 0b 06 09 OID 04 20: the same digest without 05 00, one more FF in front.
        const std::size_t info = RSA_MODULUS_BYTES - 51;
        std::vector<std::uint8_t> shortInfo = {0x30, 0x2f, 0x30, 0x0b, 0x06, 0x09, 0x60, 0x86, 0x48,
                                               0x01, 0x65, 0x03, 0x04, 0x02, 0x01, 0x04, 0x20};
        noNull[info - 1] = 0xFF;
        noNull[info + 1] = 0x00;
        std::copy(shortInfo.begin(), shortInfo.end(), noNull.begin() + info + 2);
        cases.push_back({"DigestInfo without NULL", message, RawSignature(key, noNull), &key.Public});
    }
    for (const TCase& c : cases) EXPECT_FALSE(VerifyPkcs1Sha256(*c.key, c.message, c.signature)) << c.what;
    // The table's own control: the untouched pair verifies.
    EXPECT_TRUE(VerifyPkcs1Sha256(key.Public, message, good));
    EXPECT_TRUE(VerifyPkcs1Sha256(key.Public, message, RawSignature(key, em)));
}

TEST(Rsa, PrivateKeyTextRoundTripAndRefusals)
{
    const TRsaPrivateKey& key = TestKey(0);
    const std::string text = PrivateKeyText(key);
    const std::optional<TRsaPrivateKey> back = ParsePrivateKeyText(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Public.Modulus, key.Public.Modulus);
    EXPECT_EQ(back->PrivateExponent, key.PrivateExponent);
    std::string otherPrime = text;
    otherPrime[otherPrime.rfind('\n', otherPrime.size() - 2) + 5] ^= 1;  // q changed: p q != n
    const std::string refused[] = {"", text.substr(1), text + "x\n", otherPrime, text.substr(0, text.size() - 30)};
    for (const std::string& t : refused) EXPECT_FALSE(ParsePrivateKeyText(t)) << t.substr(0, 40);
}

} // namespace
