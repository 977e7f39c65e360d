// The object check over the shipped set and its harmless samples, with a
// handler that records what it is told and may delete the file.
#include <gtest/gtest.h>

#include <filesystem>

#include "main/object_check.h"
#include "tests/main/shipped_set_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

namespace fs = std::filesystem;

struct TReported {
    std::string path, name;
    TDetectionKind kind;
    bool operator==(const TReported&) const = default;
};

class TRecordingHandler : public TDetectionHandler {
public:
    explicit TRecordingHandler(bool deleteFiles = false) : deleteFiles_(deleteFiles) {}
    void OnDetection(const std::string& path, const std::string& name, TDetectionKind kind) override
    {
        detections.push_back({path, name, kind});
        if (deleteFiles_) fs::remove(path);
    }
    void OnCheckError(const std::string& path, const std::string&) override { errors.push_back(path); }

    std::vector<TReported> detections;
    std::vector<std::string> errors;

private:
    bool deleteFiles_;
};

// The shipped set, loaded as the start-up loads it.
class ObjectCheckTest : public ::testing::Test {
protected:
    // A copy of sample n in the test's folder.
    std::string Sample(int n) const
    {
        char name[40];
        std::snprintf(name, sizeof name, "PURVANE_TEST_SAMPLE_%03d.exe", n);
        const std::string copy = dir_.Path(name);
        fs::copy_file(ProgramFolder() + "../samples/" + name, copy);  // the build writes them beside bin/
        return copy;
    }

    TShippedSetCheck shipped_;
    const TSignatureCheck* check_ = &shipped_.Check();
    TTempDir dir_;
};

TEST_F(ObjectCheckTest, BothChecksRunInOrderAndEachCanBeLeftOut)
{
    const std::string sample = Sample(7);
    struct TCase {
        TCheckAdmission admitted;
        std::vector<TDetectionKind> kinds;
    };
    const TCase cases[] = {
        {{true, true}, {TDetectionKind::Pattern, TDetectionKind::Fingerprint}},
        {{true, false}, {TDetectionKind::Pattern}},
        {{false, true}, {TDetectionKind::Fingerprint}},
        {{false, false}, {}},
    };
    for (const TCase& c : cases) {
        TRecordingHandler handler;
        check_->Check(sample, handler, c.admitted);
        std::vector<TDetectionKind> kinds;
        for (const TReported& r : handler.detections) {
            EXPECT_EQ(r.path, sample);
            kinds.push_back(r.kind);
        }
        EXPECT_EQ(kinds, c.kinds);
    }
}

TEST_F(ObjectCheckTest, AFileDeletedAtTheFirstDetectionGivesNoSecond)
{
    const std::string sample = Sample(12);
    TRecordingHandler handler(true);
    check_->Check(sample, handler);
    ASSERT_EQ(handler.detections.size(), 1u);
    EXPECT_EQ(handler.detections[0].kind, TDetectionKind::Pattern);
    EXPECT_FALSE(fs::exists(sample));
    EXPECT_TRUE(handler.errors.empty());
}

TEST_F(ObjectCheckTest, CleanAndMissingFilesGiveNothing)
{
    TRecordingHandler handler;
    check_->Check(dir_.Write("clean.exe", std::string(4096, 'x')), handler);
    check_->Check(dir_.Path("missing.exe"), handler);
    EXPECT_TRUE(handler.detections.empty());
    EXPECT_TRUE(handler.errors.empty());
}

} // namespace
