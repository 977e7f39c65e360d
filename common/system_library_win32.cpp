#include "common/system_library.h"

HMODULE BcryptLibrary()
{
    static const HMODULE library = LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return library;
}
