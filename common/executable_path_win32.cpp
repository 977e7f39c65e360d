#include "common/executable_path.h"

#include <windows.h>

#include "common/code_page.h"

namespace {

// The longest path the system gives, in UTF-16 units.
constexpr DWORD kLongestPath = 32768;

// The module's path in UTF-16; empty when the system does not give it whole.
std::wstring WideModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return path.substr(0, n);
        if (path.size() >= kLongestPath) return {};
        path.resize(path.size() * 2);  // the name was cut: a larger buffer
    }
}

} // namespace

std::string ExecutablePath()
{
    const std::wstring path = WideModulePath();
    return path.empty() ? std::string() : SpellablePath(path);
}

std::string ExecutableFolder() { return ProgramDirOf(ExecutablePath()); }
