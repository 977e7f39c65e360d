// Names between the system's UTF-16 and the program's ANSI code page. The
// system's own ANSI calls spell a character the code page lacks with a
// look-alike ("best fit": an L for a barred L, fullwidth letters as ASCII)
// and give a name that does not exist; these conversions refuse instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// text in the ANSI code page, character for character; nothing when a
// character has no exact spelling there.
std::optional<std::string> ExactAnsiSpelling(std::wstring_view text);

// A path that the system gives in UTF-16, in the ANSI code page, spelled
// exactly. Where the code page lacks one of its characters (the system's
// ANSI calls would give a "?" or a look-alike, a name that opens nothing or
// another file), its short form, when the volume keeps one; else empty.
std::string SpellablePath(const std::wstring& path);

// An ANSI text (a path the program built from exact spellings) in UTF-16.
std::wstring WideFromAnsi(std::string_view ansi);

// UTF-16 and UTF-8, for what must keep every character (the quarantine's
// record of a path); invalid sequences become U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);
std::wstring WideFromUtf8(std::string_view utf8);
