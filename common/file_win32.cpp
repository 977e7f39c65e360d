#include "common/file.h"

#include <utility>
#include "common/handle.h"

TFile TFile::Open(const std::string& path, TAccess access)
{
    DWORD desired = GENERIC_READ;
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    switch (access) {
    case TAccess::ReadWrite: desired |= GENERIC_WRITE; break;
    case TAccess::Read: break;
    case TAccess::ReadAllowDelete:
        share |= FILE_SHARE_DELETE;
        flags |= FILE_FLAG_SEQUENTIAL_SCAN;
        break;
    }
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open.
    return TFile(TFileHandle(CreateFileA(path.c_str(), desired, share, nullptr, OPEN_EXISTING, flags, nullptr)));
}

bool TFile::IsOpen() const { return static_cast<bool>(handle_); }

bool TFile::GetSize(std::uint64_t& size) const
{
    LARGE_INTEGER li;
    if (!handle_ || !GetFileSizeEx(handle_.Get(), &li)) return false;
    size = static_cast<std::uint64_t>(li.QuadPart);
    return true;
}

bool TFile::Seek(std::uint64_t offset)
{
    if (!handle_ || offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle_.Get(), li, nullptr, FILE_BEGIN) != 0;
}

bool TFile::Read(void* buffer, std::size_t count, std::size_t& delivered)
{
    delivered = 0;
    if (!handle_) return false;
    auto* out = static_cast<char*>(buffer);
    while (delivered < count) {
        const std::size_t left = count - delivered;
        const DWORD ask = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!ReadFile(handle_.Get(), out + delivered, ask, &got, nullptr)) return false;
        if (got == 0) break;
        delivered += got;
    }
    return true;
}


bool IsExistingFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
