#include "common/file_identity.h"

#include "common/handle.h"
#include "common/module_export.h"

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

namespace {

// What path names now, links followed, for its attributes alone. Folders
// open only with the backup flag; attribute access meets no sharing mode.
TFileHandle OpenForAttributes(const std::string& path)
{
    return TFileHandle(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// NtQueryInformationFile's class for the file's index on its volume, which
// no documented Win32 call gives without the volume's serial number too.
constexpr ULONG kFileInternalInformation = 6;
struct TStatusBlock {
    union {
        LONG Status;
        void* Pointer;
    };
    ULONG_PTR Information;
};
using TNtQueryInformationFile = LONG(WINAPI*)(HANDLE, TStatusBlock*, void*, ULONG, ULONG);

std::optional<std::uint64_t> FileIndexOf(HANDLE handle)
{
    static const auto query = NtdllExport<TNtQueryInformationFile>("NtQueryInformationFile");
    TStatusBlock status{};
    LARGE_INTEGER index{};
    if (!query || query(handle, &status, &index, sizeof index, kFileInternalInformation) < 0) return std::nullopt;
    return static_cast<std::uint64_t>(index.QuadPart);
}

} // namespace

std::optional<TFileStamp> StampOf(void* handle)
{
    FILE_STANDARD_INFO standard;
    FILE_BASIC_INFO basic;
    const std::optional<std::uint64_t> index = FileIndexOf(handle);
    if (!index || !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) ||
        !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        return std::nullopt;
    return TFileStamp{*index, static_cast<std::uint64_t>(standard.EndOfFile.QuadPart),
                      static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart)};
}

std::optional<TFileStamp> StampAt(const std::string& path)
{
    const TFileHandle handle = OpenForAttributes(path);
    if (!handle) return std::nullopt;
    return StampOf(handle.Get());
}

std::optional<TFileIdentity> IdentityAt(const std::string& path)
{
    const TFileHandle handle = OpenForAttributes(path);
    if (!handle) return std::nullopt;
    return IdentityOf(handle.Get());
}

std::optional<std::uint32_t> AttributesOf(void* handle)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) return std::nullopt;
    return tag.FileAttributes;
}

bool IsLinkHandle(void* handle) { return AttributesOf(handle).value_or(0) & FILE_ATTRIBUTE_REPARSE_POINT; }
