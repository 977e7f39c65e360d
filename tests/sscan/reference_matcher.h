// The plain, obviously right matcher the engine is compared with: every
// signature at every offset, byte by byte.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "signatures/qzs_scan.h"

// The table index of the match ending earliest (lowest index among equals),
// or -1.
std::int32_t ReferenceFirstMatch(const std::vector<TPatternSignature>& table, const std::vector<std::uint8_t>& data);

// A record with this name and pattern text.
TPatternSignature MakeSignature(const std::string& name, const std::string& pattern);

// The pattern text for bytes, with the positions in wildcards written "??".
std::string PatternText(const std::vector<std::uint8_t>& bytes, const std::vector<bool>& wildcards);

// A random pattern cut from data at offset, with about one wildcard in ten.
std::string RandomPatternFrom(const std::vector<std::uint8_t>& data, std::size_t offset, std::size_t size,
                              std::mt19937& random);
