// The public half of the key that signs the program's folder. The build
// writes its definition (sigtool public-key) from the key it was given, so
// a program accepts only folders signed with that key.
#pragma once

#include <array>
#include <cstdint>

#include "trust/rsa.h"

struct TSigningPublicKey {
    std::array<std::uint8_t, RSA_MODULUS_BYTES> Modulus;  // big-endian
    std::uint32_t Exponent;
};

extern const TSigningPublicKey SIGNING_PUBLIC_KEY;

inline TRsaPublicKey RsaPublicKeyOf(const TSigningPublicKey& key)
{
    return {TBigUnsigned::FromBytes(key.Modulus), TBigUnsigned(key.Exponent)};
}
