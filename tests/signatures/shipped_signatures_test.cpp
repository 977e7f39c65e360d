// The signature files the build ships pass every check the start-up makes.
#include <gtest/gtest.h>

#include "signatures/qz_PE_MD5.h"
#include "signatures/qzs_scan.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

TEST(ShippedSignatures, PatternFilesPassTheStartUpChecks)
{
    TPatternSignatureTable table;
    ASSERT_TRUE(table.LoadPatternSignatures(ProgramFolder() + "SIG_MSN.DAT"));
    ASSERT_TRUE(table.AppendPatternSignatures(ProgramFolder() + "SIG_MSN2.DAT"));
    EXPECT_GE(table.PatternSignatureCount(), 100);
    EXPECT_LE(table.PatternSignatureCount(), MAX_NB_SIG);
    EXPECT_TRUE(table.ValidatePatternSignatures());
}

TEST(ShippedSignatures, FingerprintFilesLoadWithUsableDigests)
{
    TPEMD5SignatureTable table;
    ASSERT_TRUE(table.LoadPEMD5Signatures(ProgramFolder() + "mdpe_msn.dat"));
    ASSERT_TRUE(table.AppendPEMD5Signatures(ProgramFolder() + "mdpe_msn2.dat"));
    EXPECT_GT(table.PEMD5SignatureCount(), 0);
    EXPECT_LE(table.PEMD5SignatureCount(), MAX_NB_SIG_PEMD);
    for (std::int32_t i = 0; i < table.StoredCount(); ++i) {
        const std::string digest = table.PEMD5Signatures()[i].Digest.Str();
        EXPECT_EQ(digest.find_first_not_of("0123456789ABCDEF"), std::string::npos) << digest;
        EXPECT_EQ(digest.size(), 32u);
    }
}
