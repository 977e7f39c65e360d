#include "common/code_page.h"

#include <windows.h>

#include <algorithm>

namespace {

// WideCharToMultiByte into out (null: only measure); its result.
int ToAnsi(std::wstring_view text, char* out, int size, BOOL* usedDefault)
{
    // A UTF-8 code page spells every valid text; it refuses the best-fit flag
    // and the default-character report, and errors on what it cannot spell.
    const bool utf8 = GetACP() == CP_UTF8;
    return WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, text.data(),
                               static_cast<int>(text.size()), out, size, nullptr, utf8 ? nullptr : usedDefault);
}

} // namespace

std::optional<std::string> ExactAnsiSpelling(std::wstring_view text)
{
    if (text.empty()) return std::string();
    BOOL usedDefault = FALSE;
    const int length = ToAnsi(text, nullptr, 0, &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string ansi(static_cast<std::size_t>(length), '\0');
    if (ToAnsi(text, ansi.data(), length, &usedDefault) != length || usedDefault) return std::nullopt;
    return ansi;
}

std::string SpellablePath(const std::wstring& path)
{
    if (std::optional<std::string> exact = ExactAnsiSpelling(path)) return std::move(*exact);
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return "";
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) return "";
    shortPath.resize(length);
    return ExactAnsiSpelling(shortPath).value_or("");
}

namespace {

std::wstring WideFrom(UINT codePage, std::string_view text)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(text.size(), L'\0');  // never more characters than bytes
    wide.resize(static_cast<std::size_t>(std::max(0, MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), size))));
    return wide;
}

} // namespace

std::wstring WideFromAnsi(std::string_view ansi) { return WideFrom(CP_ACP, ansi); }

std::wstring WideFromUtf8(std::string_view utf8) { return WideFrom(CP_UTF8, utf8); }

std::string Utf8FromWide(std::wstring_view wide)
{
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    std::string utf8(wide.size() * 3, '\0');  // at most 3 bytes for each UTF-16 unit
    utf8.resize(static_cast<std::size_t>(std::max(
        0, WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr))));
    return utf8;
}
