// SHA-256 (FIPS 180-4) and HMAC-SHA-256 (RFC 2104): a context that takes
// bytes in any number of pieces, and one-call forms. Portable; the program's
// signed manifest and the quarantine's entry authentication use them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

using TSha256Digest = std::array<std::uint8_t, 32>;

class TSha256Context {
public:
    TSha256Context();  // ready for the first Update

    void Update(const void* data, std::size_t count);
    void Update(std::span<const std::uint8_t> bytes) { Update(bytes.data(), bytes.size()); }
    // Pads and finishes; the context is spent afterwards.
    TSha256Digest Final();

private:
    std::uint32_t state_[8];
    std::uint64_t length_ = 0;      // bytes added so far
    std::uint8_t buffer_[64] = {};  // an incomplete block, length_ % 64 bytes
};

TSha256Digest Sha256Digest(std::span<const std::uint8_t> bytes);

// HMAC-SHA-256 with a key of any length, over bytes given in pieces.
class THmacSha256 {
public:
    explicit THmacSha256(std::span<const std::uint8_t> key);
    void Update(std::span<const std::uint8_t> bytes) { inner_.Update(bytes); }
    TSha256Digest Final();

private:
    TSha256Context inner_;
    std::array<std::uint8_t, 64> outerPad_{};
};

TSha256Digest HmacSha256(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message);

// Compares two digests in a time that does not depend on where they differ.
bool SameDigest(const TSha256Digest& a, const TSha256Digest& b);

// 64 lower-case hex digits.
std::string Sha256DigestText(const TSha256Digest& digest);
// True when text is exactly 64 hex digits (either case); digest gets them.
bool ParseSha256DigestText(std::string_view text, TSha256Digest& digest);
