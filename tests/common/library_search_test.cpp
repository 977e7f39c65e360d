// Libraries from the system folder alone: a library planted in the current
// folder or beside the program is found by a bare name until the search is
// restricted, and never by LoadSystemLibrary. Its own program, since the
// restriction holds for the rest of the process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/handle.h"
#include "common/system_library.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

std::wstring ModuleFolder(HMODULE module)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    const std::wstring full(path, n);
    return full.substr(0, full.find_last_of(L'\\'));
}

std::wstring SystemFolder()
{
    wchar_t folder[MAX_PATH];
    return std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH));
}

TEST(LibrarySearch, PlantedLibrariesAreNotFoundOnceTheSearchIsRestricted)
{
    // A library planted in the current folder, under a name the system lacks,
    // and the engine library beside this program.
    TTempDir dir;
    const std::string planted = dir.Path("purvane_planted.dll");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "QZ_SSCAN.DLL").c_str(), planted.c_str(), FALSE));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path("").c_str()));

    // The loader's default search finds both.
    {
        const TModuleHandle inCurrent(LoadLibraryW(L"purvane_planted.dll"));
        EXPECT_TRUE(inCurrent);
        const TModuleHandle besideProgram(LoadLibraryW(L"QZ_SSCAN.DLL"));
        EXPECT_TRUE(besideProgram);
    }
    EXPECT_FALSE(LoadSystemLibrary(L"purvane_planted.dll"));
    EXPECT_FALSE(LoadSystemLibrary(L"QZ_SSCAN.DLL"));

    EXPECT_TRUE(RestrictLibrarySearch());  // every system this runs on has SetDefaultDllDirectories
    EXPECT_FALSE(TModuleHandle(LoadLibraryW(L"purvane_planted.dll")));
    EXPECT_FALSE(TModuleHandle(LoadLibraryW(L"QZ_SSCAN.DLL")));

    // The system's own libraries are still found, in the system folder.
    const TModuleHandle uxtheme = LoadSystemLibrary(L"uxtheme.dll");
    ASSERT_TRUE(uxtheme);
    EXPECT_EQ(CompareStringOrdinal(ModuleFolder(uxtheme.Get()).c_str(), -1, SystemFolder().c_str(), -1, TRUE),
              CSTR_EQUAL);
    EXPECT_TRUE(TModuleHandle(LoadLibraryW(L"version.dll")));
    SetCurrentDirectoryW(previous);
}

} // namespace
