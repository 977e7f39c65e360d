// The check of one object (a file named by its full path) against both
// signature sets: the pattern check through the engine library, then the PE
// fingerprint check. Both run, in this order, whatever the first found and
// whatever was done with it, so a file ignored after a pattern detection can
// give a second detection, and a file deleted after it gives none.
//
// The check reports through a narrow interface: the program's scan run puts
// each detection to the user, sigtool prints it, tests record it.
#pragma once

#include <string>

#include "engine/qz_dll_sscan_header.h"
#include "pe/qz_scan_PEMD5.h"

enum class TDetectionKind { Pattern, Fingerprint };

// Which of the two checks an object goes through.
struct TCheckAdmission {
    bool Pattern = true;
    bool Fingerprint = true;
};

class TDetectionHandler {
public:
    virtual ~TDetectionHandler() = default;
    // The file at path was found by the check of kind, naming name.
    virtual void OnDetection(const std::string& path, const std::string& name, TDetectionKind kind) = 0;
    // The fingerprint check of path raised an error (the file stopped being
    // a PE image while it was read); message is its text. The run goes on.
    virtual void OnCheckError(const std::string& path, const std::string& message) = 0;
};

// The object check as the scan run calls it: an interface, which
// TSignatureCheck implements and tests fake.
class TObjectCheck {
public:
    virtual ~TObjectCheck() = default;
    // The admitted checks of path, each detection and error to handler.
    virtual void Check(const std::string& path, TDetectionHandler& handler, TCheckAdmission admitted = {}) const = 0;
};

// The object check against both signature sets: the engine's patterns,
// then the PE fingerprints.
class TSignatureCheck final : public TObjectCheck {
public:
    // Both must outlive the check.
    TSignatureCheck(const TScanEngine& engine, const TPEMD5Lookup& fingerprints) : engine_(engine), fingerprints_(fingerprints) {}

    void Check(const std::string& path, TDetectionHandler& handler, TCheckAdmission admitted = {}) const override;

private:
    const TScanEngine& engine_;
    const TPEMD5Lookup& fingerprints_;
};
