// How one process's record is made from what the system tells of it, in
// this order:
//
//   creation time -> name -> modules, the image path among them -> the
//   pseudo-processes' names -> the image path from the process status
//   services -> the search by name (path_chain.h)
//
// The creation time comes first, right after the listing gave the id: read
// later, an id that went to a new process meanwhile would give the
// newcomer's time, and ending "this" process would end the newcomer.
// Portable: the Win32 source is in process_snapshot.cpp, fakes in the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "process/path_chain.h"
#include "process/process_snapshot.h"

class TProcessSource {
public:
    virtual ~TProcessSource() = default;
    // 100 ns units since 1601; 0 when it cannot be read.
    virtual std::uint64_t CreationTime(std::uint32_t pid) = 0;
    // The modules of pid, paths through the path chain; imagePath becomes the
    // path of the last module whose name is processName, ignoring case on a
    // to z (none for an empty name), and is empty when none is.
    virtual std::vector<TModuleInfo> Modules(std::uint32_t pid, const std::string& processName,
                                             std::string& imagePath) = 0;
    // The main module's path from the process status services; empty when
    // the process cannot be opened.
    virtual std::string MainModuleFileName(std::uint32_t pid) = 0;
};

// The record of process pid, listed with the executable name exeName
// (empty when it has no exact spelling in the code page).
TProcessInfo BuildProcessRecord(std::uint32_t pid, const std::string& exeName, TProcessSource& source,
                                const TPathSystem& paths);
