// A scan run, from "&Analyser !" to the summary: the memory (the executable
// and the modules of every running process), then every file of the system
// drive, depth first, each object through the object check, each detection
// put to the user, acted on and written to the results grid.
//
// The run reaches the window through TScanView and the system through
// TScanSystem, so that tests drive it with fakes. For example, a process
// C:\w\worm.exe (id 7) with the module C:\w\worm.dll, both found by the
// pattern check and deleted by the user, gives two prompts, ends process 7
// twice (once before each deletion) and writes rows 1 and 2:
//   C:\w\worm.exe  <name>  supprimé
//   C:\w\worm.dll  <name>  supprimé
//
// Each object is opened once, before its checks. A detection is put to the
// user only while the path still names the file that was opened, and
// "&Supprimer" deletes that file and no other: a worm that swaps its folder
// for a link while the prompt is up makes the deletion fail, not strike
// elsewhere. An object that changed under its checks is counted among those
// that could not be checked.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "main/object_check.h"
#include "main/run_journal.h"
#include "main/scan_system.h"
#include "main/scan_view.h"

// The texts of a run's end (Windows-1252).
extern const char* const MEMORY_INFECTED_TEXT;
extern const char* const MEMORY_CLEAN_TEXT;
extern const char* const RUN_STOPPED_TEXT;
extern const char* const FILES_CLEAN_TEXT;
extern const char* const FILES_INFECTED_TEXT;
extern const char* const RUN_STOPPED_CAPTION;
extern const char* const RUN_ENDED_CAPTION;
extern const char* const RUN_CLEAN_BOX_TEXT;
extern const char* const RUN_INFECTED_BOX_TEXT;
// The action texts of the results grid.
extern const char* const ACTION_DELETED;
extern const char* const ACTION_IGNORED;
extern const char* const ACTION_FAILED;          // after most detections
extern const char* const ACTION_FAILED_FEMININE; // after a pattern detection of a file on the drive

// "Analyse du fichier (" + counter + ") : " shows at most this much folder.
constexpr std::size_t MAX_SHOWN_FOLDER_LENGTH = 48;

// "\" appended when path does not end with one; "\" for an empty path.
std::string EnsureTrailingBackslash(const std::string& path);
// The folder as the file status shows it: folder + "\" when that has at most
// 48 characters, else the first 30 characters, "\...\" and the last 18.
std::string ShownFolder(const std::string& folder);
// Whether an upper-cased file name holds one of the extension texts that
// admit a file to the pattern check, or to the fingerprint check.
bool HasPatternScanExtension(const std::string& upperName);
bool HasFingerprintScanExtension(const std::string& upperName);

// The end-of-run box's addition for count objects left unchecked for
// reason; empty for 0.
std::string UncheckedObjectsText(TUncheckedReason reason, int count);
// The end-of-run box's addition for a 32-bit program on 64-bit Windows.
extern const char* const MODULES_OF_64_BIT_PROCESSES_TEXT;

class TScanRun {
public:
    // All four must outlive the run object, which lives as long as the
    // window (FileCounter goes on from run to run).
    TScanRun(TScanView& view, TScanSystem& system, const TObjectCheck& check, TRunJournal& journal)
        : view_(view), system_(system), check_(check), journal_(journal)
    {
    }

    // The run after the window swapped its buttons and reset its grid: the
    // memory scan, the file system scan and the summary.
    void Run();

    void ScanMemory();
    void ScanFileSystem(const std::string& root) { ScanFolder(root); }
    // The folder at path, whose id is known when the parent's listing gave it.
    void ScanFolder(const std::string& path, std::optional<TFileId> id = std::nullopt);
    // The module at path, loaded in the process seen by the snapshot, once
    // per run whatever its letter case.
    void CheckModule(const std::string& path, const TProcessInfo& process);

    std::int32_t DetectionCount() const { return DetectionCount_; }
    std::int32_t FileCounter() const { return FileCounter_; }
    int UncheckedObjects(TUncheckedReason reason) const { return counts_.Unchecked[static_cast<int>(reason)]; }
    // The counts of the last run, or of the one going on.
    const TRunCounts& Counts() const { return counts_; }

private:
    // What kind of object is checked: the process to end before a
    // deletion, and whether it is a file met on the drive.
    struct TObject {
        const TProcessInfo* Process = nullptr;
        bool OnDrive = false;
    };
    // One object's check as it goes.
    struct TCheckState {
        TObject Object;
        TFileStamp Stamp;                        // of the file opened for the check
        TFileIdentity Identity;                  // read at its first detection
        std::unique_ptr<TCheckedObject> Opened;  // held until the first prompt
        bool Removed = false;                    // deleted at a prompt: nothing more to check
        bool Changed = false;                    // no longer the file opened: counted, never acted on
    };
    class TObjectDetections;

    void StartRun();
    void EndMemoryScan();
    void EndRun();
    std::string SummaryNotes() const;
    // Opens the object once, runs the admitted checks and acts on what they
    // find, for the file opened and only for it.
    void CheckObject(const std::string& path, TObject object, TCheckAdmission admitted = {});
    // A file of the folder at path; folder is path with its trailing "\".
    void CheckFileEntry(const std::string& path, const std::string& folder, const std::string& name);
    bool StopRequested() const { return view_.ScanStopRequested() || view_.CloseRequested(); }

    void OnDetection(TCheckState& state, const std::string& path, const std::string& name, TDetectionKind kind);
    void OnChange(TCheckState& state);
    void CountUnchecked(TUncheckedReason reason) { ++counts_.Unchecked[static_cast<int>(reason)]; }
    // True while path still names the file opened for the check; a change
    // is counted once.
    bool IsStillTheOpenedFile(TCheckState& state, const std::string& path);
    // The prompt and what the user chose; true when the file was deleted.
    bool HandleDetection(const TCheckState& state, const std::string& path, const std::string& name,
                         TDetectionKind kind);

    TScanView& view_;
    TScanSystem& system_;
    const TObjectCheck& check_;
    TRunJournal& journal_;

    std::int32_t DetectionCount_ = 0;
    std::int32_t FileCounter_ = 0;
    std::vector<std::string> VisitedModules_;
    std::vector<TFileId> foldersOnPath_;  // the walk never enters a folder twice on one path
    std::set<std::string> filesLeft_;     // upper-cased paths detected and not deleted since
    TRunCounts counts_;
};
