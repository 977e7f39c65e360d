#include <gtest/gtest.h>

#include "common/errors.h"
#include "signatures/qz_PE_MD5.h"
#include "signatures/signature_writer.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string kDigest = "0123456789ABCDEF0123456789ABCDEF";

std::vector<std::uint8_t> FingerprintFile(int count, int firstSize = 1)
{
    std::vector<std::uint8_t> file = EncodePEMD5Header();
    for (int i = 0; i < count; ++i)
        AppendRecord(file, EncodePEMD5Record(firstSize + i, kDigest, "Fp" + std::to_string(firstSize + i)));
    return file;
}

TEST(FingerprintSignatures, OnlyCompleteRecordsAfterTheHeaderCount)
{
    struct TCase {
        std::size_t bytes;
        int count;
    };
    for (const TCase c : {TCase{0, 0}, TCase{103, 0}, TCase{104, 0}, TCase{5 * 104 + 50, 4}}) {
        TTempDir dir;
        std::vector<std::uint8_t> file = FingerprintFile(5);
        file.resize(c.bytes);
        TPEMD5SignatureTable table;
        EXPECT_TRUE(table.LoadPEMD5Signatures(dir.Write("mdpe_msn.dat", file))) << c.bytes;
        EXPECT_EQ(table.PEMD5SignatureCount(), c.count) << c.bytes;
    }
}

TEST(FingerprintSignatures, FieldsAreReadAsStored)
{
    TTempDir dir;
    std::vector<std::uint8_t> file = EncodePEMD5Header();
    std::vector<std::uint8_t> record = EncodePEMD5Record(0, "d41d8cd98f00b204e9800998ecf8427e", "Lower.Case");
    record[0] = 0x00, record[1] = 0x10, record[2] = 0x00, record[3] = 0x00;
    AppendRecord(file, record);
    AppendRecord(file, EncodePEMD5Record(-5, kDigest, ""));
    TPEMD5SignatureTable table;
    ASSERT_TRUE(table.LoadPEMD5Signatures(dir.Write("f", file)));
    const TPEMD5Signature* s = table.PEMD5Signatures();
    EXPECT_EQ(s[0].SectionSize, 4096);
    EXPECT_EQ(s[0].Digest.Str(), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(s[0].Name.Str(), "Lower.Case");
    EXPECT_EQ(s[1].SectionSize, -5);
    EXPECT_EQ(s[1].Name.Str(), "");
}

TEST(FingerprintSignatures, MissingFilesAndTheSupplement)
{
    TTempDir dir;
    TPEMD5SignatureTable table;
    EXPECT_FALSE(table.LoadPEMD5Signatures(dir.Path("mdpe_msn.dat")));
    EXPECT_EQ(table.PEMD5Signatures(), nullptr);
    EXPECT_EQ(table.PEMD5SignatureCount(), 0);

    ASSERT_TRUE(table.LoadPEMD5Signatures(dir.Write("1", FingerprintFile(3))));
    EXPECT_FALSE(table.AppendPEMD5Signatures(dir.Path("mdpe_msn2.dat")));
    EXPECT_EQ(table.PEMD5SignatureCount(), 3);
    ASSERT_TRUE(table.AppendPEMD5Signatures(dir.Write("2", FingerprintFile(2, 100))));
    EXPECT_EQ(table.PEMD5SignatureCount(), 5);
    EXPECT_EQ(table.PEMD5Signatures()[3].SectionSize, 100);
}

TEST(FingerprintSignatures, OneRecordPastTheCapacityIsCountedNotStored)
{
    TTempDir dir;
    TPEMD5SignatureTable table;
    ASSERT_TRUE(table.LoadPEMD5Signatures(dir.Write("1", FingerprintFile(MAX_NB_SIG_PEMD - 1))));
    ASSERT_TRUE(table.AppendPEMD5Signatures(dir.Write("2", FingerprintFile(2, MAX_NB_SIG_PEMD))));
    EXPECT_EQ(table.PEMD5SignatureCount(), MAX_NB_SIG_PEMD + 1);
    EXPECT_EQ(table.StoredCount(), MAX_NB_SIG_PEMD);
    EXPECT_EQ(table.PEMD5Signatures()[MAX_NB_SIG_PEMD - 1].SectionSize, MAX_NB_SIG_PEMD);
}

TEST(FingerprintSignatures, LengthAboveCapacityIsARangeError)
{
    struct TCase {
        std::size_t at;  // offset in the file of the length byte
        std::uint8_t length;
        int countAfter;
    };
    for (const TCase c : {TCase{4, 34, 0}, TCase{38, 65, 0}, TCase{104 + 4, 34, 1}, TCase{2 * 104 + 38, 65, 2}}) {
        TTempDir dir;
        std::vector<std::uint8_t> file = FingerprintFile(3);
        file[c.at] = c.length;
        const std::string path = dir.Write("f", file);
        TPEMD5SignatureTable table;
        try {
            table.LoadPEMD5Signatures(path);
            ADD_FAILURE() << "no error at " << c.at;
        } catch (const TSignatureFormatError& e) {
            EXPECT_EQ(std::string(e.what()), "Erreur de v\xE9rification d'\xE9tendue");
        }
        EXPECT_EQ(table.PEMD5SignatureCount(), c.countAfter) << c.at;
        EXPECT_NE(table.PEMD5Signatures(), nullptr);
    }
}

} // namespace
