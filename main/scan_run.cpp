#include "main/scan_run.h"

#include <algorithm>

#include "common/text.h"

// Hex escapes are cut where a hex digit follows: "\xE9" "e".
const char* const MEMORY_INFECTED_TEXT =
    "Analyse m\xE9moire termin\xE9" "e : virus MSN d\xE9tect\xE9 dans les process actifs.";
const char* const MEMORY_CLEAN_TEXT =
    "Analyse m\xE9moire termin\xE9" "e :  aucun virus MSN d\xE9tect\xE9 dans les process actifs.";
const char* const RUN_STOPPED_TEXT = "Analyse interrompue par l'utilisateur.";
const char* const FILES_CLEAN_TEXT = "Analyse des fichiers termin\xE9" "e : aucun fichier infect\xE9 d\xE9tect\xE9.";
const char* const FILES_INFECTED_TEXT =
    "Analyse des fichiers termin\xE9" "e :  une variante de virus MSN a \xE9t\xE9 d\xE9tect\xE9.";
const char* const RUN_STOPPED_CAPTION = "Analyse annul\xE9" "e";
const char* const RUN_ENDED_CAPTION = "Analyse termin\xE9" "e";
const char* const RUN_CLEAN_BOX_TEXT = "Aucun fichier infect\xE9 par un virus MSN n'a \xE9t\xE9 d\xE9tect\xE9.";
const char* const RUN_INFECTED_BOX_TEXT = "Des fichiers infect\xE9s par un virus MSN ont \xE9t\xE9 d\xE9tect\xE9s.";
const char* const ACTION_DELETED = "supprim\xE9";
const char* const ACTION_IGNORED = "ignor\xE9";
const char* const ACTION_FAILED = "suppression \xE9" "chou\xE9";
const char* const ACTION_FAILED_FEMININE = "suppression \xE9" "chou\xE9" "e";
const char* const MODULES_OF_64_BIT_PROCESSES_TEXT =
    "\r\n\r\nCette version 32 bits de Purvane ne peut pas analyser les modules des process 64 bits : "
    "utilisez la version 64 bits pour analyser toute la m\xE9moire.";

namespace {

const char* const kPatternScanExtensions[] = {".EXE", ".COM", ".DLL", ".PIF", ".SCR", ".SYS", ".VXD", ".DRV"};
const char* const kFingerprintScanExtensions[] = {".EXE", ".COM", ".DLL", ".SCR", ".OCX", ".DRV", ".SYS"};

constexpr std::size_t kShownHeadLength = 30;
constexpr std::size_t kShownTailLength = 18;
// Process image paths this short cannot be a program's, so they are skipped.
constexpr std::size_t kShortestExaminedImagePath = 11;

template <std::size_t N>
bool HoldsOneOf(const std::string& upperName, const char* const (&texts)[N])
{
    return std::any_of(std::begin(texts), std::end(texts),
                       [&](const char* text) { return upperName.find(text) != std::string::npos; });
}

} // namespace

std::string EnsureTrailingBackslash(const std::string& path)
{
    return !path.empty() && path.back() == '\\' ? path : path + '\\';
}

std::string ShownFolder(const std::string& folder)
{
    std::string shown = EnsureTrailingBackslash(folder);
    if (shown.size() <= MAX_SHOWN_FOLDER_LENGTH) return shown;
    return folder.substr(0, kShownHeadLength) + "\\...\\" + folder.substr(folder.size() - kShownTailLength);
}

bool HasPatternScanExtension(const std::string& upperName) { return HoldsOneOf(upperName, kPatternScanExtensions); }

bool HasFingerprintScanExtension(const std::string& upperName)
{
    return HoldsOneOf(upperName, kFingerprintScanExtensions);
}

std::string UncheckedObjectsText(TUncheckedReason reason, int count)
{
    if (count <= 0) return {};
    const bool one = count == 1;
    std::string text = "\r\n\r\n" + std::to_string(count) +
                       (one ? " objet n'a pas pu \xEAtre analys\xE9 : " : " objets n'ont pas pu \xEAtre analys\xE9s : ");
    switch (reason) {
    case TUncheckedReason::Changed:
        return text + (one ? "il a chang\xE9 pendant son analyse." : "ils ont chang\xE9 pendant leur analyse.");
    case TUncheckedReason::Unspellable:
        return text + (one ? "son nom ne s'\xE9" "crit pas dans la page de code du syst\xE8me, qui ne lui donne pas de nom court."
                           : "leur nom ne s'\xE9" "crit pas dans la page de code du syst\xE8me, qui ne leur donne pas de nom court.");
    }
    return text;
}

void TScanRun::Run()
{
    StartRun();
    ScanMemory();
    EndMemoryScan();
    view_.SetMarquee(TScanPhase::Files, true);
    ScanFileSystem(std::string(1, system_.GetSystemDrive()) + ":\\");
    view_.SetMarquee(TScanPhase::Files, false);
    view_.ShowProgress(TScanPhase::Files, false);
    EndRun();
}

