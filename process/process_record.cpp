#include "process/process_record.h"

namespace {

// Ids the system gives its pseudo-processes, which have no executable.
constexpr std::uint32_t kIdleProcessId = 0;
constexpr std::uint32_t kLastSystemProcessId = 9;

} // namespace

TProcessInfo BuildProcessRecord(std::uint32_t pid, const std::string& exeName, TProcessSource& source,
                                const TPathSystem& paths)
{
    TProcessInfo info;
    info.PID = pid;
    info.CreateTime = source.CreationTime(pid);
    info.Name = FileNamePart(exeName, paths);
    info.Modules = source.Modules(pid, info.Name, info.ImagePath);
    if (info.Name.empty()) {
        if (pid == kIdleProcessId) info.Name = "[System Idle Process]";
        else if (pid <= kLastSystemProcessId) info.Name = "System";
    }
    if (!paths.IsExistingFile(info.ImagePath)) info.ImagePath = source.MainModuleFileName(pid);
    if (!paths.IsExistingFile(info.ImagePath)) info.ImagePath = SearchByName(info.Name, info.ImagePath, paths);
    return info;
}
