#include "process/file_removal.h"

#include "common/file.h"
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

} // namespace

bool DeleteInfectedFile(const std::string& path, const TFileIdentity& checked, const TBeforeDeletion& beforeDeletion)
{
    if (path.size() > MAX_DELETE_PATH || path.find('\0') != std::string::npos) return false;
    // Read access is for the copy; a file that refuses it is deleted all the
    // same. A file held open without delete sharing refuses the right to
    // delete; its attributes are still cleared, as a deletion by path would do.
    TFileHandle file = OpenForRemoval(path, DELETE | kAttributeAccess | FILE_READ_DATA);
    if (!file) file = OpenForRemoval(path, DELETE | kAttributeAccess);
    const bool deletable = static_cast<bool>(file);
    if (!deletable) file = OpenForRemoval(path, kAttributeAccess);
    if (!file || !IsCheckedFile(file.Get(), checked)) return false;
    if (deletable && beforeDeletion) beforeDeletion(file.Get());
    // Whether this succeeds does not matter: the deletion decides.
    SetAttributesOf(file.Get(), FILE_ATTRIBUTE_ARCHIVE);
    // The file goes when the last handle on it closes: ours, at once, unless
    // the program's check still holds it.
    return deletable && MarkForDeletion(file.Get());
}
