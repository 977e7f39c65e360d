// The readers under test take file names; a fuzz input is written to one
// scratch file per process, replaced for every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the input to the scratch file and returns its path.
const std::string& WriteFuzzFile(const std::uint8_t* data, std::size_t size);
