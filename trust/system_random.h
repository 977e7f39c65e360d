// The system's random bytes for key generation: /dev/urandom (a CSPRNG on
// Linux and the BSDs, where std::random_device need not be one).
#pragma once

#include <cstdint>
#include <span>

// Fills bytes; false when /dev/urandom could not give them all.
bool SystemRandomBytes(std::span<std::uint8_t> bytes);
