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
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "main/object_check.h"
#include "main/scan_view.h"
#include "process/process_snapshot.h"

// How long a process gets to close its windows before it is terminated.
constexpr std::int32_t TERMINATION_TIMEOUT_MS = 3000;

// A folder's identity on its volume: two paths that reach one folder (a
// link, a junction) have the same identity.
struct TFolderIdentity {
    std::uint32_t VolumeSerial = 0;
    std::uint64_t FileIndex = 0;
    bool operator==(const TFolderIdentity&) const = default;
};

// One entry of a folder listing.
struct TFolderEntry {
    std::string Name;  // as the system spells it (a short name when the long one cannot be spelled)
    bool IsFolder = false;
    bool IsVolumeLabel = false;
};

// What a run needs of the system besides the window.
class TScanSystem {
public:
    virtual ~TScanSystem() = default;
    // The running processes, restricted to processes, as one refresh lists them.
    virtual std::vector<TProcessInfo> TakeProcessSnapshot() = 0;
    // Ends the process that the snapshot saw with this id and creation time.
    virtual void EndProcess(std::uint32_t pid, std::uint64_t createTime) = 0;
    virtual bool DeleteInfectedFile(const std::string& path) = 0;
    // The letter of the drive that holds the Windows folder ("C" when unknown).
    virtual char GetSystemDrive() = 0;
    // Calls onEntry with each entry of folder (which ends with "\") in the
    // system's order, as long as it returns true. No entry when the folder
    // cannot be listed.
    virtual void ForEachFolderEntry(const std::string& folder, const std::function<bool(const TFolderEntry&)>& onEntry) = 0;
    // The identity of folder, or nothing when it cannot be read.
    virtual std::optional<TFolderIdentity> FolderIdentity(const std::string& folder) = 0;
};

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
// The end-of-run box's addition for objects whose check failed; empty for 0.
std::string UncheckedObjectsText(int count);

class TScanRun : private TDetectionHandler {
public:
    // All three must outlive the run object, which the main window keeps
    // for its lifetime (FileCounter goes on from run to run).
    TScanRun(TScanView& view, TScanSystem& system, const TObjectChecker& check)
        : view_(view), system_(system), check_(check)
    {
    }

    // The run after the window swapped its buttons and reset its grid: the
    // memory scan, the file system scan and the summary.
    void Run();

    void ScanMemory();
    void ScanFileSystem(const std::string& root) { ScanFolder(root); }
    void ScanFolder(const std::string& path);
    // The module at path, loaded in the process seen by the snapshot, once
    // per run whatever its letter case.
    void CheckModule(const std::string& path, const TProcessInfo& process);

    std::int32_t DetectionCount() const { return DetectionCount_; }
    std::int32_t FileCounter() const { return FileCounter_; }
    int UncheckedObjects() const { return uncheckedObjects_; }

private:
    // The object under check: the process to end before a deletion, and
    // whether it is a file met on the drive.
    struct TObject {
        const TProcessInfo* Process = nullptr;
        bool OnDrive = false;
    };

    void StartRun();
    void EndMemoryScan();
    void EndRun();
    void CheckObject(const std::string& path, TObject object, TCheckAdmission admitted = {});
    // A file of the folder at path; folder is path with its trailing "\".
    void CheckFileEntry(const std::string& path, const std::string& folder, const std::string& name);
    bool StopRequested() const { return view_.ScanStopRequested() || view_.CloseRequested(); }

    void OnDetection(const std::string& path, const std::string& name, TDetectionKind kind) override;
    void OnCheckError(const std::string& path, const std::string& message) override;
    void HandleDetection(const std::string& path, const std::string& name, const char* failureText);

    TScanView& view_;
    TScanSystem& system_;
    const TObjectChecker& check_;

    std::int32_t DetectionCount_ = 0;
    std::int32_t FileCounter_ = 0;
    std::vector<std::string> VisitedModules_;
    std::vector<TFolderIdentity> foldersOnPath_;  // the walk never enters a folder twice on one path
    int uncheckedObjects_ = 0;
    TObject current_;
};
