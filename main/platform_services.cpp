#include "main/platform_services.h"

#include <vector>

namespace {

TCalendarDate LocalDate()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

// The version query's result is not looked at: a failure leaves major 0.
DWORD MajorVersion()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&version);
#pragma GCC diagnostic pop
    return version.dwMajorVersion;
}

std::string ModulePath()
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return std::string(path.data(), n);
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);  // the name was cut: a larger buffer
    }
}

} // namespace

TPlatformServices SystemServices()
{
    return {[](HWND owner, const char* text, const char* caption, UINT flags) {
                return MessageBoxA(owner, text, caption, flags);
            },
            &OpenWithShell, &LocalDate, &MajorVersion, &ModulePath};
}
