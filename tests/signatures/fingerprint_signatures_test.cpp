// What only the fingerprint format has: a plain SectionSize beside the two
// texts, all read as stored.
#include <gtest/gtest.h>

#include "signatures/qz_PE_MD5.h"
#include "signatures/signature_writer.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(FingerprintSignatures, FieldsAreReadAsStored)
{
    TTempDir dir;
    std::vector<std::uint8_t> file = EncodePEMD5Header();
    std::vector<std::uint8_t> record = EncodePEMD5Record(0, "d41d8cd98f00b204e9800998ecf8427e", "Lower.Case");
    record[0] = 0x00, record[1] = 0x10, record[2] = 0x00, record[3] = 0x00;
    AppendRecord(file, record);
    AppendRecord(file, EncodePEMD5Record(-5, "0123456789ABCDEF0123456789ABCDEF", ""));
    TPEMD5SignatureTable table;
    ASSERT_TRUE(table.LoadPEMD5Signatures(dir.Write("f", file)));
    const TPEMD5Signature* s = table.PEMD5Signatures();
    EXPECT_EQ(s[0].SectionSize, 4096);
    EXPECT_EQ(s[0].Digest.Str(), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(s[0].Name.Str(), "Lower.Case");
    EXPECT_EQ(s[1].SectionSize, -5);
    EXPECT_EQ(s[1].Name.Str(), "");
}

} // namespace
