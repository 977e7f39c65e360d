// Texts inside the program are single-byte Windows-1252 strings; these helpers
// handle the few places where they meet the outside world.
#pragma once

#include <string>
#include <string_view>

// Upper-cases the letters a to z only; every other byte stays as it is.
std::string UpperCaseAscii(std::string_view text);

// Converts a Windows-1252 text to UTF-8, for terminals and logs.
std::string Cp1252ToUtf8(std::string_view text);
// Converts a UTF-8 text to Windows-1252, for the program's texts: "?" for a
// character that Windows-1252 lacks and for each byte of a broken sequence.
std::string Utf8ToCp1252(std::string_view text);

// Formats a text that holds one "%s", as the system's messages do.
std::string FormatMessage1(std::string_view pattern, std::string_view arg);
