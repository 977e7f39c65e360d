// The pattern check of one file: what the program asks the engine library,
// and the answer it gets back.
#pragma once

#include <cstddef>
#include <string>

#include "engine/qz_dll_sscan_header.h"

// The pattern engine's answer for one file.
struct TVirusInfo {
    bool Found = false;
    std::string VirusName;
};

// Longest path handed to the engine, with its terminating NUL.
constexpr std::size_t SCAN_PATH_BUFFER_SIZE = 1026;

// Asks engine about the file at path: Found only when the engine reports
// Found = 1, with its name. Without a usable engine, or for a path longer
// than 1,025 characters, nothing is found.
TVirusInfo ScanWithPatternEngine(const TScanEngine& engine, const std::string& path);
