#include "main/report/report_format.h"

#include <cstdio>

#include "common/text.h"
#include "main/scan_run.h"

namespace {

const char* const kEol = "\r\n";

std::string Line(const std::string& label, const std::string& value) { return label + " : " + OneLineField(value) + kEol; }

std::string Digits(int value, int width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

std::string DateAndTime(const TLocalTime& t)
{
    return Digits(t.Day, 2) + "/" + Digits(t.Month, 2) + "/" + Digits(t.Year, 4) + " \xE0 " + Digits(t.Hour, 2) + ":" +
           Digits(t.Minute, 2) + ":" + Digits(t.Second, 2);
}

const char* ArchitectureText(TArchitecture architecture)
{
    switch (architecture) {
    case TArchitecture::X86: return "x86";
    case TArchitecture::X64: return "x64";
    case TArchitecture::Arm64: return "ARM64";
    case TArchitecture::Other: break;
    }
    return "architecture inconnue";
}

std::string WindowsText(const TWindowsFacts& w)
{
    return std::to_string(w.Major) + "." + std::to_string(w.Minor) + "." + std::to_string(w.Build) + " (" +
           ArchitectureText(w.Architecture) + ")";
}

const char* ModeText(TProgramMode mode)
{
    switch (mode) {
    case TProgramMode::Window: return "fen\xEAtre";
    case TProgramMode::Auto: return "/auto, chaque d\xE9tection est supprim\xE9" "e";
    case TProgramMode::Analyse: return "/analyse, aucune suppression";
    case TProgramMode::QuarantineList: return "/quarantaine";
    case TProgramMode::Restore: return "/restaurer";
    }
    return "";
}

std::string SignaturesText(const std::optional<TSignatureCounts>& signatures)
{
    if (!signatures) return "non charg\xE9" "es";
    return std::to_string(signatures->Patterns) + " motifs, " + std::to_string(signatures->Fingerprints) +
           " empreintes";
}

} // namespace

std::string ReportFileName(const TLocalTime& t)
{
    return "Purvane-" + Digits(t.Year, 4) + Digits(t.Month, 2) + Digits(t.Day, 2) + "-" + Digits(t.Hour, 2) +
           Digits(t.Minute, 2) + Digits(t.Second, 2) + ".txt";
}

std::string NumberedPath(const std::string& path, int n)
{
    if (n <= 1) return path;
    const std::size_t lastPart = path.find_last_of("\\/") + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < lastPart) dot = path.size();
    std::string numbered = path.substr(0, dot);
    numbered += '-' + std::to_string(n);
    return numbered + path.substr(dot);
}

std::string FormatReportHeader(const TReportFacts& facts, const TLocalTime& started,
                               const std::optional<TSignatureCounts>& signatures,
                               const std::vector<TReportMessage>& messages)
{
    std::string header = OneLineField(facts.Caption) + kEol;
    header += "Rapport d'analyse du " + DateAndTime(started) + kEol;
    header += Line("Windows", WindowsText(facts.Windows));
    header += Line("Programme 32 bits sous Windows 64 bits",
                   facts.Windows.Wow64 ? "oui, les modules des process 64 bits ne sont pas analys\xE9s" : "non");
    header += Line("Dossier du programme",
                   facts.ProgramDir.empty() ? "inconnu, son chemin ne s'\xE9" "crit pas dans la page de code, "
                                              "ni par des noms courts"
                                            : facts.ProgramDir);
    header += Line("Signatures", SignaturesText(signatures));
    header += Line("Mode", ModeText(facts.Mode));
    for (const TReportMessage& m : messages)
        header += Line(m.Warning ? "Avertissement au d\xE9marrage" : "Erreur au d\xE9marrage",
                       m.Caption + " : " + m.Text);
    return header;
}

const char* const FOLDER_RIGHTS_CAPTION = "Droits du dossier";

std::string FolderRightsText(const std::string& folder, TFolderExposure exposure, bool refused)
{
    const std::string others = "d'autres comptes que les administrateurs";
    std::string text = exposure == TFolderExposure::Unreadable
                           ? "les droits du dossier du programme " + folder +
                                 " ou de ses fichiers n'ont pu \xEAtre lus : il est compt\xE9 comme modifiable par " +
                                 others
                           : "le dossier du programme " + folder + " peut \xEAtre modifi\xE9 par " + others;
    if (refused) text += " ; le programme ne s'ex\xE9" "cute pas sous le compte SYSTEM depuis un tel dossier :";
    else text += " ;";
    return text + " d\xE9placez Purvane dans C:\\Program Files\\Purvane.";
}

