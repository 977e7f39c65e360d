// sigtool, the maintainer's tool: one function per sub-command. Each takes
// the arguments after the command's name and returns the process's exit code.
#pragma once

#include <string>
#include <vector>

using TArgs = std::vector<std::string>;

int DumpPatterns(const TArgs& args);
int DumpFingerprints(const TArgs& args);
int BuildPatterns(const TArgs& args);
int BuildFingerprints(const TArgs& args);
int ImportClamav(const TArgs& args);
int ExportClamav(const TArgs& args);
int MakeSamples(const TArgs& args);
int Fingerprint(const TArgs& args);
int Scan(const TArgs& args);
int Keygen(const TArgs& args);
int PublicKey(const TArgs& args);
int Sign(const TArgs& args);
int Verify(const TArgs& args);

// Prints a Windows-1252 message on stderr as UTF-8.
void PrintError(const std::string& message);
