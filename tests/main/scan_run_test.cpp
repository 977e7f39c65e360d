// The scan run over a fake window, a fake system (processes, a drive of
// folders) and a fake check that finds what a table says while the file
// exists.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "main/scan_run.h"
#include "tests/main/recording_journal.h"
#include "tests/main/recording_scan_view.h"

namespace {

// --- The system ---------------------------------------------------------

// An entry of a folder listing: a file unless told otherwise.
TFolderEntry Entry(const std::string& name, bool isFolder = false, bool isVolumeLabel = false, bool unspellable = false)
{
    TFolderEntry entry;
    entry.Name = name;
    entry.IsFolder = isFolder;
    entry.IsVolumeLabel = isVolumeLabel;
    entry.NameUnspellable = unspellable;
    return entry;
}

class TFakeSystem : public TScanSystem {
public:
    std::vector<TProcessInfo> TakeProcessSnapshot() override
    {
        ++snapshots;
        return processes;
    }
    void EndProcess(std::uint32_t pid, std::uint64_t createTime) override
    {
        events.push_back("end " + std::to_string(pid) + "@" + std::to_string(createTime));
    }
    // What is opened stays what it was, whatever happens to its path.
    std::unique_ptr<TCheckedObject> OpenForCheck(const std::string& path) override
    {
        const TFileIdentity* file = Resolve(path);
        if (!file) return nullptr;
        return std::make_unique<TOpened>(*file);
    }
    std::optional<TFileStamp> StampAt(const std::string& path) override
    {
        const TFileIdentity* file = Resolve(path);
        return file ? std::optional(file->Stamp()) : std::nullopt;
    }
    bool Exists(const std::string& path) const { return Resolve(path) != nullptr; }
    // A link at the path is not followed: it is not the file checked.
    TRemoval DeleteInfectedFile(const std::string& path, const TFileIdentity& checked, const std::string&) override
    {
        events.push_back("delete " + path);
        const auto file = files.find(path);
        if (undeletable.count(path) || links.count(path) || file == files.end() || file->second != checked) return {};
        files.erase(file);
        return {true, TCopyOutcome::Kept, "Q" + std::to_string(++quarantined)};
    }
    char GetSystemDrive() override { return 'C'; }
    void ForEachFolderEntry(const std::string& folder, const std::optional<TFileId>&,
                            const std::function<bool(const TFolderEntry&)>& onEntry) override
    {
        listed.push_back(folder);
        for (const TFolderEntry& e : folders[folder])
            if (!onEntry(e)) return;
    }
    std::optional<TFileId> FolderId(const std::string& folder) override
    {
        folderIdsAsked.push_back(folder);
        const auto it = identities.find(folder);
        if (it != identities.end()) return it->second;
        return TFileId{1, std::hash<std::string>{}(folder)};
    }
    bool MissesModulesOf64BitProcesses() override { return wow64; }

    // A file on the drive: its folder's listing gets it, the file exists.
    void AddFile(const std::string& folder, const std::string& name)
    {
        folders[folder].push_back(Entry(name));
        CreateFile(folder + name);
    }
    // A new file at path, with an identity no other file has.
    void CreateFile(const std::string& path) { files[path] = {{7, ++lastIndex}, 100, 1}; }
    void AddFolder(const std::string& parent, const std::string& name)
    {
        folders[parent].push_back(Entry(name, true));
        folders[parent + name + "\\"];
    }

    std::vector<TProcessInfo> processes;
    std::map<std::string, std::vector<TFolderEntry>> folders;  // keyed with the trailing "\"
    std::map<std::string, TFileId> identities;
    std::map<std::string, TFileIdentity> files;
    std::map<std::string, std::string> links;  // path -> the file it leads to
    std::set<std::string> undeletable;
    std::vector<std::string> events, listed, folderIdsAsked;
    int snapshots = 0, quarantined = 0;
    bool wow64 = false;

private:
    // The file path leads to, a link followed as the system's opens follow it.
    const TFileIdentity* Resolve(const std::string& path) const
    {
        const auto link = links.find(path);
        const auto file = files.find(link != links.end() ? link->second : path);
        return file != files.end() ? &file->second : nullptr;
    }
    struct TOpened final : TCheckedObject {
        explicit TOpened(const TFileIdentity& identity) : identity(identity) {}
        TFileStamp Stamp() const override { return identity.Stamp(); }
        std::optional<TFileIdentity> Identity() const override { return identity; }
        TFileIdentity identity;
    };
    std::uint64_t lastIndex = 0;
};

// --- The check ------------------------------------------------------------

// Finds what the table says of an existing file; raises for paths in broken.
// beforeRead runs as each check starts reading.
class TTableCheck : public TObjectCheck {
public:
    explicit TTableCheck(const TFakeSystem& system) : system_(system) {}
    void Check(const std::string& path, TDetectionHandler& handler, TCheckAdmission admitted) const override
    {
        checked.push_back(path);
        const auto found = [&](const std::map<std::string, std::string>& table, TDetectionKind kind) {
            if (beforeRead) beforeRead(kind);
            const auto it = table.find(path);
            return system_.Exists(path) && it != table.end() ? it->second : std::string();
        };
        if (admitted.Pattern)
            if (const std::string name = found(patterns, TDetectionKind::Pattern); !name.empty())
                handler.OnDetection(path, name, TDetectionKind::Pattern);
        if (admitted.Fingerprint) {
            if (broken.count(path)) return handler.OnCheckError(path, "n'est pas un fichier PE valide");
            if (const std::string name = found(fingerprints, TDetectionKind::Fingerprint); !name.empty())
                handler.OnDetection(path, name, TDetectionKind::Fingerprint);
        }
    }

