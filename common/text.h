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

// text with every control character as "?", so that it stays within its
// line and its field: a report's field, a quarantine list's field.
std::string OneLineField(std::string_view text);

// The name under which the 32-bit build on 64-bit Windows reaches the real
// system folder, which "System32" would redirect to SysWOW64.
extern const char* const SYSNATIVE_NAME;
// True when name, an entry of folder, is the system folder of windowsFolder:
// "System32" in windowsFolder, in any letter case (either folder with or
// without its trailing "\").
bool IsSystemFolderEntry(std::string_view folder, std::string_view name, std::string_view windowsFolder);
// path with its system folder under windowsFolder named SYSNATIVE_NAME
// ("C:\Windows\System32\x.dll" gives "C:\Windows\Sysnative\x.dll"); path as
// it is when it goes through no system folder.
std::string ThroughSysnative(std::string_view path, std::string_view windowsFolder);
