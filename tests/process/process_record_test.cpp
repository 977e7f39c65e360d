// A process's record over a fake system: the creation time is read with the
// record, before its modules, and the image path comes from the modules,
// then the process status services, then the search by name.
#include <gtest/gtest.h>

#include <set>

#include "process/process_record.h"

namespace {

class TFakePaths final : public TPathSystem {
public:
    explicit TFakePaths(std::set<std::string> files) : files_(std::move(files)) {}
    bool IsExistingFile(const std::string& path) const override { return files_.count(path) > 0; }
    std::vector<std::string> EnvironmentList() const override { return {}; }
    std::string WindowsSearchPath() const override { return "C:\\WINDOWS;C:\\WINDOWS\\system32;"; }
    std::string FullPathName(const std::string& path) const override { return path; }
    bool IsLeadByte(char) const override { return false; }

private:
    std::set<std::string> files_;
};

// One process whose id goes to a newcomer while its modules are listed.
class TReusedIdSource final : public TProcessSource {
public:
    std::uint64_t CreationTime(std::uint32_t) override
    {
        asked.push_back("time");
        return time;
    }
    std::vector<TModuleInfo> Modules(std::uint32_t, const std::string& processName, std::string& imagePath) override
    {
        asked.push_back("modules of " + processName);
        time = kNewcomerTime;  // the process ended and its id was given again
        imagePath = moduleImage;
        return {{processName, moduleImage}};
    }
    std::string MainModuleFileName(std::uint32_t) override
    {
        asked.push_back("main module");
        return mainModule;
    }

    static constexpr std::uint64_t kFirstTime = 1000, kNewcomerTime = 2000;
    std::uint64_t time = kFirstTime;
    std::string moduleImage, mainModule;
    std::vector<std::string> asked;
};

TEST(BuildProcessRecord, TheCreationTimeIsReadBeforeTheModules)
{
    TReusedIdSource source;
    source.moduleImage = "C:\\w\\worm.exe";
    const TFakePaths paths({"C:\\w\\worm.exe"});
    const TProcessInfo info = BuildProcessRecord(42, "worm.exe", source, paths);
    EXPECT_EQ(info.CreateTime, TReusedIdSource::kFirstTime);
    EXPECT_EQ(source.asked, (std::vector<std::string>{"time", "modules of worm.exe"}));
    EXPECT_EQ(info.ImagePath, "C:\\w\\worm.exe");
}

TEST(BuildProcessRecord, TheImagePathFallsBackInOrderAndPseudoProcessesGetNames)
{
    const struct {
        const char* what;
        std::uint32_t pid;
        std::string exeName, moduleImage, mainModule;
        std::set<std::string> files;
        std::string name, imagePath;
    } cases[] = {
        {"from the modules", 42, "a.exe", "C:\\w\\a.exe", "C:\\x\\a.exe", {"C:\\w\\a.exe", "C:\\x\\a.exe"}, "a.exe",
         "C:\\w\\a.exe"},
        {"from the process status services", 42, "a.exe", "", "C:\\x\\a.exe", {"C:\\x\\a.exe"}, "a.exe",
         "C:\\x\\a.exe"},
        {"by name in the Windows folders", 42, "a.exe", "", "", {"C:\\WINDOWS\\system32\\a.exe"}, "a.exe",
         "C:\\WINDOWS\\system32\\a.exe"},
        // Listed as \u0141ukasz.exe: its look-alike spelling must not be searched.
        {"a name without exact spelling", 42, "", "", "", {"C:\\WINDOWS\\system32\\Lukasz.exe"}, "", ""},
        {"the idle process", 0, "", "", "", {}, "[System Idle Process]", ""},
        {"the system process", 4, "", "", "", {}, "System", ""},
    };
    for (const auto& c : cases) {
        TReusedIdSource source;
        source.moduleImage = c.moduleImage;
        source.mainModule = c.mainModule;
        const TProcessInfo info = BuildProcessRecord(c.pid, c.exeName, source, TFakePaths(c.files));
        EXPECT_EQ(info.Name, c.name) << c.what;
        EXPECT_EQ(info.ImagePath, c.imagePath) << c.what;
    }
}

} // namespace
