// The PE fingerprint check: the fingerprints of a PE file (the MD5 digest of
// an executable section's raw data, and of the same start run on to the file
// alignment) looked up in the fingerprint table.
//
// Example: a code section with SizeOfRawData 1,000 at PointerToRawData 0x400,
// FileAlignment 512, in a file of 8,192 bytes, gives the key 1,000 with the
// digest of file bytes 0x400..0x7E7, then the key 1,024 (1,000 aligned up)
// with the digest of file bytes 0x400..0x7FF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pe/MD5.h"
#include "signatures/qz_PE_MD5.h"

// The check's answer for one file.
struct TMD5MalwareInfo {
    bool Found = false;
    std::string MalwareName;  // of the last match; empty when not found
};

// The lookup over a loaded fingerprint table, built once after both signature
// files are loaded; the table must outlive it and not change afterwards.
//
// It answers exactly as the linear pass does (the first record in table
// order with an equal SectionSize and exactly the same Digest text), in
// constant time on average: an open-addressing index over (SectionSize,
// binary digest) gives the first such record. Records whose Digest is not 32
// upper-case hex digits cannot equal a digest text the check computes and
// are left out of the index; a query text that is not 32 hex digits once
// upper-cased goes to the linear pass, which finds those records.
class TPEMD5Lookup {
public:
    explicit TPEMD5Lookup(const TPEMD5SignatureTable& table);

    // True when a record with this key and digest text exists (the text is
    // upper-cased first); malwareName then receives the first such record's
    // Name, and is left as it was otherwise.
    bool FindPEMD5Signature(std::int32_t size, const std::string& digestText, std::string& malwareName) const;
    // The same answer from a pass over the records in table order.
    bool FindPEMD5SignatureLinear(std::int32_t size, const std::string& digestText, std::string& malwareName) const;

    // False when no indexed record has this SectionSize: no digest computed
    // by the check can then match with this key.
    bool HasSectionSize(std::int32_t size) const;

    std::size_t IndexedCount() const { return indexed_; }

private:
    struct TSlot {
        TMD5Digest Digest;
        std::int32_t Size;
        std::int32_t Record;  // index into the table plus 1; 0 marks an empty slot
    };
    bool FindIndexed(std::int32_t size, const TMD5Digest& digest, std::int32_t& record) const;
    std::size_t SlotOf(std::int32_t size, const TMD5Digest& digest) const;
    std::size_t SizeSlotOf(std::int32_t size) const;
    void InsertSize(std::int32_t size);

    const TPEMD5Signature* records_;
    std::int32_t stored_;
    std::vector<TSlot> slots_;
    std::vector<std::int64_t> sizeSlots_;  // open-addressing set of SectionSize values
    std::size_t sizeCount_ = 0;
    std::size_t indexed_ = 0;
};

enum class TFingerprintKind { Raw, Aligned };

// One fingerprint: the key (bytes digested) and the digest text.
struct TPEFingerprint {
    int SectionIndex;
    TFingerprintKind Kind;
    std::uint32_t Key;
    std::string Digest;
};

// Computes a PE file's fingerprints in the check's order (sections in table
// order, the raw-size one before the aligned one) and hands each to
// onFingerprint; a fingerprint whose key wantKey refuses is passed over
// without digesting. False when the file fails IsPEFile. Raises
// TNotPEFileError when the file stops being PE before its table is built.
//
// For each section with the code or execute flag and SizeOfRawData S below
// 4 MiB: the raw-size fingerprint digests S bytes from PointerToRawData
// (bytes past the end of the file count as zeros). When FileAlignment is not
// 0, S is not 0 and A = AlignUp(S, FileAlignment) differs from S, and the
// file is at most 1 MiB with PointerToRawData inside it, the aligned
// fingerprint digests A bytes of the file from PointerToRawData; when those
// A bytes run past the end of the file it is skipped rather than padded (no
// byte beyond the file is read and no digest of bytes the file lacks is made).
bool ForEachPEFingerprint(const std::string& fileName, const std::function<bool(std::uint32_t key)>& wantKey,
                          const std::function<void(const TPEFingerprint&)>& onFingerprint);

// The check of one file. False when the file is not PE; true when it was
// examined, info telling whether a fingerprint matched and, when several
// did, the name of the last match. TNotPEFileError passes through.
bool ScanPEMD5(const std::string& fileName, TMD5MalwareInfo& info, const TPEMD5Lookup& lookup);
