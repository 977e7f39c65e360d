// Libraries of the system that are not KnownDLLs, loaded at run time from
// the system folder only (never through the search order, which could
// reach the program's folder or the current one), once, and kept for the
// process's lifetime.
#pragma once

#include <windows.h>

// bcrypt.dll from System32; null when it cannot be loaded.
HMODULE BcryptLibrary();
