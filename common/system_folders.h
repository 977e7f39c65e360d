// Where Windows is, and whether this process runs as the 32-bit build on
// 64-bit Windows, where "System32" names SysWOW64 (text.h: ThroughSysnative).
#pragma once

#include <string>

// The Windows folder as the system gives it (no trailing "\"), in the ANSI
// code page; empty when unknown.
std::string WindowsFolder();
// True for a 32-bit process on 64-bit Windows.
bool RunsUnderWow64();
