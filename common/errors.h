// The two kinds of error the program raises rather than returns. Their
// messages are the program's own Windows-1252 texts, shown as they stand.
#pragma once

#include <stdexcept>
#include <string>

// A signature file whose record breaks the format (a length above its
// capacity, a pattern pair that is not hexadecimal).
class TSignatureFormatError : public std::runtime_error {
public:
    explicit TSignatureFormatError(const std::string& message) : std::runtime_error(message) {}
};

// A file that fails the PE test at the moment its section table is built.
class TNotPEFileError : public std::runtime_error {
public:
    explicit TNotPEFileError(const std::string& message) : std::runtime_error(message) {}
};
