// What a test needs to know of where and how it runs: the folder of the
// test program, whether Wine runs it, and the read-only attribute.
#pragma once

#include <string>

// Gives path the read-only attribute (no write permission bits on POSIX).
void MakeReadOnly(const std::string& path);

// The folder of the running test program, ending with a separator: the
// build puts the signature files and the program's libraries there.
std::string ProgramFolder();

// True when a Windows test program runs under Wine rather than Windows.
bool RunningUnderWine();

#ifdef _WIN32
// An ANSI path in UTF-16, for the wide file functions: with them a test can
// make names that the ANSI code page cannot spell.
std::wstring WidePath(const std::string& ansi);

// A folder link at link to target; false where links cannot be made here
// (an account without the privilege; a system whose call makes nothing).
bool MakeFolderLink(const std::string& link, const std::string& target);
#endif
