// The object check over the shipped signature set beside the test program,
// loaded as the start-up loads it; a start-up message fails the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "main/object_check.h"
#include "main/signature_loading.h"
#include "tests/support/test_environment.h"

class TShippedSetCheck {
public:
    const TSignatureCheck& Check() const { return check_; }

private:
    bool Load()
    {
        LoadSignatureDatabases(
            ProgramFolder(), *patterns_, *fingerprints_,
            [&](const TPatternSignature* t, std::int32_t n) { engine_.InitScan(t, n); },
            [](const TStartupMessage& m) { ADD_FAILURE() << m.Text; });
        return true;
    }

    // Made in this order: the tables, the engine, the loading, then the
    // lookup and the check over what was loaded.
    std::unique_ptr<TPatternSignatureTable> patterns_ = std::make_unique<TPatternSignatureTable>();
    std::unique_ptr<TPEMD5SignatureTable> fingerprints_ = std::make_unique<TPEMD5SignatureTable>();
    const TScanEngine engine_ = LoadScanEngine();
    const bool loaded_ = Load();
    const TPEMD5Lookup lookup_{*fingerprints_};
    const TSignatureCheck check_{engine_, lookup_};
};
