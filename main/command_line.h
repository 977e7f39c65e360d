// The program's switches. Without any, the program opens its window; with
// them it runs without one, and its exit code and its report are all it
// gives:
//
//   Purvane.exe /auto                        every detection deleted
//   Purvane.exe -ANALYSE /rapport:"D:\r.txt"  every detection ignored, the report in D:\r.txt
//   Purvane.exe /quarantaine                 the quarantine's list, in the report
//   Purvane.exe /restaurer:ID                one file of the quarantine put back
//
// A switch begins with "/" or "-" and its name is read in any letter case;
// the value after ":" is kept as given. The command line is split into
// arguments as the C runtime of Windows splits it: white space between
// arguments, double quotes around spaces, backslashes doubled before a quote.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TProgramMode {
    Window,          // no switch but /rapport
    Auto,            // /auto
    Analyse,         // /analyse
    QuarantineList,  // /quarantaine
    Restore,         // /restaurer:ID
};

struct TCommandLine {
    TProgramMode Mode = TProgramMode::Window;
    std::string ReportPath;  // /rapport:PATH; empty for the report's default place
    std::string RestoreId;   // /restaurer:ID
    // The first argument refused: not a switch, a switch not known, one
    // without its value or with a value it does not take, a second mode or a
    // second /rapport. Nothing when every argument was taken.
    std::optional<std::string> Refused;
};

// The arguments of a whole command line (as GetCommandLine gives it), the
// program's name left out.
std::vector<std::string> SplitCommandLine(std::string_view line);
// The switches among arguments.
TCommandLine ParseSwitches(const std::vector<std::string>& arguments);

inline TCommandLine ParseCommandLine(std::string_view line) { return ParseSwitches(SplitCommandLine(line)); }
