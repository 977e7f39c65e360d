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
    return handle_ && ReadFromHandle(handle_.Get(), buffer, count, delivered);
}

bool IsExistingFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// The most one ReadFile or WriteFile call is given.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;

DWORD TransferSize(std::size_t left) { return static_cast<DWORD>(left > kLargestTransfer ? kLargestTransfer : left); }

} // namespace

bool ReadFromHandle(void* file, void* buffer, std::size_t count, std::size_t& delivered)
{
    delivered = 0;
    auto* out = static_cast<char*>(buffer);
    while (delivered < count) {
        DWORD got = 0;
        if (!ReadFile(file, out + delivered, TransferSize(count - delivered), &got, nullptr)) return false;
        if (got == 0) break;
        delivered += got;
    }
    return true;
}

bool ReadExactly(void* file, void* buffer, std::size_t count)
{
    std::size_t delivered = 0;
    return ReadFromHandle(file, buffer, count, delivered) && delivered == count;
}

bool WriteAll(void* file, const void* buffer, std::size_t count)
{
    const auto* in = static_cast<const char*>(buffer);
    for (std::size_t done = 0; done < count;) {
        DWORD written = 0;
        if (!WriteFile(file, in + done, TransferSize(count - done), &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool MarkForDeletion(void* file)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool SetAttributesOf(void* file, std::uint32_t attributes)
{
    FILE_BASIC_INFO basic{};  // times of 0 are left as they are; attributes of 0 would be too
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != 0;
}
