// Deleting a file that the user chose to delete: for good, no copy kept, and
// only the file that was checked.
//
//   const bool deleted = DeleteInfectedFile(path, checkedIdentity);
//
// Between the check and the deletion a prompt may stay up for minutes, and
// the worm that owns the file's folders can rename them and put links in
// their place. So the path is opened once, without following a link at its
// end, the file that opens is compared with the one checked, and its
// attributes are cleared and it is deleted through that same handle: the
// path is resolved once for the comparison and the deletion together.
#pragma once

#include <cstddef>
#include <string>

#include "common/file_identity.h"

// The longest path that DeleteInfectedFile takes.
constexpr std::size_t MAX_DELETE_PATH = 259;

// Sets the attributes of the file at path to archive alone, then deletes
// it; true when it was deleted. Silent: every failure is false.
// - The path must open on the checked file: another file (same name, other
//   identity), a link at the path's end or a folder gives false and changes
//   nothing.
// - A file in use (no delete sharing, or a running image) gives false; its
//   attributes stay changed.
// - A missing file gives false. A path longer than MAX_DELETE_PATH or
//   holding a zero byte gives false and changes nothing: cut, it would name
//   another file.
bool DeleteInfectedFile(const std::string& path, const TFileIdentity& checked);
