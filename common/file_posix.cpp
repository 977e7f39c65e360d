#include "common/file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

TFile::TFile(TFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TFile& TFile::operator=(TFile&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

TFile::~TFile() { Close(); }

void TFile::Close()
{
    if (fd_ >= 0) {
        const int saved = errno;
        ::close(fd_);
        errno = saved;
        fd_ = -1;
    }
}

TFile TFile::Open(const std::string& path, TAccess access)
{
    const int flags = (access == TAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) return TFile();
    TFile file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return TFile();
    // Windows refuses write access to a read-only file even to an
    // administrator; root here would get it, so the write bits stand for
    // that attribute.
    if (access == TAccess::ReadWrite && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return TFile();
    if (access == TAccess::ReadAllowDelete) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return file;
}

bool TFile::IsOpen() const { return fd_ >= 0; }

bool TFile::GetSize(std::uint64_t& size) const
{
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool TFile::Seek(std::uint64_t offset)
{
    if (fd_ < 0 || offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool TFile::Read(void* buffer, std::size_t count, std::size_t& delivered)
{
    delivered = 0;
    if (fd_ < 0) return false;
    auto* out = static_cast<char*>(buffer);
    while (delivered < count) {
        const ssize_t n = ::read(fd_, out + delivered, count - delivered);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        delivered += static_cast<std::size_t>(n);
    }
    return true;
}


bool IsExistingFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
