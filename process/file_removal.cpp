#include "process/file_removal.h"

#include <windows.h>

bool DeleteInfectedFile(const std::string& path)
{
    if (path.size() > MAX_DELETE_PATH || path.find('\0') != std::string::npos) return false;
    // Whether this succeeds does not matter: the deletion decides.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return DeleteFileA(path.c_str()) != 0;
}