std::string FormatDetectionsTitle()
{
    return std::string(kEol) +
           "D\xE9tections (n\xB0, phase, process, chemin, signature, type, r\xE9ponse, r\xE9sultat, quarantaine) :" +
           kEol;
}

std::string RemovalResultText(const TDetectionRecord& record)
{
    if (record.Answer == TPromptAnswer::Ignore) return ACTION_IGNORED;
    if (!record.Removal.Deleted) return ACTION_FAILED_FEMININE;
    const std::string deleted = ACTION_DELETED;
    switch (record.Removal.Copy) {
    case TCopyOutcome::None: break;
    case TCopyOutcome::Kept: return deleted + ", copie en quarantaine";
    case TCopyOutcome::TooLarge: return deleted + " sans copie : trop grand pour la quarantaine";
    case TCopyOutcome::Failed: return deleted + " sans copie : la copie a \xE9" "chou\xE9";
    }
    return deleted;
}

std::string FormatDetectionLine(const TDetectionRecord& r)
{
    const std::string fields[] = {
        std::to_string(r.Number),
        r.Phase == TScanPhase::Memory ? "m\xE9moire" : "fichiers",
        r.ProcessId ? std::to_string(r.ProcessId) : "-",
        OneLineField(r.Path),
        OneLineField(r.MalwareName),
        r.Kind == TDetectionKind::Pattern ? "motif" : "empreinte",
        r.Answer == TPromptAnswer::Delete ? "Supprimer" : "Ignorer",
        RemovalResultText(r),
        r.Removal.QuarantineId.empty() ? "-" : OneLineField(r.Removal.QuarantineId),
    };
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : "\t") + field;
    return line + kEol;
}

std::string FormatDuration(std::int64_t durationMs)
{
    const std::int64_t seconds = durationMs > 0 ? durationMs / 1000 : 0;
    const int s = static_cast<int>(seconds % 60), m = static_cast<int>(seconds / 60 % 60);
    const std::int64_t h = seconds / 3600;
    if (seconds < 60) return std::to_string(s) + " s";
    if (h == 0) return std::to_string(m) + " min " + Digits(s, 2) + " s";
    return std::to_string(h) + " h " + Digits(m, 2) + " min " + Digits(s, 2) + " s";
}

std::string FormatRunEnd(const TRunCounts& c, std::int64_t durationMs)
{
    const auto count = [](const char* label, int value) { return Line(label, std::to_string(value)); };
    std::string end = kEol;
    end += count("Process examin\xE9s", c.ProcessesExamined);
    end += count("Modules examin\xE9s", c.ModulesExamined);
    end += count("Fichiers rencontr\xE9s", c.FilesMet);
    end += count("Fichiers analys\xE9s", c.FilesChecked);
    end += count("Objets non analys\xE9s, chang\xE9s pendant leur analyse",
                 c.Unchecked[static_cast<int>(TUncheckedReason::Changed)]);
    end += count("Objets non analys\xE9s, nom hors de la page de code et sans nom court",
                 c.Unchecked[static_cast<int>(TUncheckedReason::Unspellable)]);
    end += count("D\xE9tections", c.Detections);
    end += count("Fichiers d\xE9tect\xE9s laiss\xE9s en place", c.FilesLeft);
    end += Line("Dur\xE9" "e", FormatDuration(durationMs));
    end += Line("Fin", c.Stopped ? "analyse interrompue par l'utilisateur." : "analyse termin\xE9" "e.");
    return end;
}

std::string FormatStartupFailure()
{
    return std::string(kEol) + Line("Fin", "aucune analyse, le d\xE9marrage a \xE9" "chou\xE9.");
}

std::string ReportNote(const std::string& path)
{
    if (path.empty()) return "\r\n\r\nLe rapport n'a pas pu \xEAtre \xE9" "crit.";
    return "\r\n\r\nRapport : " + path;
}
