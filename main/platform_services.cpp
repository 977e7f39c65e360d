#include "main/platform_services.h"

#include "common/executable_path.h"

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

} // namespace

TPlatformServices SystemServices()
{
    return {[](HWND owner, const char* text, const char* caption, UINT flags) {
                return MessageBoxA(owner, text, caption, flags);
            },
            &OpenWithShell, &LocalDate, &MajorVersion, &ExecutablePath};
}
