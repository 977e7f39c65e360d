// The text of a run's report: Windows-1252, lines ending with CRLF, in
// French. A header (the program and its version, the date, Windows, the
// program's folder, the signatures, the mode, the start-up's messages), one
// tab-separated line per detection, then the run's counts and its end:
//
//   Purvane v4.6.1 du 01/05/2013
//   Rapport d'analyse du 05/03/2024 à 14:07:09
//   ...
//   1<TAB>mémoire<TAB>1234<TAB>C:\w\worm.exe<TAB>W32/Worm.A<TAB>motif<TAB>Supprimer<TAB>supprimé<TAB>-
//   ...
//   Fin : analyse terminée.
//
// The README gives the whole format. Only detection lines hold tabs: a tab
// or any other control character inside a field is written as "?", which no
// Windows file name holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "main/command_line.h"
#include "main/folder_rights.h"
#include "main/run_journal.h"

// A local date and time, to the second.
struct TLocalTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

enum class TArchitecture { X86, X64, Arm64, Other };

struct TWindowsFacts {
    std::uint32_t Major = 0, Minor = 0, Build = 0;
    TArchitecture Architecture = TArchitecture::Other;  // the system's, not the program's
    bool Wow64 = false;  // the 32-bit build on 64-bit Windows
};

// What a report says of the program and the machine it runs on.
struct TReportFacts {
    std::string Caption;     // the main window's, with the version
    TWindowsFacts Windows;
    std::string ProgramDir;  // with its trailing "\"; empty when it could not be spelled
    TProgramMode Mode = TProgramMode::Window;
};

struct TSignatureCounts {
    std::int32_t Patterns = 0, Fingerprints = 0;
};

// A start-up message, its texts kept.
struct TReportMessage {
    std::string Caption, Text;
    bool Warning = false;
};

// The default name of a report started at time: Purvane-AAAAMMJJ-HHMMSS.txt.
std::string ReportFileName(const TLocalTime& time);
// path itself for n = 1; from 2 on, path with "-n" before the extension of
// its last part: C:\r\PC-12.txt, C:\r\PC-12-2.txt.
std::string NumberedPath(const std::string& path, int n);

// The header, with the start-up's messages last. Signatures that were not
// loaded are said so.
std::string FormatReportHeader(const TReportFacts& facts, const TLocalTime& started,
                               const std::optional<TSignatureCounts>& signatures,
                               const std::vector<TReportMessage>& messages);
// The blank line and the title line before the detections.
std::string FormatDetectionsTitle();
// One detection's line.
std::string FormatDetectionLine(const TDetectionRecord& record);
// What a deletion did, as the detection line's result.
std::string RemovalResultText(const TDetectionRecord& record);
// The counts, the duration and the end, after the detections.
std::string FormatRunEnd(const TRunCounts& counts, std::int64_t durationMs);
// The end of a report whose start-up ended the program.
std::string FormatStartupFailure();
// "42 s", "3 min 07 s", "1 h 02 min 03 s".
std::string FormatDuration(std::int64_t durationMs);

// The start-up message on a program's folder that others may change, or
// whose rights could not be read: its caption, and its text naming folder.
// refused: the program runs as SYSTEM and goes no further.
extern const char* const FOLDER_RIGHTS_CAPTION;
std::string FolderRightsText(const std::string& folder, TFolderExposure exposure, bool refused);

// The end-of-run box's addition that names the report; what it says when
// no report could be written, for an empty path.
std::string ReportNote(const std::string& path);