    std::map<std::string, std::string> patterns, fingerprints;
    std::set<std::string> broken;
    std::function<void(TDetectionKind)> beforeRead;
    mutable std::vector<std::string> checked;

private:
    const TFakeSystem& system_;
};

TProcessInfo Process(std::uint32_t pid, const std::string& image, std::vector<std::string> modules = {})
{
    TProcessInfo p;
    p.PID = pid;
    p.ImagePath = image;
    p.CreateTime = 1000 + pid;
    for (const std::string& m : modules) p.Modules.push_back({"", m});
    return p;
}

std::vector<std::string> Actions(const TRecordingView& view)
{
    std::vector<std::string> actions;
    for (const TRow& r : view.rows) actions.push_back(r.Action);
    return actions;
}

class ScanRunTest : public ::testing::Test {
protected:
    ScanRunTest() { system_.folders["C:\\"]; }

    // The idle process first, as the system lists it.
    void SetProcesses(std::vector<TProcessInfo> processes)
    {
        system_.processes = {Process(0, "")};
        system_.processes.insert(system_.processes.end(), processes.begin(), processes.end());
        for (const TProcessInfo& p : processes) {
            if (!system_.files.count(p.ImagePath)) system_.CreateFile(p.ImagePath);
            for (const TModuleInfo& m : p.Modules)
                if (!system_.files.count(m.ModulePath)) system_.CreateFile(m.ModulePath);
        }
    }

    std::vector<std::string> Actions() const { return ::Actions(view_); }

    TRecordingView view_;
    TFakeSystem system_;
    TTableCheck check_{system_};
    TRecordingJournal journal_;
    TScanRun run_{view_, system_, check_, journal_};
};

// --- Tests ----------------------------------------------------------------

TEST(ScanRunRules, ExtensionTestsLookForTheTextAnywhereInTheName)
{
    const struct {
        const char* upperName;
        bool pattern, fingerprint;
    } cases[] = {
        {"SETUP.EXE", true, true},       {"AUTORUN.INF", false, false}, {"PLAYER.PIF", true, false},
        {"DRIVER.VXD", true, false},     {"CONTROL.OCX", false, true},  {"SETUP.EXE.BAK", true, true},
        {"RAPPORT.COMPTA.TXT", true, true}, {"README", false, false},   {"SETUPEXE", false, false},
        {"X.DRV", true, true},           {"X.SYS", true, true},         {"X.SCR", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasPatternScanExtension(c.upperName), c.pattern) << c.upperName;
        EXPECT_EQ(HasFingerprintScanExtension(c.upperName), c.fingerprint) << c.upperName;
    }
}

TEST(ScanRunRules, TheShownFolderIsCutPast48Characters)
{
    const std::string folder47(47, 'a'), folder48(48, 'b');
    const struct {
        std::string folder, shown;
    } cases[] = {
        {"C:\\WINDOWS", "C:\\WINDOWS\\"},
        {"C:\\", "C:\\"},
        {folder47, folder47 + "\\"},                                           // 48 with the "\": whole
        {folder48, std::string(30, 'b') + "\\...\\" + std::string(18, 'b')},  // 49: cut
        {"C:\\Documents and Settings\\Administrateur\\Local Settings\\Temp",
         "C:\\Documents and Settings\\Admi\\...\\ocal Settings\\Temp"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShownFolder(c.folder), c.shown) << c.folder;
    EXPECT_EQ(EnsureTrailingBackslash(""), "\\");
    EXPECT_EQ(EnsureTrailingBackslash("C:\\x"), "C:\\x\\");
    EXPECT_EQ(EnsureTrailingBackslash("C:\\"), "C:\\");
}

TEST_F(ScanRunTest, TheMemoryScanSkipsIndexZeroAndShortImagePaths)
{
    SetProcesses({Process(4, "C:\\x\\y.exe"), Process(8, "C:\\x\\yz.exe"), Process(12, "")});
    run_.Run();
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\x\\yz.exe"}));
    EXPECT_EQ(view_.progress[TScanPhase::Memory], (std::vector<int>{0, 50}));  // index 2 of 4
}

TEST_F(ScanRunTest, ProgressGoesByIndexAndTheExecutableIsCheckedBeforeItsModules)
{
    SetProcesses({Process(4, "C:\\w\\one.exe", {"C:\\w\\a.dll"}), Process(8, "C:\\w\\two.exe", {"C:\\w\\b.dll"})});
    run_.Run();
    EXPECT_EQ(view_.progress[TScanPhase::Memory], (std::vector<int>{0, 33, 66}));
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\w\\one.exe", "C:\\w\\a.dll", "C:\\w\\two.exe", "C:\\w\\b.dll"}));
    EXPECT_EQ(view_.texts[TScanPhase::Memory],
              (std::vector<std::string>{"Analyse du process C:\\w\\one.exe", "Analyse du module C:\\w\\a.dll",
                                        "Analyse du process C:\\w\\two.exe", "Analyse du module C:\\w\\b.dll",
                                        MEMORY_CLEAN_TEXT}));
    EXPECT_EQ(system_.snapshots, 1);
}

TEST_F(ScanRunTest, AModuleSharedByProcessesIsExaminedOnceAndCaseBlindOnAToZOnly)
{
    SetProcesses({Process(4, "C:\\w\\one.exe", {"C:\\w\\shared.dll", "C:\\w\\\xC9t\xE9.dll"}),
                  Process(8, "C:\\w\\one.exe", {"c:\\W\\SHARED.DLL", "C:\\W\\\xC9T\xE9.DLL", "C:\\W\\\xC9T\xC9.DLL"})});
    check_.patterns["C:\\w\\shared.dll"] = "Worm.Shared";
    view_.answer = TPromptAnswer::Delete;
    run_.Run();
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\w\\one.exe", "C:\\w\\shared.dll", "C:\\w\\\xC9t\xE9.dll",
                                                        "C:\\w\\one.exe", "C:\\W\\\xC9T\xC9.DLL"}));
    // The deletion ends the first process that has the module, only it.
    EXPECT_EQ(system_.events, (std::vector<std::string>{"end 4@1004", "delete C:\\w\\shared.dll"}));
}

