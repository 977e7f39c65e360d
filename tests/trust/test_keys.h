// Two RSA-3072 keys for the tests, made once per program from a seeded
// generator (the same keys every run), so that a failure can be replayed.
#pragma once

#include <random>

#include "trust/rsa.h"

inline TRandomSource SeededRandom(std::uint64_t seed)
{
    auto generator = std::make_shared<std::mt19937_64>(seed);
    return [generator](std::span<std::uint8_t> bytes) {
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>((*generator)());
        return true;
    };
}

// which: 0 the signing key, 1 another key.
inline const TRsaPrivateKey& TestKey(int which)
{
    static const TRsaPrivateKey keys[2] = {*GenerateRsaKey(SeededRandom(3072)), *GenerateRsaKey(SeededRandom(65537))};
    return keys[which];
}
