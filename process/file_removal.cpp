#include "process/file_removal.h"

#include "common/handle.h"

namespace {

constexpr DWORD kAttributeAccess = FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

// path itself, a link at its end not followed. A folder does not open.
TFileHandle OpenForRemoval(const std::string& path, DWORD access)
{
    return TFileHandle(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool IsCheckedFile(HANDLE file, const TFileIdentity& checked)
{
    return !IsLinkHandle(file) && IdentityOf(file) == checked;
}

bool SetArchiveOnly(HANDLE file)
{
    FILE_BASIC_INFO basic{};  // times of 0 are left as they are
    basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != 0;
}

bool MarkForDeletion(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

} // namespace

bool DeleteInfectedFile(const std::string& path, const TFileIdentity& checked)
{
    if (path.size() > MAX_DELETE_PATH || path.find('\0') != std::string::npos) return false;
    // A file held open without delete sharing refuses the right to delete;
    // its attributes are still cleared, as a deletion by path would do.
    TFileHandle file = OpenForRemoval(path, DELETE | kAttributeAccess);
    const bool deletable = static_cast<bool>(file);
    if (!deletable) file = OpenForRemoval(path, kAttributeAccess);
    if (!file || !IsCheckedFile(file.Get(), checked)) return false;
    // Whether this succeeds does not matter: the deletion decides.
    SetArchiveOnly(file.Get());
    // The file goes when the last handle on it closes: ours, at once, unless
    // the program's check still holds it.
    return deletable && MarkForDeletion(file.Get());
}
