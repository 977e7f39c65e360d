// Writing signature files: what the maintainer's tool, the tests and the
// benchmarks use to produce files in the two record formats. The program
// itself only reads them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One scrambled 321-byte pattern record; texts longer than their capacity are
// cut (callers check lengths first).
std::vector<std::uint8_t> EncodePatternRecord(std::string_view name, std::string_view pattern);

// One scrambled 104-byte fingerprint record.
std::vector<std::uint8_t> EncodePEMD5Record(std::int32_t sectionSize, std::string_view digest, std::string_view name);

// A signature file's header record, for either format.
std::vector<std::uint8_t> EncodePatternHeader();
std::vector<std::uint8_t> EncodePEMD5Header();

// Appends records to a byte image of a file.
void AppendRecord(std::vector<std::uint8_t>& file, const std::vector<std::uint8_t>& record);

// Writes bytes to path, replacing the file. False on any failure.
bool WriteBytesToFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
