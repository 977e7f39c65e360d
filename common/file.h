// The thin file layer under the portable core: Win32 file calls in the
// Windows build, POSIX calls in the native one. A TFile owns its handle and
// closes it on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#ifdef _WIN32
#include "common/owned_handle.h"
#endif

class TFile {
public:
    // How a file is opened. Every mode opens an existing file only.
    enum class TAccess {
        ReadWrite,        // read and write access, read/write sharing: a read-only file fails
        Read,             // read access, read/write sharing
        ReadAllowDelete,  // read access, read/write/delete sharing, sequential reading
    };

    TFile() = default;
#ifndef _WIN32
    TFile(TFile&& other) noexcept;
    TFile& operator=(TFile&& other) noexcept;
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    ~TFile();
#endif

    // Opens path; the result is not open when the file is missing, is a
    // folder, or refuses the access.
    static TFile Open(const std::string& path, TAccess access);

    bool IsOpen() const;
    bool GetSize(std::uint64_t& size) const;
    bool Seek(std::uint64_t offset);

    // Reads up to count bytes from the current position. False on an I/O
    // error; delivered then holds what arrived before it. End of file is no
    // error: delivered is simply short.
    bool Read(void* buffer, std::size_t count, std::size_t& delivered);

    // True when exactly count bytes were read.
    bool ReadExact(void* buffer, std::size_t count)
    {
        std::size_t delivered = 0;
        return Read(buffer, count, delivered) && delivered == count;
    }

private:
#ifdef _WIN32
    explicit TFile(TFileHandle handle) : handle_(std::move(handle)) {}
    TFileHandle handle_;
#else
    explicit TFile(int fd) : fd_(fd) {}
    int fd_ = -1;
    void Close();
#endif
};

// True when path names an existing file; a folder does not count.
bool IsExistingFile(const std::string& path);

// The file at path opened for reading when it is an existing file; a
// closed TFile otherwise (a folder, nothing there, no access).
inline TFile OpenExistingFile(const std::string& path)
{
    return IsExistingFile(path) ? TFile::Open(path, TFile::TAccess::Read) : TFile();
}

#ifdef _WIN32
// Through a file handle opened elsewhere, with the access each call needs.

// Reads up to count bytes from the handle's position, as TFile::Read.
bool ReadFromHandle(void* file, void* buffer, std::size_t count, std::size_t& delivered);
// True when exactly count bytes were read.
bool ReadExactly(void* file, void* buffer, std::size_t count);
// True when all count bytes were written.
bool WriteAll(void* file, const void* buffer, std::size_t count);
// Marks the file for deletion: it goes when its last handle closes. Needs
// DELETE access.
bool MarkForDeletion(void* file);
// Sets the file's attributes (FILE_ATTRIBUTE_*; 0 stands for none), its
// times left as they are. Needs FILE_WRITE_ATTRIBUTES access.
bool SetAttributesOf(void* file, std::uint32_t attributes);
#endif
