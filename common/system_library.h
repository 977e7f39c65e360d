// Libraries come from the system folder alone. The program runs as an
// administrator from a folder the worm may write (people run cleaners from
// Downloads), and the loader's default search starts with the program's own
// folder, then the current one: a planted UxTheme.dll or VERSION.dll there
// would run with the program's rights. So the program imports only the
// system's KnownDLLs, which the loader takes from the system folder whatever
// the search, and loads anything else at run time through these:
//
//   RestrictLibrarySearch();                      // first thing in WinMain
//   const TModuleHandle uxtheme = LoadSystemLibrary(L"uxtheme.dll");
//   ModuleExport<TSetWindowTheme>(uxtheme.Get(), "SetWindowTheme")
//
// The engine library, which ships beside the program, is loaded by its full
// path.
#pragma once

#include "common/handle.h"

// From here on, a library loaded by a bare name (the program's own loads,
// the system's loads on its behalf, a library's dependencies) is searched in
// the system folder only. SetDefaultDllDirectories exists from Windows 8,
// and on Windows 7 with update KB2533623; where it is missing the current
// folder at least leaves the search (SetDllDirectoryW(L"")). True when the
// search is the system folder alone.
bool RestrictLibrarySearch();

// The library name (a bare file name, "uxtheme.dll") from the system folder,
// never from anywhere else; empty when it is not there.
TModuleHandle LoadSystemLibrary(const wchar_t* name);

// bcrypt.dll from the system folder, loaded once and kept for the process's
// lifetime; null when it cannot be loaded.
HMODULE BcryptLibrary();