TEST_F(ScanRunTest, AnIgnoredExecutableIsPromptedAgainAsAModuleOfItsProcess)
{
    SetProcesses({Process(4, "C:\\w\\worm.exe", {"C:\\w\\worm.exe"})});
    check_.patterns["C:\\w\\worm.exe"] = "Worm.A";
    run_.Run();
    EXPECT_EQ(view_.prompts.size(), 2u);
    EXPECT_EQ(Actions(), (std::vector<std::string>{ACTION_IGNORED, ACTION_IGNORED}));
    EXPECT_EQ(view_.LastText(TScanPhase::Memory), MEMORY_INFECTED_TEXT);
    EXPECT_EQ(view_.colours[TScanPhase::Memory], TStatusColour::Infected);
    EXPECT_EQ(view_.LastText(TScanPhase::Files), FILES_INFECTED_TEXT);
    EXPECT_EQ(view_.summaries, (std::vector<std::string>{std::string(RUN_ENDED_CAPTION) + " | " + RUN_INFECTED_BOX_TEXT}));
}

TEST_F(ScanRunTest, BothSetsMatchingOneFileGiveTwoPromptsWhenIgnoredAndOneWhenDeleted)
{
    for (const TPromptAnswer answer : {TPromptAnswer::Ignore, TPromptAnswer::Delete}) {
        TFakeSystem system;
        system.AddFile("C:\\", "worm.exe");
        TTableCheck check(system);
        check.patterns["C:\\worm.exe"] = "Worm.Pattern";
        check.fingerprints["C:\\worm.exe"] = "Worm.Fingerprint";
        TRecordingView view;
        view.answer = answer;
        TNoJournal journal;
        TScanRun run(view, system, check, journal);
        run.Run();
        if (answer == TPromptAnswer::Ignore) {
            EXPECT_EQ(view.rows, (std::vector<TRow>{{1, "C:\\worm.exe", "Worm.Pattern", ACTION_IGNORED},
                                                    {2, "C:\\worm.exe", "Worm.Fingerprint", ACTION_IGNORED}}));
        } else {
            EXPECT_EQ(view.rows, (std::vector<TRow>{{1, "C:\\worm.exe", "Worm.Pattern", ACTION_DELETED}}));
        }
        EXPECT_EQ(view.prompts.size(), view.rows.size());
        EXPECT_EQ(run.DetectionCount(), static_cast<std::int32_t>(view.rows.size()));
    }
}

TEST_F(ScanRunTest, RowsAreNumberedPastTheNinthDetection)
{
    for (int i = 1; i <= 12; ++i) {
        const std::string name = std::string("w").append(std::to_string(i)).append(".exe");
        system_.AddFile("C:\\", name);
        check_.patterns["C:\\" + name] = "Worm." + std::to_string(i);
    }
    run_.Run();
    ASSERT_EQ(view_.rows.size(), 12u);
    for (std::int32_t i = 0; i < 12; ++i) {
        EXPECT_EQ(view_.rows[static_cast<std::size_t>(i)].Row, i + 1);
        EXPECT_EQ(view_.rows[static_cast<std::size_t>(i)].Name, "Worm." + std::to_string(i + 1));
    }
    EXPECT_EQ(view_.repaints, 12);
}

