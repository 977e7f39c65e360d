#include "tests/process/sample_processes.h"

#include <cstdlib>
#include <filesystem>

#include "common/text.h"
#include "tests/support/test_environment.h"

namespace {

constexpr DWORD kReadyTimeoutMs = 20000;

HANDLE InheritableEvent()
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return CreateEventA(&inherit, TRUE, FALSE, nullptr);
}

std::string HandleArgument(const TKernelHandle& handle)
{
    return std::to_string(reinterpret_cast<UINT_PTR>(handle.Get()));
}

std::string FolderIfPresent(const std::string& folder)
{
    return std::filesystem::is_directory(folder) ? folder : "";
}

}  // namespace

std::string SampleFolder()
{
#ifdef _WIN64
    return ProgramFolder() + "process_samples\\x64\\";
#else
    return ProgramFolder() + "process_samples\\x86\\";
#endif
}

std::string OtherArchitectureSampleFolder()
{
#ifdef _WIN64
    // The Wine runner's word that this machine runs no 32-bit code.
    const char* wine32 = std::getenv("PURVANE_WINE32");
    if (wine32 && std::string(wine32) == "0") return "";
    return FolderIfPresent(ProgramFolder() + "process_samples\\x86\\");
#else
    return FolderIfPresent(ProgramFolder() + "process_samples\\x64\\");
#endif
}

TSampleProcess::TSampleProcess(const std::string& program, const std::string& arguments)
    : ready_(InheritableEvent()), closeSeen_(InheritableEvent())
{
    std::string commandLine = "\"" + program + "\" " + arguments + (arguments.empty() ? "" : " ") +
                              HandleArgument(ready_) + " " + HandleArgument(closeSeen_);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &created))
        return;
    CloseHandle(created.hThread);
    process_.Reset(created.hProcess);
    pid_ = created.dwProcessId;
    const HANDLE waitFor[] = {ready_.Get(), process_.Get()};
    started_ = WaitForMultipleObjects(2, waitFor, FALSE, kReadyTimeoutMs) == WAIT_OBJECT_0;
}

TSampleProcess::~TSampleProcess()
{
    if (process_) End();
}

void TSampleProcess::End()
{
    if (IsRunning()) TerminateProcess(process_.Get(), 0);
    WaitForExit(kReadyTimeoutMs);
}

DWORD TSampleProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

std::uint64_t TSampleProcess::CreateTime() const
{
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(process_.Get(), &creation, &exit, &kernel, &user)) return 0;
    return (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

std::string PathKey(const std::string& path) { return UpperCaseAscii(path); }
