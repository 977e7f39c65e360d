#include "main/report/report_win32.h"

#include <windows.h>

#include "common/code_page.h"
#include "common/handle.h"
#include "common/module_export.h"
#include "quarantine/win32_quarantine_store.h"

namespace {

class TWin32ReportFile final : public TReportFile {
public:
    TWin32ReportFile(std::string path, TFileHandle handle) : path_(std::move(path)), handle_(std::move(handle)) {}
    const std::string& Path() const override { return path_; }
    void Append(std::string_view text) override
    {
        while (!text.empty()) {
            DWORD written = 0;
            if (!WriteFile(handle_.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || !written)
                return;
            text.remove_prefix(written);
        }
    }

private:
    std::string path_;
    TFileHandle handle_;
};

TFileHandle OpenForReport(const std::string& path, DWORD disposition)
{
    return TFileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

TArchitecture ArchitectureOf(WORD architecture)
{
    switch (architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL: return TArchitecture::X86;
    case PROCESSOR_ARCHITECTURE_AMD64: return TArchitecture::X64;
    case PROCESSOR_ARCHITECTURE_ARM64: return TArchitecture::Arm64;
    default: return TArchitecture::Other;
    }
}

} // namespace

std::unique_ptr<TReportFile> TWin32ReportFiles::CreateNew(const std::string& path, bool& nameTaken)
{
    TFileHandle file = OpenForReport(path, CREATE_NEW);
    const DWORD error = GetLastError();
    nameTaken = !file && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
    if (!file) return nullptr;
    return std::make_unique<TWin32ReportFile>(path, std::move(file));
}

TWindowsFacts CurrentWindowsFacts(bool wow64)
{
    TWindowsFacts facts;
    facts.Wow64 = wow64;
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = NtdllExport<TRtlGetVersion>("RtlGetVersion");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (getVersion && getVersion(&version) == 0) {
        facts.Major = version.dwMajorVersion;
        facts.Minor = version.dwMinorVersion;
        facts.Build = version.dwBuildNumber;
    }
    SYSTEM_INFO system;
    GetNativeSystemInfo(&system);
    facts.Architecture = ArchitectureOf(system.wProcessorArchitecture);
    return facts;
}

TReportClock SystemReportClock()
{
    return {[] {
                SYSTEMTIME now;
                GetLocalTime(&now);
                return TLocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
            },
            [] { return static_cast<std::int64_t>(GetTickCount64()); }};
}

TReportsFolder::TReportsFolder() : TReportsFolder(ProgramDataFolder()) {}

TReportsFolder::TReportsFolder(std::wstring base) : base_(std::move(base)) {}

const std::string& TReportsFolder::Path()
{
    if (taken_) return path_;
    taken_ = true;
    held_ = TakeProtectedSubfolder(base_, L"Rapports");
    if (held_) path_ = ExactAnsiSpelling(held_.Path).value_or("");
    return path_;
}
