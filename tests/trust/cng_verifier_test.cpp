// CNG's verdict against the portable verifier's on the same manifests: what
// the maintainer's tool signs is what the program accepts, and nothing else.
#include <gtest/gtest.h>

#include "tests/trust/test_keys.h"
#include "trust/win32_program_files.h"

namespace {

TSigningPublicKey PublicOf(const TRsaPrivateKey& key)
{
    TSigningPublicKey publicKey{};
    const std::vector<std::uint8_t> modulus = key.Public.Modulus.ToBytes(RSA_MODULUS_BYTES);
    std::copy(modulus.begin(), modulus.end(), publicKey.Modulus.begin());
    publicKey.Exponent = RSA_PUBLIC_EXPONENT;
    return publicKey;
}

TEST(CngVerifier, AgreesWithThePortableVerifier)
{
    const TCngSignatureVerifier cng(PublicOf(TestKey(0)));
    const TRsaSignatureVerifier portable(TestKey(0).Public);
    const std::string body = "Purvane manifeste 1\nsha256 " + std::string(64, 'a') + " SIG_MSN.DAT\n";
    const std::vector<std::uint8_t> message(body.begin(), body.end());
    const std::vector<std::uint8_t> good = SignPkcs1Sha256(TestKey(0), message);
    std::vector<std::uint8_t> tamperedMessage = message;
    tamperedMessage[30] ^= 1;
    std::vector<std::uint8_t> tamperedSignature = good;
    tamperedSignature[200] ^= 0x40;
    const struct {
        const char* what;
        std::vector<std::uint8_t> message, signature;
        bool valid;
    } cases[] = {
        {"valid", message, good, true},
        {"message tampered", tamperedMessage, good, false},
        {"signature tampered", message, tamperedSignature, false},
        {"another key", message, SignPkcs1Sha256(TestKey(1), message), false},
        {"short signature", message, std::vector<std::uint8_t>(good.begin() + 1, good.end()), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(portable.Verify(c.message, c.signature), c.valid) << c.what;
        EXPECT_EQ(cng.Verify(c.message, c.signature), c.valid) << c.what;
    }
}

} // namespace