TEST_F(ScanRunTest, FailureTextsFollowTheKindOfObjectAndOfCheck)
{
    SetProcesses({Process(4, "C:\\w\\worm.exe")});
    system_.AddFile("C:\\", "a.exe");
    system_.AddFile("C:\\", "b.exe");
    system_.undeletable = {"C:\\w\\worm.exe", "C:\\a.exe", "C:\\b.exe"};
    check_.patterns["C:\\w\\worm.exe"] = "Worm.Memory";
    check_.patterns["C:\\a.exe"] = "Worm.Pattern";
    check_.fingerprints["C:\\b.exe"] = "Worm.Fingerprint";
    view_.answer = TPromptAnswer::Delete;
    run_.Run();
    EXPECT_EQ(Actions(), (std::vector<std::string>{ACTION_FAILED, ACTION_FAILED_FEMININE, ACTION_FAILED}));
    // Only the object found in memory ends a process, before its deletion.
    EXPECT_EQ(system_.events, (std::vector<std::string>{"end 4@1004", "delete C:\\w\\worm.exe", "delete C:\\a.exe",
                                                       "delete C:\\b.exe"}));
}

TEST_F(ScanRunTest, TheWalkGoesDepthFirstSkipsOnlyDotFoldersAndVolumeLabels)
{
    system_.folders["C:\\"] = {Entry(".", true), Entry("..", true), Entry("VOLUME", false, true)};
    system_.AddFolder("C:\\", ".cache");
    system_.AddFile("C:\\.cache\\", "worm.exe");
    system_.AddFile("C:\\", ".hidden.dll");
    system_.AddFolder("C:\\", "w");
    system_.AddFile("C:\\w\\", "autorun.inf");
    system_.AddFile("C:\\", "z.ocx");
    run_.Run();
    EXPECT_EQ(system_.listed, (std::vector<std::string>{"C:\\", "C:\\.cache\\", "C:\\w\\"}));
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\.cache\\worm.exe", "C:\\.hidden.dll", "C:\\z.ocx"}));
    EXPECT_EQ(run_.FileCounter(), 4);
    EXPECT_EQ(view_.texts[TScanPhase::Files][0], "Analyse du fichier (1) : C:\\.cache\\worm.exe");
}

TEST_F(ScanRunTest, AFolderLinkToAnAncestorIsNotEnteredAgain)
{
    system_.AddFolder("C:\\", "a");
    system_.AddFolder("C:\\a\\", "b");
    system_.AddFile("C:\\a\\b\\", "x.exe");
    system_.AddFolder("C:\\a\\b\\", "up");  // links back to C:\a
    system_.AddFolder("C:\\a\\b\\", "root");  // and to the drive's root
    system_.identities["C:\\a\\b\\up\\"] = *system_.FolderId("C:\\a\\");
    system_.identities["C:\\a\\b\\root\\"] = *system_.FolderId("C:\\");
    // A link to a folder beside the path is walked like any folder.
    system_.AddFolder("C:\\", "c");
    system_.AddFile("C:\\c\\", "y.exe");
    system_.AddFolder("C:\\a\\", "side");
    system_.identities["C:\\a\\side\\"] = *system_.FolderId("C:\\c\\");
    system_.folders["C:\\a\\side\\"] = system_.folders["C:\\c\\"];
    system_.links["C:\\a\\side\\y.exe"] = "C:\\c\\y.exe";
    run_.Run();
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\a\\b\\x.exe", "C:\\a\\side\\y.exe", "C:\\c\\y.exe"}));
}

// A folder whose id its parent's listing gave is not opened again for it;
// a link's id comes from the folder it leads to.
TEST_F(ScanRunTest, TheListingsIdsSpareAnOpenAndStillStopALoop)
{
    system_.AddFolder("C:\\", "a");
    system_.AddFile("C:\\a\\", "x.exe");
    system_.folders["C:\\a\\"].push_back(Entry("up", true));  // a link back to C:\a, without an id
    system_.identities["C:\\a\\up\\"] = *system_.FolderId("C:\\a\\");
    system_.folders["C:\\"][0].Id = system_.identities["C:\\a\\up\\"];
    system_.folderIdsAsked.clear();
    run_.Run();
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\a\\x.exe"}));
    EXPECT_EQ(system_.folderIdsAsked, (std::vector<std::string>{"C:\\", "C:\\a\\up\\"}));
}

