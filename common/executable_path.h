// The running program's own path and folder, in the ANSI code page without
// look-alikes, as the walk spells names: the engine library and the
// signature files are opened from that folder, and the report names it.
//
//   C:\Outils\Purvane\Purvane.exe  -> "C:\Outils\Purvane\"
//   C:\Outils\Łódź\Purvane.exe     -> its short form, "C:\Outils\ODZ~1\" (code page 1252)
//   the same without short names -> "": the program's files are then missing
#pragma once

#include <string>

// The folder part of an executable's full path, ending with "\"; empty when
// the path holds no "\" (an empty path, or a bare name, which would send the
// loader and the file calls to the current folder).
inline std::string ProgramDirOf(const std::string& executablePath)
{
    const std::size_t slash = executablePath.find_last_of('\\');
    return slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
}

#ifdef _WIN32
// The running executable's full path from the system (UTF-16), spelled
// exactly in the ANSI code page, else in its short form (SpellablePath);
// empty when it has neither, or the system does not give it.
std::string ExecutablePath();
// ProgramDirOf(ExecutablePath()): ends with "\", or is empty.
std::string ExecutableFolder();
#endif
