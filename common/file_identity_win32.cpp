#include "common/file_identity.h"

#include "common/handle.h"

std::optional<TFileIdentity> IdentityOf(void* handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
    TFileIdentity identity;
    identity.Id = {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    identity.Size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    identity.LastWriteTime =
        (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
    return identity;
}

std::optional<TFileIdentity> IdentityAt(const std::string& path)
{
    // Folders open only with the backup flag; attribute access alone meets
    // no sharing mode.
    const TFileHandle handle(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return std::nullopt;
    return IdentityOf(handle.Get());
}

bool IsLinkHandle(void* handle)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}
