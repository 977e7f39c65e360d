#include "common/text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

std::string UpperCaseAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

namespace {

// Code points of bytes 0x80..0x9F in Windows-1252; 0 marks the five unused
// bytes, which are shown as U+FFFD.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto b = static_cast<std::uint8_t>(ch);
        std::uint32_t cp = b;
        if (b >= 0x80 && b <= 0x9F) cp = kHighControls[b - 0x80] ? kHighControls[b - 0x80] : 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

namespace {

// The code point of the sequence at text[at], and its length; a length of 0
// for a broken or overlong sequence.
std::pair<std::uint32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) return {lead, 1};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || length > text.size() - at) return {0, 0};
    std::uint32_t cp = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {0, 0};
        cp = cp << 6 | (byte(at + i) & 0x3F);
    }
    constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 0};
    return {cp, length};
}

char Cp1252Of(std::uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < std::size(kHighControls); ++i)
        if (kHighControls[i] && kHighControls[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto [cp, length] = DecodeUtf8(text, at);
        out += length ? Cp1252Of(cp) : '?';
        at += length ? length : 1;
    }
    return out;
}

std::string FormatMessage1(std::string_view pattern, std::string_view arg)
{
    std::string out(pattern);
    const auto at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, arg);
    return out;
}

std::string OneLineField(std::string_view text)
{
    std::string field(text);
    for (char& c : field)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return field;
}

const char* const SYSNATIVE_NAME = "Sysnative";

namespace {

std::string_view WithoutTrailingSeparator(std::string_view folder)
{
    while (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
    return folder;
}

} // namespace

bool IsSystemFolderEntry(std::string_view folder, std::string_view name, std::string_view windowsFolder)
{
    const std::string_view windows = WithoutTrailingSeparator(windowsFolder);
    return !windows.empty() && UpperCaseAscii(WithoutTrailingSeparator(folder)) == UpperCaseAscii(windows) &&
           UpperCaseAscii(name) == "SYSTEM32";
}

std::string ThroughSysnative(std::string_view path, std::string_view windowsFolder)
{
    const std::string_view windows = WithoutTrailingSeparator(windowsFolder);
    if (windows.empty() || path.size() <= windows.size() || path[windows.size()] != '\\') return std::string(path);
    const std::size_t nameStart = windows.size() + 1;
    const std::size_t nameEnd = std::min(path.find('\\', nameStart), path.size());
    if (!IsSystemFolderEntry(path.substr(0, windows.size()), path.substr(nameStart, nameEnd - nameStart), windows))
        return std::string(path);
    return std::string(path.substr(0, nameStart)) + SYSNATIVE_NAME + std::string(path.substr(nameEnd));
}
