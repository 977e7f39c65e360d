// The report: its lines, where its file goes, and a whole report as the
// journal writes it over a run.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "main/scan_run.h"
#include "main/report/report_journal.h"

namespace {

TDetectionRecord Record(std::int32_t number, TScanPhase phase, std::uint32_t pid, const std::string& path,
                        const std::string& name, TDetectionKind kind, TPromptAnswer answer, TRemoval removal = {})
{
    TDetectionRecord r;
    r.Number = number;
    r.Phase = phase;
    r.ProcessId = pid;
    r.Path = path;
    r.MalwareName = name;
    r.Kind = kind;
    r.Answer = answer;
    r.Removal = removal;
    return r;
}

TEST(ReportFormat, OneLinePerDetection)
{
    using P = TScanPhase;
    using K = TDetectionKind;
    const TPromptAnswer del = TPromptAnswer::Delete, ign = TPromptAnswer::Ignore;
    const struct {
        TDetectionRecord record;
        const char* line;
    } cases[] = {
        {Record(1, P::Memory, 1234, "C:\\w\\worm.exe", "W32/Worm.A", K::Pattern, del, {true, TCopyOutcome::Kept, "Q1"}),
         "1\tm\xE9moire\t1234\tC:\\w\\worm.exe\tW32/Worm.A\tmotif\tSupprimer\tsupprim\xE9, copie en quarantaine\tQ1\r\n"},
        {Record(2, P::Memory, 1234, "C:\\w\\worm.dll", "W32/Worm.B", K::Fingerprint, del),
         "2\tm\xE9moire\t1234\tC:\\w\\worm.dll\tW32/Worm.B\tempreinte\tSupprimer\tsuppression \xE9" "chou\xE9" "e\t-\r\n"},
        {Record(3, P::Files, 0, "C:\\Users\\a\\jeu.scr", "W32/Worm.C", K::Pattern, ign),
         "3\tfichiers\t-\tC:\\Users\\a\\jeu.scr\tW32/Worm.C\tmotif\tIgnorer\tignor\xE9\t-\r\n"},
        {Record(4, P::Files, 0, "D:\\gros.exe", "W32/Worm.D", K::Fingerprint, del, {true, TCopyOutcome::TooLarge, ""}),
         "4\tfichiers\t-\tD:\\gros.exe\tW32/Worm.D\tempreinte\tSupprimer\t"
         "supprim\xE9 sans copie : trop grand pour la quarantaine\t-\r\n"},
        {Record(5, P::Files, 0, "C:\\x.com", "W32/Worm.E", K::Pattern, del, {true, TCopyOutcome::Failed, ""}),
         "5\tfichiers\t-\tC:\\x.com\tW32/Worm.E\tmotif\tSupprimer\tsupprim\xE9 sans copie : la copie a \xE9" "chou\xE9\t-\r\n"},
        {Record(6, P::Files, 0, "C:\\y.exe", "W32/Worm.F", K::Pattern, del, {true, TCopyOutcome::None, ""}),
         "6\tfichiers\t-\tC:\\y.exe\tW32/Worm.F\tmotif\tSupprimer\tsupprim\xE9\t-\r\n"},
        // A control character in a field would break the line or its fields.
        {Record(12, P::Memory, 7, "C:\\a\tb.exe", "Nom\r\nfaux", K::Pattern, ign),
         "12\tm\xE9moire\t7\tC:\\a?b.exe\tNom??faux\tmotif\tIgnorer\tignor\xE9\t-\r\n"},
        {Record(13, P::Files, 0, "C:\\PROGRA~1\\WORM~1.EXE", "W", K::Fingerprint, del, {true, TCopyOutcome::Kept, "a\nb"}),
         "13\tfichiers\t-\tC:\\PROGRA~1\\WORM~1.EXE\tW\tempreinte\tSupprimer\tsupprim\xE9, copie en quarantaine\ta?b\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDetectionLine(c.record), c.line) << c.record.Number;
}

const TLocalTime kStarted{2024, 3, 5, 14, 7, 9};

TReportFacts Facts(TProgramMode mode = TProgramMode::Auto, bool wow64 = false)
{
    return {"Purvane v4.6.1 du 01/05/2013", {10, 0, 19045, TArchitecture::X64, wow64}, "C:\\Outils\\Purvane\\", mode};
}

TEST(ReportFormat, Header)
{
    EXPECT_EQ(FormatReportHeader(Facts(), kStarted, TSignatureCounts{120, 60},
                                 {{"Moteur d'analyse", "absent", true}, {"Erreur fichier", "illisible", false}}),
              "Purvane v4.6.1 du 01/05/2013\r\n"
              "Rapport d'analyse du 05/03/2024 \xE0 14:07:09\r\n"
              "Windows : 10.0.19045 (x64)\r\n"
              "Programme 32 bits sous Windows 64 bits : non\r\n"
              "Dossier du programme : C:\\Outils\\Purvane\\\r\n"
              "Signatures : 120 motifs, 60 empreintes\r\n"
              "Mode : /auto, chaque d\xE9tection est supprim\xE9" "e\r\n"
              "Avertissement au d\xE9marrage : Moteur d'analyse : absent\r\n"
              "Erreur au d\xE9marrage : Erreur fichier : illisible\r\n");
}

TEST(ReportFormat, HeaderLinesThatVary)
{
    const auto lineOf = [](const std::string& text, const std::string& label) {
        const std::size_t at = text.find("\r\n" + label + " : ");
        return at == std::string::npos ? std::string() : text.substr(at + 2, text.find("\r\n", at + 2) - at - 2);
    };
    const struct {
        TReportFacts facts;
        std::optional<TSignatureCounts> signatures;
        const char* label;
        const char* line;
    } cases[] = {
        {Facts(TProgramMode::Window), TSignatureCounts{}, "Mode", "Mode : fen\xEAtre"},
        {Facts(TProgramMode::Analyse), TSignatureCounts{}, "Mode", "Mode : /analyse, aucune suppression"},
        {Facts(TProgramMode::Auto, true), TSignatureCounts{}, "Programme 32 bits sous Windows 64 bits",
         "Programme 32 bits sous Windows 64 bits : oui, les modules des process 64 bits ne sont pas analys\xE9s"},
        {{"P", {6, 1, 7601, TArchitecture::X86, false}, "Q:\\", TProgramMode::Window}, TSignatureCounts{}, "Windows",
         "Windows : 6.1.7601 (x86)"},
        {{"P", {10, 0, 22631, TArchitecture::Arm64, true}, "Q:\\", TProgramMode::Window}, TSignatureCounts{}, "Windows",
         "Windows : 10.0.22631 (ARM64)"},
        {{"P", {}, "Q:\\", TProgramMode::Window}, TSignatureCounts{}, "Windows", "Windows : 0.0.0 (architecture inconnue)"},
        {Facts(), std::nullopt, "Signatures", "Signatures : non charg\xE9" "es"},
        {{"P", {}, "", TProgramMode::Window}, TSignatureCounts{}, "Dossier du programme",
         "Dossier du programme : inconnu, son chemin ne s'\xE9" "crit pas dans la page de code, ni par des noms courts"},
        {Facts(), TSignatureCounts{4500, 260000}, "Signatures", "Signatures : 4500 motifs, 260000 empreintes"},
    };
    for (const auto& c : cases) EXPECT_EQ(lineOf(FormatReportHeader(c.facts, kStarted, c.signatures, {}), c.label), c.line);
}

// The start-up's line on a program's folder that others may change: a
// warning, or as SYSTEM the refusal; the folder named as the header names it.
TEST(ReportFormat, FolderRightsLines)
{
    const std::string folder = "C:\\Users\\a\\Downloads\\Purvane\\";
    const struct {
        TFolderExposure exposure;
        bool refused;
        const char* line;
    } cases[] = {
        {TFolderExposure::OpenToOthers, false,
         "Avertissement au d\xE9marrage : Droits du dossier : le dossier du programme C:\\Users\\a\\Downloads\\Purvane\\ "
         "peut \xEAtre modifi\xE9 par d'autres comptes que les administrateurs ; d\xE9placez Purvane dans "
         "C:\\Program Files\\Purvane.\r\n"},
        {TFolderExposure::Unreadable, false,
         "Avertissement au d\xE9marrage : Droits du dossier : les droits du dossier du programme "
         "C:\\Users\\a\\Downloads\\Purvane\\ ou de ses fichiers n'ont pu \xEAtre lus : il est compt\xE9 comme "
         "modifiable par d'autres comptes que les administrateurs ; d\xE9placez Purvane dans "
         "C:\\Program Files\\Purvane.\r\n"},
        {TFolderExposure::OpenToOthers, true,
         "Erreur au d\xE9marrage : Droits du dossier : le dossier du programme C:\\Users\\a\\Downloads\\Purvane\\ "
         "peut \xEAtre modifi\xE9 par d'autres comptes que les administrateurs ; le programme ne s'ex\xE9" "cute pas "
         "sous le compte SYSTEM depuis un tel dossier : d\xE9placez Purvane dans C:\\Program Files\\Purvane.\r\n"},
    };
    for (const auto& c : cases) {
        const std::string header = FormatReportHeader(
            Facts(), kStarted, std::nullopt,
            {{FOLDER_RIGHTS_CAPTION, FolderRightsText(folder, c.exposure, c.refused), !c.refused}});
        const std::string afterMode = header.substr(header.find("\r\nMode : ") + 2);
        EXPECT_EQ(afterMode.substr(afterMode.find("\r\n") + 2), c.line);
    }
}

TEST(ReportFormat, NamesAndDurations)
{
    EXPECT_EQ(ReportFileName(kStarted), "Purvane-20240305-140709.txt");
    EXPECT_EQ(ReportFileName({2013, 12, 31, 23, 59, 58}), "Purvane-20131231-235958.txt");
    const struct {
        const char* path;
        int n;
        const char* numbered;
    } numbers[] = {
        {"C:\\r\\Purvane-20240305-140709.txt", 1, "C:\\r\\Purvane-20240305-140709.txt"},
        {"C:\\r\\Purvane-20240305-140709.txt", 2, "C:\\r\\Purvane-20240305-140709-2.txt"},
        {"\\\\serveur\\partage\\PC-12.txt", 20, "\\\\serveur\\partage\\PC-12-20.txt"},
        {"C:\\rapports.2013\\PC", 3, "C:\\rapports.2013\\PC-3"},
        {"C:\\r\\PC.12.log", 2, "C:\\r\\PC.12-2.log"},
        {"rapport", 2, "rapport-2"},
    };
    for (const auto& c : numbers) EXPECT_EQ(NumberedPath(c.path, c.n), c.numbered) << c.path << " " << c.n;
    const std::pair<std::int64_t, const char*> durations[] = {
        {-5, "0 s"},           {999, "0 s"},          {42'500, "42 s"},
        {60'000, "1 min 00 s"}, {187'000, "3 min 07 s"}, {3'723'000, "1 h 02 min 03 s"},
        {90'061'000, "25 h 01 min 01 s"},
    };
    for (const auto& [ms, text] : durations) EXPECT_EQ(FormatDuration(ms), text) << ms;
}

TEST(ReportFormat, RunEndAndNote)
{
    TRunCounts counts;
    counts.ProcessesExamined = 12;
    counts.ModulesExamined = 153;
    counts.FilesMet = 20345;
    counts.FilesChecked = 4512;
    counts.Unchecked[static_cast<int>(TUncheckedReason::Changed)] = 2;
    counts.Unchecked[static_cast<int>(TUncheckedReason::Unspellable)] = 1;
    counts.Detections = 6;
    counts.FilesLeft = 1;
    const std::string counted = "\r\nProcess examin\xE9s : 12\r\n"
                                "Modules examin\xE9s : 153\r\n"
                                "Fichiers rencontr\xE9s : 20345\r\n"
                                "Fichiers analys\xE9s : 4512\r\n"
                                "Objets non analys\xE9s, chang\xE9s pendant leur analyse : 2\r\n"
                                "Objets non analys\xE9s, nom hors de la page de code et sans nom court : 1\r\n"
                                "D\xE9tections : 6\r\n"
                                "Fichiers d\xE9tect\xE9s laiss\xE9s en place : 1\r\n"
                                "Dur\xE9" "e : 1 min 23 s\r\n";
    EXPECT_EQ(FormatRunEnd(counts, 83'400), counted + "Fin : analyse termin\xE9" "e.\r\n");
    counts.Stopped = true;
    EXPECT_EQ(FormatRunEnd(counts, 83'400), counted + "Fin : analyse interrompue par l'utilisateur.\r\n");
    EXPECT_EQ(FormatStartupFailure(), "\r\nFin : aucune analyse, le d\xE9marrage a \xE9" "chou\xE9.\r\n");
    EXPECT_EQ(ReportNote("C:\\Outils\\Purvane\\Purvane-20240305-140709.txt"),
              "\r\n\r\nRapport : C:\\Outils\\Purvane\\Purvane-20240305-140709.txt");
    EXPECT_EQ(ReportNote(""), "\r\n\r\nLe rapport n'a pas pu \xEAtre \xE9" "crit.");
}

// --- Files ----------------------------------------------------------------

// Files in memory. A folder is writable or refused; a path holds a file or
// something planted (a link, a file of the worm's) that must not be opened.
class TMemoryFiles : public TReportFiles {
public:
    struct TFile final : TReportFile {
        TFile(TMemoryFiles& files, std::string path) : files(files), path(std::move(path)) {}
        const std::string& Path() const override { return path; }
        void Append(std::string_view text) override { files.contents[path] += text; }
        TMemoryFiles& files;
        std::string path;
    };

    std::unique_ptr<TReportFile> CreateNew(const std::string& path, bool& nameTaken) override
    {
        nameTaken = contents.count(path) || planted.count(path);
        if (nameTaken || refusedFolders.count(path.substr(0, path.rfind('\\') + 1))) return nullptr;
        contents[path];
        return std::make_unique<TFile>(*this, path);
    }

    std::set<std::string> refusedFolders, planted;
    std::map<std::string, std::string> contents;
};

const std::string kProgramDir = "C:\\Outils\\Purvane\\";
const std::string kTemp = "C:\\ProgramData\\Purvane\\Rapports\\";  // the protected folder, made when asked for
const std::string kName = "Purvane-20240305-140709";

TEST(ReportFiles, WhereTheReportGoes)
{
    const auto numbered = [](const std::string& path, int from, int to) {
        std::set<std::string> paths;
        for (int n = from; n <= to; ++n) paths.insert(NumberedPath(path, n));
        return paths;
    };
    const std::string first = kProgramDir + kName + ".txt";
    const struct {
        const char* what;
        std::string chosen;
        std::set<std::string> refused, planted;
        std::string expected;  // empty: nowhere
    } cases[] = {
        {"beside the program", "", {}, {}, first},
        {"its name taken by a link: the next number", "", {}, {first}, kProgramDir + kName + "-2.txt"},
        {"two names taken", "", {}, {first, kProgramDir + kName + "-2.txt"}, kProgramDir + kName + "-3.txt"},
        {"the program's folder refused: the protected folder", "", {kProgramDir}, {}, kTemp + kName + ".txt"},
        {"every name taken: the protected folder", "", {}, numbered(first, 1, MAX_REPORT_NAME_NUMBER),
         kTemp + kName + ".txt"},
        {"the chosen path", "D:\\r.txt", {}, {}, "D:\\r.txt"},
        {"the chosen path taken: its next number", "D:\\r.txt", {}, {"D:\\r.txt"}, "D:\\r-2.txt"},
        {"an earlier report at the chosen path is kept", kProgramDir + "old.txt", {}, {}, kProgramDir + "old-2.txt"},
        {"every number of the chosen path taken: the default place", "D:\\r.txt", {},
         numbered("D:\\r.txt", 1, MAX_REPORT_NAME_NUMBER), first},
        {"the chosen folder refused: the default place", "\\\\serveur\\x\\r.txt", {"\\\\serveur\\x\\"}, {}, first},
        {"nowhere", "", {kProgramDir, kTemp}, {}, ""},
    };
    for (const auto& c : cases) {
        TMemoryFiles files;
        files.refusedFolders = c.refused;
        files.planted = c.planted;
        files.contents[kProgramDir + "old.txt"] = "old";
        int asked = 0;
        const std::unique_ptr<TReportFile> file =
            OpenReportFile(files, {c.chosen, {kProgramDir}, [&] { return ++asked, kTemp; }}, kStarted);
        EXPECT_EQ(file ? file->Path() : "", c.expected) << c.what;
        // The protected folder is made only when the others take no report.
        EXPECT_EQ(asked, c.expected.empty() || c.expected.starts_with(kTemp) ? 1 : 0) << c.what;
        EXPECT_EQ(files.contents[kProgramDir + "old.txt"], "old") << c.what;
    }
    // The program's folder unknown: the temporary folder, never a bare
    // name in the current folder.
    TMemoryFiles files;
    const std::unique_ptr<TReportFile> file = OpenReportFile(files, {"", {"", kTemp}}, kStarted);
    EXPECT_EQ(file ? file->Path() : "", kTemp + kName + ".txt");
    EXPECT_EQ(files.contents.count(kName + ".txt"), 0u);
}

// --- The journal ------------------------------------------------------------

class ReportJournalTest : public ::testing::Test {
protected:
    ReportJournalTest() : journal_(Facts(), Clock(), files_, {"", {kProgramDir, kTemp}}) {}

    TReportClock Clock()
    {
        return {[this] { return now_; }, [this] { return milliseconds_; }};
    }
    const std::string& Text(const std::string& path) { return files_.contents[path]; }

    TLocalTime now_ = kStarted;
    std::int64_t milliseconds_ = 5'000;
    TMemoryFiles files_;
    TReportJournal journal_;
};

TEST_F(ReportJournalTest, AWholeRun)
{
    journal_.StartupMessage({"absent", "Moteur d'analyse", true});
    journal_.SignaturesLoaded(120, 60);
    journal_.RunStarted();
    const std::string path = kProgramDir + kName + ".txt";
    ASSERT_EQ(journal_.LastReportPath(), path);
    const std::string header = FormatReportHeader(Facts(), kStarted, TSignatureCounts{120, 60},
                                                  {{"Moteur d'analyse", "absent", true}}) +
                               FormatDetectionsTitle();
    // Written as it goes: a run cut short leaves what it found.
    EXPECT_EQ(Text(path), header);
    const TDetectionRecord first =
        Record(1, TScanPhase::Memory, 8, "C:\\w\\worm.exe", "W", TDetectionKind::Pattern, TPromptAnswer::Delete, {true, TCopyOutcome::None, ""});
    journal_.Detection(first);
    EXPECT_EQ(Text(path), header + FormatDetectionLine(first));
    milliseconds_ += 42'000;
    TRunCounts counts;
    counts.Detections = 1;
    EXPECT_EQ(journal_.RunEnded(counts), ReportNote(path));
    EXPECT_EQ(Text(path), header + FormatDetectionLine(first) + FormatRunEnd(counts, 42'000));

    // The next run, in the same second: a report of its own, with the
    // start-up's message again.
    journal_.RunStarted();
    EXPECT_EQ(journal_.LastReportPath(), kProgramDir + kName + "-2.txt");
    EXPECT_EQ(Text(kProgramDir + kName + "-2.txt"), header);
}

TEST_F(ReportJournalTest, AStartupThatEndedTheProgram)
{
    journal_.StartupMessage({"Impossible de charger le fichier de signatures", "Erreur fichier"});
    journal_.SignaturesLoaded(0, 0);
    journal_.StartupFailed();
    EXPECT_EQ(Text(kProgramDir + kName + ".txt"),
              FormatReportHeader(Facts(), kStarted, TSignatureCounts{},
                                 {{"Erreur fichier", "Impossible de charger le fichier de signatures", false}}) +
                  FormatStartupFailure());
}

TEST_F(ReportJournalTest, NoPlaceForTheReport)
{
    files_.refusedFolders = {kProgramDir, kTemp};
    journal_.RunStarted();
    journal_.Detection(Record(1, TScanPhase::Files, 0, "C:\\a.exe", "W", TDetectionKind::Pattern, TPromptAnswer::Ignore));
    EXPECT_EQ(journal_.RunEnded({}), ReportNote(""));
    EXPECT_TRUE(files_.contents.empty());
}

} // namespace