void TScanRun::StartRun()
{
    view_.ShowProgress(TScanPhase::Memory, true);
    view_.SetMarquee(TScanPhase::Memory, true);
    view_.SetProgress(TScanPhase::Memory, 0);
    view_.ShowProgress(TScanPhase::Files, true);
    view_.SetMarquee(TScanPhase::Files, false);
    view_.SetProgress(TScanPhase::Files, 0);
    view_.ProcessPendingMessages();
    DetectionCount_ = 0;
    counts_ = {};
    journal_.RunStarted();
    // The labels keep the last run's texts, in black, until new ones come.
    view_.SetStatusColour(TScanPhase::Memory, TStatusColour::Running);
    view_.SetStatusColour(TScanPhase::Files, TStatusColour::Running);
    VisitedModules_.clear();
    filesLeft_.clear();
}

void TScanRun::ScanMemory()
{
    const std::vector<TProcessInfo> processes = system_.TakeProcessSnapshot();
    const auto n = static_cast<std::int64_t>(processes.size());
    // Index 0 is the system's idle process.
    for (std::int64_t i = 1; i < n && !StopRequested(); ++i) {
        const TProcessInfo& process = processes[static_cast<std::size_t>(i)];
        if (process.ImagePath.size() >= kShortestExaminedImagePath) {
            view_.SetProgress(TScanPhase::Memory, static_cast<int>(i * 100 / n));
            view_.SetStatusText(TScanPhase::Memory, "Analyse du process " + process.ImagePath);
            ++counts_.ProcessesExamined;
            CheckObject(process.ImagePath, {&process, false});
            // The modules of one process go without a stop test between them.
            for (const TModuleInfo& module : process.Modules) CheckModule(module.ModulePath, process);
        }
        view_.ProcessPendingMessages();
    }
}

void TScanRun::CheckModule(const std::string& path, const TProcessInfo& process)
{
    // Both sides are upper-cased on a to z, so equal texts are equal paths.
    std::string upper = UpperCaseAscii(path);
    if (std::find(VisitedModules_.begin(), VisitedModules_.end(), upper) != VisitedModules_.end()) return;
    VisitedModules_.push_back(std::move(upper));
    view_.SetStatusText(TScanPhase::Memory, "Analyse du module " + path);
    ++counts_.ModulesExamined;
    CheckObject(path, {&process, false});
}

void TScanRun::EndMemoryScan()
{
    view_.SetMarquee(TScanPhase::Memory, false);
    view_.ShowProgress(TScanPhase::Memory, false);
    // The colour first: the label paints its text at once, in the colour it has.
    const bool infected = DetectionCount_ > 0;
    view_.SetStatusColour(TScanPhase::Memory, infected ? TStatusColour::Infected : TStatusColour::Clean);
    view_.SetStatusText(TScanPhase::Memory, infected ? MEMORY_INFECTED_TEXT : MEMORY_CLEAN_TEXT);
    VisitedModules_.clear();
}

void TScanRun::ScanFolder(const std::string& path, std::optional<TFileId> id)
{
    const std::string folder = EnsureTrailingBackslash(path);
    // A link to a folder that is already on the walk's path (a junction to
    // an ancestor) would make the walk go round until the paths overflow.
    if (!id) id = system_.FolderId(folder);
    if (id) {
        if (std::find(foldersOnPath_.begin(), foldersOnPath_.end(), *id) != foldersOnPath_.end()) return;
        foldersOnPath_.push_back(*id);
    }
    system_.ForEachFolderEntry(folder, id, [&](const TFolderEntry& entry) {
        if (StopRequested()) return false;
        if (entry.NameUnspellable) {
            // It can be neither opened nor entered: counted, so that the run
            // never calls clean what it did not see.
            if (!entry.IsVolumeLabel) CountUnchecked(TUncheckedReason::Unspellable);
        } else if (entry.IsFolder) {
            if (entry.Name != "." && entry.Name != "..") ScanFolder(folder + entry.Name, entry.Id);
        } else if (!entry.IsVolumeLabel) {
            CheckFileEntry(path, folder, entry.Name);
        }
        view_.ProcessPendingMessages();
        return true;
    });
    if (id) foldersOnPath_.pop_back();
}

void TScanRun::CheckFileEntry(const std::string& path, const std::string& folder, const std::string& name)
{
    ++FileCounter_;
    ++counts_.FilesMet;
    if (FileCounter_ % 10 == 0) view_.SetProgress(TScanPhase::Files, FileCounter_ % 100);
    view_.SetStatusText(TScanPhase::Files,
                        "Analyse du fichier (" + std::to_string(FileCounter_) + ") : " + ShownFolder(path) + name);
    const std::string upper = UpperCaseAscii(name);
    const TCheckAdmission admitted{HasPatternScanExtension(upper), HasFingerprintScanExtension(upper)};
    if (!admitted.Pattern && !admitted.Fingerprint) return;
    ++counts_.FilesChecked;
    CheckObject(folder + name, {nullptr, true}, admitted);
}