TEST_F(ScanRunTest, FileCounterGoesOnAcrossRunsAndStepsTheBarEveryTenthFile)
{
    for (int i = 0; i < 55; ++i) system_.AddFile("C:\\", std::to_string(i) + ".txt");
    run_.Run();
    run_.Run();
    EXPECT_EQ(run_.FileCounter(), 110);
    EXPECT_EQ(view_.texts[TScanPhase::Files][56], "Analyse du fichier (56) : C:\\0.txt");  // after 55 files and an end text
    EXPECT_EQ(view_.progress[TScanPhase::Files], (std::vector<int>{0, 10, 20, 30, 40, 50, 0, 60, 70, 80, 90, 0, 10}));
}

TEST_F(ScanRunTest, ASecondRunStartsItsCountAfreshAndTheLabelsInBlack)
{
    system_.AddFile("C:\\", "worm.exe");
    check_.patterns["C:\\worm.exe"] = "Worm.A";
    run_.Run();
    EXPECT_EQ(view_.colours[TScanPhase::Files], TStatusColour::Infected);
    system_.files.clear();
    system_.folders["C:\\"] = {};
    system_.AddFile("C:\\", "clean.txt");
    view_.messageRounds = 0;
    bool sawTheFirstFile = false;
    view_.onMessages = [&](TRecordingView& v) {
        if (v.messageRounds == 2) {  // round 1 is the run's start, round 2 follows the first file
            sawTheFirstFile = true;
            EXPECT_EQ(v.colours[TScanPhase::Files], TStatusColour::Running);
            EXPECT_EQ(v.LastText(TScanPhase::Files), "Analyse du fichier (2) : C:\\clean.txt");
        }
    };
    run_.Run();
    EXPECT_TRUE(sawTheFirstFile);
    EXPECT_EQ(run_.DetectionCount(), 0);
    EXPECT_EQ(view_.LastText(TScanPhase::Files), FILES_CLEAN_TEXT);
    EXPECT_EQ(view_.colours[TScanPhase::Files], TStatusColour::Clean);
    EXPECT_EQ(view_.summaries.back(), std::string(RUN_ENDED_CAPTION) + " | " + RUN_CLEAN_BOX_TEXT);
}

// Each end text comes in its colour, set before it: the label paints a text
// at once, in the colour it has then.
TEST(ScanRunEnd, EndTextsComeInTheirColour)
{
    const TStatusColour Clean = TStatusColour::Clean, Infected = TStatusColour::Infected;
    const struct {
        const char* what;
        bool wormInMemory, wormOnTheDrive;
        const char *memoryText, *filesText;
        TStatusColour memory, files;
    } cases[] = {
        {"nothing found", false, false, MEMORY_CLEAN_TEXT, FILES_CLEAN_TEXT, Clean, Clean},
        {"a worm in memory", true, false, MEMORY_INFECTED_TEXT, FILES_INFECTED_TEXT, Infected, Infected},
        {"a worm on the drive", false, true, MEMORY_CLEAN_TEXT, FILES_INFECTED_TEXT, Clean, Infected},
    };
    for (const auto& c : cases) {
        TFakeSystem system;
        system.folders["C:\\"];
        system.processes = {Process(0, ""), Process(4, "C:\\w\\one.exe")};
        system.CreateFile("C:\\w\\one.exe");
        system.AddFile("C:\\", "two.exe");
        TTableCheck check(system);
        if (c.wormInMemory) check.patterns["C:\\w\\one.exe"] = "Worm.A";
        if (c.wormOnTheDrive) check.patterns["C:\\two.exe"] = "Worm.B";
        TRecordingView view;
        TNoJournal journal;
        TScanRun(view, system, check, journal).Run();
        EXPECT_EQ(view.LastText(TScanPhase::Memory), c.memoryText) << c.what;
        EXPECT_EQ(view.LastTextColour(TScanPhase::Memory), c.memory) << c.what;
        EXPECT_EQ(view.colours[TScanPhase::Memory], c.memory) << c.what;
        EXPECT_EQ(view.LastText(TScanPhase::Files), c.filesText) << c.what;
        EXPECT_EQ(view.LastTextColour(TScanPhase::Files), c.files) << c.what;
        EXPECT_EQ(view.colours[TScanPhase::Files], c.files) << c.what;
    }
}

TEST_F(ScanRunTest, AStopDuringTheMemoryScanEndsItAfterTheCurrentProcessAndWalksNoFile)
{
    SetProcesses({Process(4, "C:\\w\\one.exe", {"C:\\w\\a.dll"}), Process(8, "C:\\w\\two.exe")});
    system_.AddFile("C:\\", "x.exe");
    view_.onMessages = [](TRecordingView& v) {
        if (v.messageRounds == 2) v.stop = true;  // round 1 is the run's start, round 2 follows process 1
    };
    run_.Run();
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\w\\one.exe", "C:\\w\\a.dll"}));
    EXPECT_EQ(view_.LastText(TScanPhase::Memory), MEMORY_CLEAN_TEXT);
    EXPECT_EQ(run_.FileCounter(), 0);
    EXPECT_EQ(view_.LastText(TScanPhase::Files), RUN_STOPPED_TEXT);
    EXPECT_EQ(view_.colours[TScanPhase::Files], TStatusColour::Running);
    EXPECT_EQ(view_.summaries, (std::vector<std::string>{std::string(RUN_STOPPED_CAPTION) + " | " + RUN_STOPPED_TEXT}));
}

