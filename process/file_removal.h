// Deleting a file that the user chose to delete: for good, no copy kept.
//
//   const bool deleted = DeleteInfectedFile(info.ImagePath);
//
// The read-only, hidden and system attributes are cleared first, so they do
// not stop the deletion. Silent: every failure is false.
#pragma once

#include <cstddef>
#include <string>

// The longest path that DeleteInfectedFile takes.
constexpr std::size_t MAX_DELETE_PATH = 259;

// Sets the attributes of path to archive alone, then deletes it; true when
// it was deleted. A file in use, a missing file or a folder gives false
// (their attributes stay changed). A path longer than MAX_DELETE_PATH or
// holding a zero byte gives false and changes nothing: cutting it would
// name another file.
bool DeleteInfectedFile(const std::string& path);
