#include "common/system_folders.h"

#include <windows.h>

namespace {

constexpr UINT kWindowsFolderBufferSize = 512;

} // namespace

std::string WindowsFolder()
{
    char folder[kWindowsFolderBufferSize];
    const UINT length = GetWindowsDirectoryA(folder, kWindowsFolderBufferSize);
    return length == 0 || length >= kWindowsFolderBufferSize ? std::string() : std::string(folder, length);
}

bool RunsUnderWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