// Hands each detection and error of one object's checks to the run, with
// that object's state.
class TScanRun::TObjectDetections final : public TDetectionHandler {
public:
    TObjectDetections(TScanRun& run, TCheckState& state) : run_(run), state_(state) {}
    void OnDetection(const std::string& path, const std::string& name, TDetectionKind kind) override
    {
        run_.OnDetection(state_, path, name, kind);
    }
    // The file stopped being a PE image while it was read: it changed.
    void OnCheckError(const std::string&, const std::string&) override { run_.OnChange(state_); }

private:
    TScanRun& run_;
    TCheckState& state_;
};

void TScanRun::CheckObject(const std::string& path, TObject object, TCheckAdmission admitted)
{
    std::unique_ptr<TCheckedObject> opened = system_.OpenForCheck(path);
    if (!opened) return;  // nothing there that can be read
    TCheckState state{object, opened->Stamp(), {}, std::move(opened)};
    TObjectDetections detections(*this, state);
    check_.Check(path, detections, admitted);
    // Checked without a prompt: was it the opened file all along? After a
    // prompt the row tells what became of the object.
    if (state.Opened) IsStillTheOpenedFile(state, path);
}

bool TScanRun::IsStillTheOpenedFile(TCheckState& state, const std::string& path)
{
    if (!state.Changed && system_.StampAt(path) != state.Stamp) OnChange(state);
    return !state.Changed;
}

void TScanRun::OnChange(TCheckState& state)
{
    if (!state.Changed) CountUnchecked(TUncheckedReason::Changed);
    state.Changed = true;
}

void TScanRun::OnDetection(TCheckState& state, const std::string& path, const std::string& name, TDetectionKind kind)
{
    // What was read must be what the user is asked about, and what a
    // deletion would strike.
    if (state.Removed || !IsStillTheOpenedFile(state, path)) return;
    if (state.Opened) {
        // Its whole identity, volume included, read through the handle still
        // held; then the file is let go before the prompt, so that the
        // deletion can open it, and from here its identity stands for it.
        const std::optional<TFileIdentity> identity = state.Opened->Identity();
        if (!identity || identity->Stamp() != state.Stamp) return OnChange(state);
        state.Identity = *identity;
        state.Opened.reset();
    }
    state.Removed = HandleDetection(state, path, name, kind);
}

bool TScanRun::HandleDetection(const TCheckState& state, const std::string& path, const std::string& name,
                               TDetectionKind kind)
{
    TDetectionRecord record;
    record.Number = ++DetectionCount_;
    record.Phase = state.Object.OnDrive ? TScanPhase::Files : TScanPhase::Memory;
    record.ProcessId = state.Object.Process ? state.Object.Process->PID : 0;
    record.Path = path;
    record.MalwareName = name;
    record.Kind = kind;
    // Once the window is closing, nothing more is deleted on the user's behalf.
    record.Answer = view_.CloseRequested() ? TPromptAnswer::Ignore : view_.ShowDetectionPrompt(path, name);
    record.Action = ACTION_IGNORED;
    if (record.Answer == TPromptAnswer::Delete) {
        if (state.Object.Process) system_.EndProcess(state.Object.Process->PID, state.Object.Process->CreateTime);
        record.Removal = system_.DeleteInfectedFile(path, state.Identity, name);
        const bool feminine = state.Object.OnDrive && kind == TDetectionKind::Pattern;
        record.Action = record.Removal.Deleted ? ACTION_DELETED : feminine ? ACTION_FAILED_FEMININE : ACTION_FAILED;
    }
    view_.WriteResultRow(record.Number, path, name, record.Action);
    view_.RepaintResults();
    journal_.Detection(record);
    if (record.Removal.Deleted) filesLeft_.erase(UpperCaseAscii(path));
    else filesLeft_.insert(UpperCaseAscii(path));
    return record.Removal.Deleted;
}

std::string TScanRun::SummaryNotes() const
{
    std::string notes;
    for (const TUncheckedReason reason : {TUncheckedReason::Changed, TUncheckedReason::Unspellable})
        notes += UncheckedObjectsText(reason, UncheckedObjects(reason));
    if (system_.MissesModulesOf64BitProcesses()) notes += MODULES_OF_64_BIT_PROCESSES_TEXT;
    return notes;
}

void TScanRun::EndRun()
{
    counts_.Stopped = StopRequested();
    counts_.Detections = DetectionCount_;
    counts_.FilesLeft = static_cast<int>(filesLeft_.size());
    const std::string notes = SummaryNotes() + journal_.RunEnded(counts_);
    if (counts_.Stopped) {
        view_.SetStatusText(TScanPhase::Files, RUN_STOPPED_TEXT);
        // A window that is closing shows no summary: the program ends.
        if (!view_.CloseRequested()) view_.ShowRunSummary(RUN_STOPPED_TEXT + notes, RUN_STOPPED_CAPTION);
        return;
    }
    const bool infected = DetectionCount_ > 0;
    view_.SetStatusColour(TScanPhase::Files, infected ? TStatusColour::Infected : TStatusColour::Clean);
    view_.SetStatusText(TScanPhase::Files, infected ? FILES_INFECTED_TEXT : FILES_CLEAN_TEXT);
    view_.ShowRunSummary((infected ? RUN_INFECTED_BOX_TEXT : RUN_CLEAN_BOX_TEXT) + notes, RUN_ENDED_CAPTION);
}