TEST_F(ScanRunTest, AStopDuringTheWalkEndsEveryFolderAtItsNextEntry)
{
    system_.AddFolder("C:\\", "a");
    system_.AddFile("C:\\a\\", "1.exe");
    system_.AddFile("C:\\a\\", "2.exe");
    system_.AddFile("C:\\", "3.exe");
    view_.onMessages = [](TRecordingView& v) {
        if (v.texts[TScanPhase::Files].size() == 1) v.stop = true;
    };
    run_.Run();
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\a\\1.exe"}));
    EXPECT_EQ(run_.FileCounter(), 1);
    EXPECT_EQ(view_.summaries.size(), 1u);
    EXPECT_EQ(view_.marquee[TScanPhase::Files], false);
    EXPECT_EQ(view_.shown[TScanPhase::Files], false);
}

TEST_F(ScanRunTest, AfterACloseRequestPromptsAreAnsweredIgnoredAndNoSummaryIsShown)
{
    SetProcesses({Process(4, "C:\\w\\worm.exe", {"C:\\w\\worm.dll"})});
    check_.patterns["C:\\w\\worm.exe"] = "Worm.A";
    check_.patterns["C:\\w\\worm.dll"] = "Worm.B";
    view_.answer = TPromptAnswer::Delete;
    view_.closeDuringPrompt = true;  // the window is asked to close while the first prompt shows
    run_.Run();
    EXPECT_EQ(view_.prompts.size(), 1u);
    EXPECT_EQ(Actions(), (std::vector<std::string>{ACTION_DELETED, ACTION_IGNORED}));
    EXPECT_EQ(system_.events, (std::vector<std::string>{"end 4@1004", "delete C:\\w\\worm.exe"}));
    EXPECT_TRUE(view_.summaries.empty());
}

TEST_F(ScanRunTest, AnObjectWhoseCheckFailsIsCountedAndTheRunGoesOn)
{
    system_.AddFile("C:\\", "changing.exe");
    system_.AddFile("C:\\", "worm.exe");
    check_.broken = {"C:\\changing.exe"};
    check_.fingerprints["C:\\worm.exe"] = "Worm.A";
    run_.Run();
    EXPECT_EQ(run_.UncheckedObjects(TUncheckedReason::Changed), 1);
    EXPECT_EQ(view_.rows.size(), 1u);
    EXPECT_EQ(view_.summaries, (std::vector<std::string>{std::string(RUN_ENDED_CAPTION) + " | " + RUN_INFECTED_BOX_TEXT +
                                                         UncheckedObjectsText(TUncheckedReason::Changed, 1)}));
}

TEST(ScanRunRules, UncheckedObjectsAreToldByNumberAndReason)
{
    const struct {
        TUncheckedReason reason;
        int count;
        std::string text;
    } cases[] = {
        {TUncheckedReason::Changed, 0, ""},
        {TUncheckedReason::Changed, 1,
         "\r\n\r\n1 objet n'a pas pu \xEAtre analys\xE9 : il a chang\xE9 pendant son analyse."},
        {TUncheckedReason::Changed, 2,
         "\r\n\r\n2 objets n'ont pas pu \xEAtre analys\xE9s : ils ont chang\xE9 pendant leur analyse."},
        {TUncheckedReason::Unspellable, 0, ""},
        {TUncheckedReason::Unspellable, 1,
         "\r\n\r\n1 objet n'a pas pu \xEAtre analys\xE9 : son nom ne s'\xE9" "crit pas dans la page de code du "
         "syst\xE8me, qui ne lui donne pas de nom court."},
        {TUncheckedReason::Unspellable, 3,
         "\r\n\r\n3 objets n'ont pas pu \xEAtre analys\xE9s : leur nom ne s'\xE9" "crit pas dans la page de code du "
         "syst\xE8me, qui ne leur donne pas de nom court."},
    };
    for (const auto& c : cases) EXPECT_EQ(UncheckedObjectsText(c.reason, c.count), c.text) << c.count;
}

