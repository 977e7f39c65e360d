// RSA signatures with PKCS#1 v1.5 over SHA-256 (RFC 8017, RSASSA-PKCS1-v1_5
// with EMSA-PKCS1-v1_5): keys of 3072 bits, e = 65537.
//
// The verification builds the one encoded block that the message allows,
//   00 01 FF ... FF 00 || DigestInfo(SHA-256) || H(message),
// and compares it with s^e mod n byte for byte: no part of the block is
// parsed, so no other padding, parameter or trailing byte can pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "trust/big_unsigned.h"

constexpr std::size_t RSA_MODULUS_BITS = 3072;
constexpr std::size_t RSA_MODULUS_BYTES = RSA_MODULUS_BITS / 8;
constexpr std::uint32_t RSA_PUBLIC_EXPONENT = 65537;

struct TRsaPublicKey {
    TBigUnsigned Modulus;
    TBigUnsigned Exponent;
    std::size_t ModulusBytes() const { return (Modulus.BitLength() + 7) / 8; }
};

struct TRsaPrivateKey {
    TRsaPublicKey Public;
    TBigUnsigned PrivateExponent;
    TBigUnsigned Prime1, Prime2;
};

// Fills a buffer with random bytes; false when the source failed.
using TRandomSource = std::function<bool(std::span<std::uint8_t> bytes)>;

// EMSA-PKCS1-v1_5 of message with SHA-256, emLength bytes long; empty when
// emLength is too short for the digest and 8 bytes of padding.
std::vector<std::uint8_t> EncodePkcs1Sha256(std::span<const std::uint8_t> message, std::size_t emLength);

// A probable prime test: trial division by the small primes, then
// rounds of Miller-Rabin with random bases. Candidates below 2 are not prime.
bool IsProbablePrime(const TBigUnsigned& candidate, const TRandomSource& random, int rounds = 40);

// A new key of bits bits (two primes of bits/2, top two bits set so that
// the product has exactly bits bits, p - 1 and q - 1 prime to e); nothing
// when the random source failed.
std::optional<TRsaPrivateKey> GenerateRsaKey(const TRandomSource& random, std::size_t bits = RSA_MODULUS_BITS);

// The signature of message, as many bytes as the modulus.
std::vector<std::uint8_t> SignPkcs1Sha256(const TRsaPrivateKey& key, std::span<const std::uint8_t> message);

// True only for a signature as long as the modulus, below it, whose
// public power is exactly the encoded block of message.
bool VerifyPkcs1Sha256(const TRsaPublicKey& key, std::span<const std::uint8_t> message,
                       std::span<const std::uint8_t> signature);

// The key files: text, one "name hex" a line after a title line.
//   Purvane cle privee RSA 1 / n / e / d / p / q
//   Purvane cle publique RSA 1 / n / e
std::string PrivateKeyText(const TRsaPrivateKey& key);
std::optional<TRsaPrivateKey> ParsePrivateKeyText(const std::string& text);
