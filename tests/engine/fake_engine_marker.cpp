// A stand-in engine library that leaves a mark as soon as it is loaded: its
// DllMain writes PURVANE-ENGINE-LOADED.txt beside itself. A program that
// refuses a library it did not verify never makes that file.
#include <windows.h>

#include <string>

#include "sscan/sscan_api.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    std::wstring marker(path, length);
    marker.erase(marker.find_last_of(L'\\') + 1);
    marker += L"PURVANE-ENGINE-LOADED.txt";
    const HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}

extern "C" {

__declspec(dllexport) std::int32_t SSCAN_CALL initscan(const TPatternSignature*, std::int32_t) { return 1; }

__declspec(dllexport) std::int32_t SSCAN_CALL scanfile(const char*, TScanFileResult* result)
{
    result->Found = 0;
    return 0;
}

} // extern "C"
