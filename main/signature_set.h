// The two signature sets as the program uses them: the tables, allocated
// once at full capacity and filled by the start-up's loading (which hands
// the patterns to the engine), then the fingerprint lookup and the object
// check over both, made from what was loaded.
//
//   TSignatureSet signatures(engine);
//   signatures.Load(programDir, showMessage);   // may raise a format error
//   signatures.Check().Check(path, handler);
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/qz_dll_sscan_header.h"
#include "main/object_check.h"
#include "main/signature_loading.h"

class TSignatureSet {
public:
    // The engine must outlive the set; the set outlives the engine's use of
    // its pattern table.
    explicit TSignatureSet(const TScanEngine& engine) : engine_(engine) {}

    const TScanEngine& Engine() const { return engine_; }
    // LoadSignatureDatabases from programDir (ending with the separator),
    // each start-up message to report as its step runs; a format error
    // passes through.
    // Only the files admit admits are read (all when it is empty).
    void Load(const std::string& programDir, const TStartupMessageSink& report, const TFileAdmission& admit = {});

    const TPatternSignatureTable& Patterns() const { return *patterns_; }
    const TPEMD5SignatureTable& Fingerprints() const { return *fingerprints_; }
    // The check over both sets, made at the first call from what was loaded
    // by then; the tables must not change afterwards.
    const TSignatureCheck& Check();

private:
    const TScanEngine& engine_;
    std::unique_ptr<TPatternSignatureTable> patterns_ = std::make_unique<TPatternSignatureTable>();
    std::unique_ptr<TPEMD5SignatureTable> fingerprints_ = std::make_unique<TPEMD5SignatureTable>();
    std::optional<TPEMD5Lookup> lookup_;
    std::optional<TSignatureCheck> check_;
};