// The file checked, the file prompted for and the file deleted are one: a
// worm that changes or swaps its file while it is read, or while the
// prompt is up, gets nothing deleted in its place.
TEST(ScanRunIdentity, OnlyTheFileThatWasCheckedIsActedOn)
{
    const std::string worm = "C:\\w\\worm.exe", elsewhere = "C:\\Windows\\System32\\user32.dll";
    const auto rewrite = [](TFakeSystem& s, const std::string& path) { s.files[path].Size += 1; };
    const auto restamp = [](TFakeSystem& s, const std::string& path) { s.files[path].LastWriteTime += 1; };
    const auto swap = [&](TFakeSystem& s, const std::string& path) { s.CreateFile(path); };  // another file, same name
    const auto link = [&](TFakeSystem& s, const std::string& path) { s.links[path] = elsewhere; };
    const auto otherVolume = [](TFakeSystem& s, const std::string& path) { s.files[path].Id.VolumeSerial += 1; };
    using TChange = std::function<void(TFakeSystem&, const std::string&)>;
    const std::optional<TDetectionKind> pattern = TDetectionKind::Pattern, fingerprint = TDetectionKind::Fingerprint,
                                        clean;
    const struct {
        const char* what;
        std::optional<TDetectionKind> foundBy;
        TChange duringPatternCheck, duringFingerprintCheck, duringPrompt;
        std::vector<std::string> actions;
        int changed;
    } cases[] = {
        {"nothing changes", pattern, {}, {}, {}, {ACTION_DELETED}, 0},
        {"rewritten while the pattern check reads it", pattern, rewrite, {}, {}, {}, 1},
        {"rewritten while read, nothing found", clean, {}, rewrite, {}, {}, 1},
        {"restamped between the two checks", fingerprint, {}, restamp, {}, {}, 1},
        {"another file of that name while the prompt is up", pattern, {}, {}, swap, {ACTION_FAILED_FEMININE}, 0},
        {"a link to a system file while the prompt is up", fingerprint, {}, {}, link, {ACTION_FAILED}, 0},
        {"its twin on another volume (same index, size and time) while the prompt is up", pattern, {}, {},
         otherVolume, {ACTION_FAILED_FEMININE}, 0},
    };
    for (const auto& c : cases) {
        TFakeSystem system;
        system.folders["C:\\"];
        system.AddFolder("C:\\", "w");
        system.AddFile("C:\\w\\", "worm.exe");
        system.CreateFile(elsewhere);
        const TFileIdentity systemFile = system.files[elsewhere];
        TTableCheck check(system);
        if (c.foundBy) (c.foundBy == pattern ? check.patterns : check.fingerprints)[worm] = "Worm";
        check.beforeRead = [&](TDetectionKind kind) {
            const TChange& change = kind == TDetectionKind::Pattern ? c.duringPatternCheck : c.duringFingerprintCheck;
            if (change) change(system, worm);
        };
        TRecordingView view;
        view.answer = TPromptAnswer::Delete;
        view.onPrompt = [&] {
            if (c.duringPrompt) c.duringPrompt(system, worm);
        };
        TNoJournal journal;
        TScanRun run(view, system, check, journal);
        run.Run();
        EXPECT_EQ(Actions(view), c.actions) << c.what;
        EXPECT_EQ(view.prompts.size(), c.actions.size()) << c.what;
        EXPECT_EQ(run.UncheckedObjects(TUncheckedReason::Changed), c.changed) << c.what;
        EXPECT_EQ(system.files.count(worm), c.actions == std::vector<std::string>{ACTION_DELETED} ? 0u : 1u) << c.what;
        EXPECT_EQ(system.files[elsewhere], systemFile) << c.what;
    }
}

TEST_F(ScanRunTest, AnObjectThatDoesNotOpenIsNeitherCheckedNorCounted)
{
    SetProcesses({Process(4, "C:\\w\\gone.exe")});
    system_.files.erase("C:\\w\\gone.exe");
    run_.Run();
    EXPECT_TRUE(check_.checked.empty());
    EXPECT_EQ(run_.UncheckedObjects(TUncheckedReason::Changed), 0);
}

TEST_F(ScanRunTest, NamesWithoutAnExactSpellingAreCountedNeitherEnteredNorChecked)
{
    system_.folders["C:\\"] = {Entry("", true, false, true), Entry("", false, false, true), Entry("", false, true, true)};
    system_.AddFile("C:\\", "plain.exe");
    run_.Run();
    EXPECT_EQ(system_.listed, (std::vector<std::string>{"C:\\"}));
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\plain.exe"}));
    EXPECT_EQ(run_.FileCounter(), 1);
    // The folder and the file; the volume label is no object.
    EXPECT_EQ(run_.UncheckedObjects(TUncheckedReason::Unspellable), 2);
    EXPECT_EQ(view_.summaries, (std::vector<std::string>{std::string(RUN_ENDED_CAPTION) + " | " + RUN_CLEAN_BOX_TEXT +
                                                         UncheckedObjectsText(TUncheckedReason::Unspellable, 2)}));
}

TEST_F(ScanRunTest, A32BitBuildOn64BitWindowsSaysOnceThatItMissedModules)
{
    system_.wow64 = true;
    run_.Run();
    ASSERT_EQ(view_.summaries.size(), 1u);
    EXPECT_EQ(view_.summaries[0],
              std::string(RUN_ENDED_CAPTION) + " | " + RUN_CLEAN_BOX_TEXT + MODULES_OF_64_BIT_PROCESSES_TEXT);
}

