// What the programs that drive or watch Purvane.exe from outside share: the
// processes they start, and texts of the program (Windows-1252) in UTF-8.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/handle.h"

inline std::string Utf8(const std::string& ansi)
{
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(1252, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), static_cast<int>(wide.size()))));
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                                             utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}

struct TProcess {
    std::string CommandLine;
    TKernelHandle Handle;
    DWORD Pid = 0;
};

// Starts commandLine; a failure is printed, and the process has no handle.
inline TProcess Start(const std::string& commandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = commandLine;
    TProcess process{commandLine, {}, 0};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        std::printf("error: cannot start %s (%lu)\n", commandLine.c_str(), GetLastError());
        return process;
    }
    CloseHandle(info.hThread);
    process.Handle.Reset(info.hProcess);
    process.Pid = info.dwProcessId;
    return process;
}

inline bool Running(const TProcess& p) { return p.Handle && WaitForSingleObject(p.Handle.Get(), 0) == WAIT_TIMEOUT; }
