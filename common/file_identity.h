// What makes a file the file that was checked. Two paths that reach one file
// (a folder link, a hard link) give one TFileId; a file whose bytes were
// rewritten keeps its TFileId but, in practice, not its size and last write
// time, so TFileIdentity tells it apart.
//
//   checked = IdentityOf(handle opened for the check);
//   ... the prompt, which may stay up for minutes ...
//   delete only when the path opened again gives the same identity
//
// A TFileStamp is the identity without the volume: what a handle tells at
// once, where the volume's serial number costs a query of the volume. It
// serves to see whether a path still names the file held open on its
// volume; every deletion compares the whole identity.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where a file or folder is: its volume's serial number and its index there.
struct TFileId {
    std::uint32_t VolumeSerial = 0;
    std::uint64_t FileIndex = 0;
    bool operator==(const TFileId&) const = default;
};

struct TFileStamp {
    std::uint64_t FileIndex = 0;
    std::uint64_t Size = 0;
    std::uint64_t LastWriteTime = 0;  // as the system stamps it (100 ns units since 1601 on Windows)
    bool operator==(const TFileStamp&) const = default;
};

struct TFileIdentity {
    TFileId Id;
    std::uint64_t Size = 0;
    std::uint64_t LastWriteTime = 0;  // as the system stamps it (100 ns units since 1601 on Windows)
    bool operator==(const TFileIdentity&) const = default;
    TFileStamp Stamp() const { return {Id.FileIndex, Size, LastWriteTime}; }
};

#ifdef _WIN32
// The identity of the file or folder open as handle; nothing when the system
// does not give it.
std::optional<TFileIdentity> IdentityOf(void* handle);

// The stamp of the file open as handle; nothing when the system does not
// give it.
std::optional<TFileStamp> StampOf(void* handle);
// The stamp of what path names now, opened as IdentityAt opens it.
std::optional<TFileStamp> StampAt(const std::string& path);

// The identity of what path names now, links followed, read without asking
// for access to its data, so no sharing mode held by others stands in the
// way; nothing for a missing path.
std::optional<TFileIdentity> IdentityAt(const std::string& path);

// The attributes (FILE_ATTRIBUTE_*) of the file or folder open as handle;
// nothing when the system does not give them.
std::optional<std::uint32_t> AttributesOf(void* handle);

// True when handle is open on a link (a symbolic link, a junction or any
// other reparse point) rather than on what it points to.
bool IsLinkHandle(void* handle);
#endif
