// MD5 message digest (RFC 1321): a context that takes bytes in any number of
// pieces, and the one-call text form that the fingerprint check compares
// with the signature records.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using TMD5Digest = std::array<std::uint8_t, 16>;

class TMD5Context {
public:
    TMD5Context();  // initialised: ready for the first Update

    // Adds count bytes; any number of calls, any lengths.
    void Update(const void* data, std::size_t count);
    // Adds count zero bytes, as if Update had been given them.
    void UpdateZeros(std::size_t count);
    // Pads, finishes and returns the digest in the standard's byte order.
    // The context is spent afterwards; initialise a new one to digest again.
    TMD5Digest Final();

private:
    std::uint32_t state_[4];
    std::uint64_t length_ = 0;          // bytes added so far
    std::uint8_t buffer_[64] = {};      // an incomplete block, length_ % 64 bytes
};

TMD5Digest MD5Digest(const void* data, std::size_t count);

// Length of a digest's text: two hex digits per byte.
constexpr std::size_t MD5_DIGEST_TEXT_LENGTH = 32;

// The digest as 32 upper-case hexadecimal digits, high half of each byte first.
std::string MD5DigestText(const TMD5Digest& digest);

// True when text is exactly 32 upper-case hex digits, the only form of a
// digest that MD5DigestText writes; digest then receives its value.
bool ParseMD5DigestText(std::string_view text, TMD5Digest& digest);
bool IsMD5DigestText(std::string_view text);

// MD5DigestText of the count bytes at data; count 0 gives the empty message's.
std::string MD5HexDigest(const void* data, std::size_t count);
