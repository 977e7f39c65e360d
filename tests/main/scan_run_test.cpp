// The scan run over a fake window, a fake system (processes, a drive of
// folders) and a fake check that finds what a table says while the file
// exists.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "main/scan_run.h"
#include "tests/main/recording_scan_view.h"

namespace {

// --- The system ---------------------------------------------------------

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
    bool DeleteInfectedFile(const std::string& path) override
    {
        events.push_back("delete " + path);
        if (undeletable.count(path)) return false;
        return files.erase(path) > 0;
    }
    char GetSystemDrive() override { return 'C'; }
    void ForEachFolderEntry(const std::string& folder, const std::function<bool(const TFolderEntry&)>& onEntry) override
    {
        listed.push_back(folder);
        for (const TFolderEntry& e : folders[folder])
            if (!onEntry(e)) return;
    }
    std::optional<TFolderIdentity> FolderIdentity(const std::string& folder) override
    {
        const auto it = identities.find(folder);
        if (it != identities.end()) return it->second;
        return TFolderIdentity{1, std::hash<std::string>{}(folder)};
    }

    // A file on the drive: its folder's listing gets it, the file exists.
    void AddFile(const std::string& folder, const std::string& name)
    {
        folders[folder].push_back({name});
        files.insert(folder + name);
    }
    void AddFolder(const std::string& parent, const std::string& name)
    {
        folders[parent].push_back({name, true});
        folders[parent + name + "\\"];
    }

    std::vector<TProcessInfo> processes;
    std::map<std::string, std::vector<TFolderEntry>> folders;  // keyed with the trailing "\"
    std::map<std::string, TFolderIdentity> identities;
    std::set<std::string> files, undeletable;
    std::vector<std::string> events, listed;
    int snapshots = 0;
};

// --- The check ------------------------------------------------------------

// Finds what the table says of an existing file; raises for paths in broken.
class TTableCheck : public TObjectChecker {
public:
    explicit TTableCheck(const TFakeSystem& system) : system_(system) {}
    void Check(const std::string& path, TDetectionHandler& handler, TCheckAdmission admitted) const override
    {
        checked.push_back(path);
        const auto found = [&](const std::map<std::string, std::string>& table) {
            const auto it = table.find(path);
            return system_.files.count(path) && it != table.end() ? it->second : std::string();
        };
        if (admitted.Pattern)
            if (const std::string name = found(patterns); !name.empty()) handler.OnDetection(path, name, TDetectionKind::Pattern);
        if (admitted.Fingerprint) {
            if (broken.count(path)) return handler.OnCheckError(path, "n'est pas un fichier PE valide");
            if (const std::string name = found(fingerprints); !name.empty())
                handler.OnDetection(path, name, TDetectionKind::Fingerprint);
        }
    }

    std::map<std::string, std::string> patterns, fingerprints;
    std::set<std::string> broken;
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

class ScanRunTest : public ::testing::Test {
protected:
    ScanRunTest() { system_.folders["C:\\"]; }

    // The idle process first, as the system lists it.
    void SetProcesses(std::vector<TProcessInfo> processes)
    {
        system_.processes = {Process(0, "")};
        system_.processes.insert(system_.processes.end(), processes.begin(), processes.end());
        for (const TProcessInfo& p : processes) {
            system_.files.insert(p.ImagePath);
            for (const TModuleInfo& m : p.Modules) system_.files.insert(m.ModulePath);
        }
    }

    std::vector<std::string> Actions() const
    {
        std::vector<std::string> actions;
        for (const TRow& r : view_.rows) actions.push_back(r.Action);
        return actions;
    }

    TRecordingView view_;
    TFakeSystem system_;
    TTableCheck check_{system_};
    TScanRun run_{view_, system_, check_};
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
    view_.answer = 1;
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
    for (const int answer : {2, 1}) {
        TFakeSystem system;
        system.AddFile("C:\\", "worm.exe");
        TTableCheck check(system);
        check.patterns["C:\\worm.exe"] = "Worm.Pattern";
        check.fingerprints["C:\\worm.exe"] = "Worm.Fingerprint";
        TRecordingView view;
        view.answer = answer;
        TScanRun run(view, system, check);
        run.Run();
        if (answer == 2) {
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
        const std::string name = "w" + std::to_string(i) + ".exe";
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
    view_.answer = 1;
    run_.Run();
    EXPECT_EQ(Actions(), (std::vector<std::string>{ACTION_FAILED, ACTION_FAILED_FEMININE, ACTION_FAILED}));
    // Only the object found in memory ends a process, before its deletion.
    EXPECT_EQ(system_.events, (std::vector<std::string>{"end 4@1004", "delete C:\\w\\worm.exe", "delete C:\\a.exe",
                                                       "delete C:\\b.exe"}));
}

TEST_F(ScanRunTest, TheWalkGoesDepthFirstSkipsOnlyDotFoldersAndVolumeLabels)
{
    system_.folders["C:\\"] = {{".", true}, {"..", true}, {"VOLUME", false, true}};
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
    system_.identities["C:\\a\\b\\up\\"] = *system_.FolderIdentity("C:\\a\\");
    system_.identities["C:\\a\\b\\root\\"] = *system_.FolderIdentity("C:\\");
    // A link to a folder beside the path is walked like any folder.
    system_.AddFolder("C:\\", "c");
    system_.AddFile("C:\\c\\", "y.exe");
    system_.AddFolder("C:\\a\\", "side");
    system_.identities["C:\\a\\side\\"] = *system_.FolderIdentity("C:\\c\\");
    system_.folders["C:\\a\\side\\"] = system_.folders["C:\\c\\"];
    run_.Run();
    EXPECT_EQ(check_.checked, (std::vector<std::string>{"C:\\a\\b\\x.exe", "C:\\a\\side\\y.exe", "C:\\c\\y.exe"}));
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
    system_.AddFile("C:\\", "clean.txt");
    view_.onMessages = [](TRecordingView& v) {
        if (v.messageRounds == 2) {
            EXPECT_EQ(v.colours[TScanPhase::Files], TStatusColour::Running);  // at the first file
        }
    };
    run_.Run();
    EXPECT_EQ(run_.DetectionCount(), 0);
    EXPECT_EQ(view_.LastText(TScanPhase::Files), FILES_CLEAN_TEXT);
    EXPECT_EQ(view_.colours[TScanPhase::Files], TStatusColour::Clean);
    EXPECT_EQ(view_.summaries.back(), std::string(RUN_ENDED_CAPTION) + " | " + RUN_CLEAN_BOX_TEXT);
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
    view_.answer = 1;
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
    EXPECT_EQ(run_.UncheckedObjects(), 1);
    EXPECT_EQ(view_.rows.size(), 1u);
    EXPECT_EQ(view_.summaries, (std::vector<std::string>{std::string(RUN_ENDED_CAPTION) + " | " + RUN_INFECTED_BOX_TEXT +
                                                         UncheckedObjectsText(1)}));
    EXPECT_NE(UncheckedObjectsText(2).find("2 objets"), std::string::npos);
    EXPECT_EQ(UncheckedObjectsText(0), "");
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
