// The Windows side of the folder's rights: the real security descriptors,
// read through a handle opened for READ_CONTROL alone, turned into the
// decision's descriptions, and the account the program runs as.
//
//   const TFolderExposure exposure = ExposureOf(ProgramFolderObjects("C:\\Outils\\Purvane\\"));
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "main/folder_rights.h"

// The owner and DACL of the file or folder at path; none when they cannot
// be read, with missing set when nothing is at path. An entry of a kind the
// description does not hold (object and callback entries) is taken as
// allowing its rights to another account.
std::optional<TSecurityDescription> ReadSecurityDescription(const std::wstring& path, bool& missing);

// programDir (ANSI, ending with "\"), its parent when it has one, and the
// shipped files there that exist.
std::vector<TGuardedObject> ProgramFolderObjects(const std::string& programDir);

// True when the program's token is LocalSystem's.
bool RunsAsLocalSystem();
