// The signature files the build ships load without any start-up message,
// and every fingerprint is one the check can compute.
#include <gtest/gtest.h>

#include "main/signature_loading.h"
#include "pe/MD5.h"
#include "tests/support/test_environment.h"

TEST(ShippedSet, LoadsWithoutAStartUpMessage)
{
    TPatternSignatureTable patterns;
    TPEMD5SignatureTable fingerprints;
    std::int32_t handedOver = -1;
    std::vector<std::string> messages;
    LoadSignatureDatabases(
        ProgramFolder(), patterns, fingerprints, [&](const TPatternSignature*, std::int32_t n) { handedOver = n; },
        [&](const TStartupMessage& m) { messages.push_back(m.Text); });
    EXPECT_EQ(messages, std::vector<std::string>{});
    EXPECT_EQ(handedOver, patterns.PatternSignatureCount());
    ASSERT_GT(fingerprints.StoredCount(), 0);
    for (std::int32_t i = 0; i < fingerprints.StoredCount(); ++i)
        EXPECT_TRUE(IsMD5DigestText(fingerprints.PEMD5Signatures()[i].Digest.View())) << "record " << i + 1;
}
