// The system's random bytes, for keys and secrets: /dev/urandom natively (a
// CSPRNG on Linux and the BSDs, where std::random_device need not be one),
// BCryptGenRandom on Windows, its library from the system folder.
#pragma once

#include <cstdint>
#include <span>

// Fills bytes; false when the system could not give them all.
bool SystemRandomBytes(std::span<std::uint8_t> bytes);
