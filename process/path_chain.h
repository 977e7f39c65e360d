// The path chain: turning a path that the system reports for a process or a
// module into the path of an existing file. A module path may come in a
// native form ("\??\C:\x.dll"), a root form ("\SystemRoot\System32\x.dll"),
// an environment form ("%windir%\x.dll") or as a bare name ("x.dll"); each
// step runs only while the path does not name an existing file:
//
//   "\SystemRoot\System32\x.dll"  -- root form, SystemRoot=C:\Windows -->
//   "C:\Windows\System32\x.dll"   -- still missing: searched by name in the
//   folder part, then the Windows and system folders --> "" when not found.
//
// Everything here is portable: what the chain asks of the system goes
// through TPathSystem, whose Win32 adapter is in process_routines.h and
// whose fakes are the tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The program reads at most this many characters of its environment block.
constexpr std::size_t MAX_ENVIRONMENT_WINDOW = 4096;
// Of the text that follows a replaced variable, at most this much remains.
constexpr std::size_t MAX_EXPANDED_TAIL = 1024;

// What the chain asks of the system.
class TPathSystem {
public:
    virtual ~TPathSystem() = default;
    // True when path names an existing file (not a folder) whose last-write
    // time is a valid DOS date and time.
    virtual bool IsExistingFile(const std::string& path) const = 0;
    // The program's environment, as name=value texts in block order.
    virtual std::vector<std::string> EnvironmentList() const = 0;
    // The Windows folder and the system folder, each followed by ";".
    virtual std::string WindowsSearchPath() const = 0;
    // The full form of path; empty when the system gives none.
    virtual std::string FullPathName(const std::string& path) const = 0;
    // True when c opens a double-byte character of the ANSI code page.
    virtual bool IsLeadByte(char c) const = 0;
};

// The environment texts of block, which holds at most the first
// MAX_ENVIRONMENT_WINDOW characters of an environment block: zero-terminated
// texts up to the first empty one; a text that the window cuts is dropped.
std::vector<std::string> ParseEnvironmentBlock(std::string_view window);

// For each variable in order whose name (the text before the first "=") is
// not empty: the first "%NAME%" in path, compared in upper case, becomes the
// value; failing that, with the root form, the first "\NAME" does. Each
// search sees the replacements made before it.
std::string ExpandEnvVars(std::string path, bool withRootForm, const std::vector<std::string>& environment);

// name itself when it names an existing file, else the first entry of the
// ";"-separated list for which entry\name does; empty when none does.
std::string SearchDirList(const std::string& name, std::string_view list, const TPathSystem& system);

// The text after the last "\" or ":" of path, and the text up to and
// including it (empty when there is none).
std::string FileNamePart(const std::string& path, const TPathSystem& system);
std::string FolderPart(const std::string& path, const TPathSystem& system);

// path without its first "\??\" (exact, case-sensitive match).
std::string RemoveNativePrefix(std::string path);

// The full form of the file called name found in the folder part of
// lastPath, the Windows folder or the system folder; empty when none exists.
std::string SearchByName(const std::string& name, const std::string& lastPath, const TPathSystem& system);

// path without its native prefix, or else the first of its rewritings that
// names an existing file: the environment and root forms expanded, then the
// name search; empty when none names one. The prefix goes first whatever
// the source: the existence test accepts native paths, and the program
// hands on Win32 paths only.
std::string NormalizeModulePath(const std::string& path, const TPathSystem& system);
