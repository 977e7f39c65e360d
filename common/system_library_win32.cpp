#include "common/system_library.h"

#include <string>

#include "common/module_export.h"

namespace {

using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);

} // namespace

bool RestrictLibrarySearch()
{
    const auto restrict = ModuleExport<TSetDefaultDllDirectories>(GetModuleHandleW(L"kernel32.dll"),
                                                                  "SetDefaultDllDirectories");
    if (restrict && restrict(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    SetDllDirectoryW(L"");
    return false;
}

TModuleHandle LoadSystemLibrary(const wchar_t* name)
{
    if (const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return TModuleHandle(module);
    // A system without the search flags (Windows 7 before KB2533623) refuses
    // them: the library's full path in the system folder instead.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return {};
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return TModuleHandle(LoadLibraryW((std::wstring(folder, length) + L'\\' + name).c_str()));
}

HMODULE BcryptLibrary()
{
    static const TModuleHandle library = LoadSystemLibrary(L"bcrypt.dll");
    return library.Get();
}