TEST_F(ScanRunTest, EachDetectionIsJournaledAndTheCountsCloseTheRun)
{
    SetProcesses({Process(4, "C:\\w\\worm.exe", {"C:\\w\\worm.dll"})});
    system_.AddFile("C:\\", "a.exe");
    system_.AddFile("C:\\", "b.txt");
    system_.AddFile("C:\\", "c.dll");
    system_.undeletable = {"C:\\w\\worm.dll"};
    check_.patterns["C:\\w\\worm.exe"] = "Worm.Exe";
    check_.fingerprints["C:\\w\\worm.dll"] = "Worm.Dll";
    check_.patterns["C:\\a.exe"] = "Worm.A";
    view_.answer = TPromptAnswer::Delete;
    journal_.note = "\r\nRapport";
    run_.Run();
    const auto summary = [](const TDetectionRecord& r) {
        return std::to_string(r.Number) + (r.Phase == TScanPhase::Memory ? " memory " : " files ") +
               std::to_string(r.ProcessId) + " " + r.Path + " " + r.MalwareName +
               (r.Kind == TDetectionKind::Pattern ? " pattern " : " fingerprint ") +
               (r.Answer == TPromptAnswer::Delete ? "delete " : "ignore ") + r.Action + " " +
               (r.Removal.Deleted ? "deleted " : "kept ") + r.Removal.QuarantineId;
    };
    std::vector<std::string> records;
    for (const TDetectionRecord& r : journal_.records) records.push_back(summary(r));
    EXPECT_EQ(records, (std::vector<std::string>{
                           "1 memory 4 C:\\w\\worm.exe Worm.Exe pattern delete " + std::string(ACTION_DELETED) + " deleted Q1",
                           "2 memory 4 C:\\w\\worm.dll Worm.Dll fingerprint delete " + std::string(ACTION_FAILED) + " kept ",
                           "3 files 0 C:\\a.exe Worm.A pattern delete " + std::string(ACTION_DELETED) + " deleted Q2",
                       }));
    ASSERT_EQ(journal_.ended.size(), 1u);
    const TRunCounts& counts = journal_.ended[0];
    EXPECT_EQ(journal_.runs, 1);
    EXPECT_EQ(counts.ProcessesExamined, 1);
    EXPECT_EQ(counts.ModulesExamined, 1);
    EXPECT_EQ(counts.FilesMet, 3);
    EXPECT_EQ(counts.FilesChecked, 2);
    EXPECT_EQ(counts.Detections, 3);
    EXPECT_EQ(counts.FilesLeft, 1);
    EXPECT_FALSE(counts.Stopped);
    EXPECT_EQ(view_.summaries,
              (std::vector<std::string>{std::string(RUN_ENDED_CAPTION) + " | " + RUN_INFECTED_BOX_TEXT + "\r\nRapport"}));
}

// A file is left when its last detection did not delete it: ignored in
// memory then deleted on the drive, it is gone; a path detected twice and
// ignored twice counts once.
TEST_F(ScanRunTest, FilesLeftAreTheDetectedPathsStillThere)
{
    SetProcesses({Process(4, "C:\\w\\worm.exe"), Process(5, "C:\\w\\kept.exe")});
    system_.AddFolder("C:\\", "w");
    system_.folders["C:\\w\\"] = {Entry("worm.exe"), Entry("kept.exe")};
    for (const char* path : {"C:\\w\\worm.exe", "C:\\w\\kept.exe"}) check_.patterns[path] = "Worm";
    view_.onPrompt = [&] {
        const bool deleteIt = view_.prompts.back() == "C:\\w\\worm.exe | Worm" && view_.prompts.size() > 2;
        view_.answer = deleteIt ? TPromptAnswer::Delete : TPromptAnswer::Ignore;
    };
    run_.Run();
    EXPECT_EQ(Actions(), (std::vector<std::string>{ACTION_IGNORED, ACTION_IGNORED, ACTION_DELETED, ACTION_IGNORED}));
    ASSERT_EQ(journal_.ended.size(), 1u);
    EXPECT_EQ(journal_.ended[0].Detections, 4);
    EXPECT_EQ(journal_.ended[0].FilesLeft, 1);
}

TEST_F(ScanRunTest, BarsAndMarqueesFollowThePhases)
{
    SetProcesses({Process(4, "C:\\w\\one.exe")});
    std::vector<std::string> seen;
    view_.onMessages = [&](TRecordingView& v) {
        seen.push_back(std::to_string(v.shown[TScanPhase::Memory]) + std::to_string(v.marquee[TScanPhase::Memory]) +
                       std::to_string(v.shown[TScanPhase::Files]) + std::to_string(v.marquee[TScanPhase::Files]));
    };
    system_.AddFile("C:\\", "x.txt");
    run_.Run();
    // At the start and after the process: memory bar shown and running;
    // after the file: only the files bar, running.
    EXPECT_EQ(seen, (std::vector<std::string>{"1110", "1110", "0011"}));
    EXPECT_FALSE(view_.shown[TScanPhase::Memory]);
    EXPECT_FALSE(view_.shown[TScanPhase::Files]);
}

} // namespace
