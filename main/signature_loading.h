// The start-up's loading of the four signature files from the program's
// folder, with its checks: what the main window's creation runs before the
// first scan, and what sigtool scan runs before its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "signatures/qz_PE_MD5.h"
#include "signatures/qzs_scan.h"

// One start-up message: a French text and its caption (Windows-1252). An
// error is shown in an error message box followed by a request to end the
// application; a warning in a warning box, and the program goes on.
struct TStartupMessage {
    const char* Text;
    const char* Caption;
    bool Warning = false;
};

// Hands the loaded pattern table to the engine (initscan).
using TEngineHandOver = std::function<void(const TPatternSignature* table, std::int32_t count)>;
// Shows one start-up error when its step runs, and asks the application to end.
using TStartupMessageSink = std::function<void(const TStartupMessage& message)>;

// What the program's folder check says of one of the signature files, by
// its name: admitted (verified against the signed manifest), absent, or
// present but refused. An empty function admits every file (sigtool scan,
// the tests).
enum class TFileAdmit { Admitted, Absent, Refused };
using TFileAdmission = std::function<TFileAdmit(const char* name)>;

// Loads SIG_MSN.DAT, then SIG_MSN2.DAT when the first loaded, hands the
// table to the engine when it holds at most MAX_NB_SIG records, checks the
// count and the records, then loads mdpe_msn.dat and mdpe_msn2.dat the same
// way and checks their count. programDir ends with the path separator; an
// empty one is a folder without files.
// Every step runs whatever happened before it, so several errors can be
// reported, each as its step runs. A format error in a file is raised
// (TSignatureFormatError) and ends the loading where it stands; the errors
// of the steps before it have been reported by then.
// Only admitted files are read: a main file that is not is reported as if
// it could not be loaded; a supplement present but refused is left out with
// a warning; an absent supplement is no error.
void LoadSignatureDatabases(const std::string& programDir, TPatternSignatureTable& patterns,
                            TPEMD5SignatureTable& fingerprints, const TEngineHandOver& handToEngine,
                            const TStartupMessageSink& report, const TFileAdmission& admit = {});
