// What makes a file the file that was checked. Two paths that reach one file
// (a folder link, a hard link) give one TFileId; a file whose bytes were
// rewritten keeps its TFileId but, in practice, not its size and last write
// time, so TFileIdentity tells it apart.
//
//   checked = IdentityOf(handle opened for the check);
//   ... the prompt, which may stay up for minutes ...
//   delete only when the path opened again gives the same identity
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

struct TFileIdentity {
    TFileId Id;
    std::uint64_t Size = 0;
    std::uint64_t LastWriteTime = 0;  // as the system stamps it (100 ns units since 1601 on Windows)
    bool operator==(const TFileIdentity&) const = default;
};

#ifdef _WIN32
// The identity of the file or folder open as handle; nothing when the system
// does not give it.
std::optional<TFileIdentity> IdentityOf(void* handle);

// The identity of what path names now, links followed, read without asking
// for access to its data, so no sharing mode held by others stands in the
// way; nothing for a missing path.
std::optional<TFileIdentity> IdentityAt(const std::string& path);

// True when handle is open on a link (a symbolic link, a junction or any
// other reparse point) rather than on what it points to.
bool IsLinkHandle(void* handle);
#endif
