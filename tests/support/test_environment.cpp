#include "tests/support/test_environment.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

void MakeReadOnly(const std::string& path)
{
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

std::string ProgramFolder()
{
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, n);
#else
    const std::string full = fs::read_symlink("/proc/self/exe").string();
#endif
    return full.substr(0, full.find_last_of("\\/") + 1);
}

bool RunningUnderWine()
{
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

#ifdef _WIN32
std::wstring WidePath(const std::string& ansi)
{
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

bool MakeFolderLink(const std::string& link, const std::string& target)
{
    return CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
           GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}
#endif
