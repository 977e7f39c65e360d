// Functions looked up by name in a loaded library: the system's native
// calls that no import library offers, and the exports of libraries loaded
// at run time.
//
//   using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
//   if (const auto getVersion = NtdllExport<TRtlGetVersion>("RtlGetVersion")) getVersion(&version);
#pragma once

#include <windows.h>

// The function module exports as name, as a TFunction pointer; null when
// the module is null or does not export it.
template <typename TFunction>
TFunction ModuleExport(HMODULE module, const char* name)
{
    if (!module) return nullptr;
    return reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The same from NTDLL.DLL, which every process has loaded.
template <typename TFunction>
TFunction NtdllExport(const char* name)
{
    return ModuleExport<TFunction>(GetModuleHandleA("NTDLL.DLL"), name);
}
