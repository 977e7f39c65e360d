// The process snapshot against running samples and the test program itself.
#include <gtest/gtest.h>

#include <iostream>
#include <set>

#include "common/code_page.h"
#include "process/process_routines.h"
#include "process/process_snapshot.h"
#include "tests/process/sample_processes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace {

std::string OwnExecutable()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

// The records of snapshot whose id is pid.
std::vector<TProcessInfo> RecordsOf(const TProcessSnapshot& snapshot, DWORD pid)
{
    std::vector<TProcessInfo> found;
    for (int i = 0; i < snapshot.ProcessCount(); ++i)
        if (snapshot.GetProcessInfo(i).PID == pid) found.push_back(snapshot.GetProcessInfo(i));
    return found;
}

bool HasModule(const TProcessInfo& info, const std::string& path)
{
    for (const TModuleInfo& module : info.Modules)
        if (PathKey(module.ModulePath) == PathKey(path)) return true;
    return false;
}

void ExpectEmpty(const TProcessInfo& info)
{
    EXPECT_EQ(info.PID, 0u);
    EXPECT_EQ(info.Name, "");
    EXPECT_EQ(info.ImagePath, "");
    EXPECT_EQ(info.CreateTime, 0u);
    EXPECT_TRUE(info.Modules.empty());
}

TEST(ProcessSnapshot, ListsNothingBeforeItsFirstRefresh)
{
    const TProcessSnapshot snapshot;
    EXPECT_EQ(snapshot.ProcessCount(), 0);
    EXPECT_TRUE(snapshot.DetectionRange() == TDetectionRange({dtProcesses, dtServices, dtDrivers}));
    ExpectEmpty(snapshot.GetProcessInfo(0));
}

TEST(ProcessSnapshot, ListsItsOwnProcessWithExecutableAndModules)
{
    TProcessSnapshot snapshot;
    snapshot.Refresh();
    const std::vector<TProcessInfo> own = RecordsOf(snapshot, GetCurrentProcessId());
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(PathKey(own[0].ImagePath), PathKey(OwnExecutable()));
    EXPECT_EQ(PathKey(own[0].Name), PathKey(OwnExecutable().substr(OwnExecutable().rfind('\\') + 1)));
    EXPECT_TRUE(HasModule(own[0], OwnExecutable()));
    char kernel32[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA("kernel32.dll"), kernel32, MAX_PATH), 0u);
    EXPECT_TRUE(HasModule(own[0], kernel32)) << kernel32;
    EXPECT_GT(own[0].CreateTime, 0u);
}

TEST(ProcessSnapshot, ListsRunningSamplesWithPathsModulesAndCreationTimes)
{
    const std::string folder = SampleFolder();
    const std::string library = folder + "purvane_sample_library.dll";
    TSampleProcess window(folder + "purvane_window_sample.exe");
    TSampleProcess hidden(folder + "purvane_hidden_sample.exe");
    TSampleProcess host(folder + "purvane_library_host.exe", "\"" + library + "\"");
    ASSERT_TRUE(window.Started() && hidden.Started() && host.Started());

    TProcessSnapshot snapshot;
    snapshot.SetDetectionRange({dtProcesses});
    snapshot.Refresh();
    for (const TSampleProcess* sample : {&window, &hidden, &host}) {
        const std::vector<TProcessInfo> found = RecordsOf(snapshot, sample->Pid());
        ASSERT_EQ(found.size(), 1u) << sample->Pid();
        EXPECT_EQ(found[0].CreateTime, sample->CreateTime());
        EXPECT_FALSE(found[0].Modules.empty());
    }
    EXPECT_EQ(PathKey(RecordsOf(snapshot, window.Pid())[0].ImagePath), PathKey(folder + "purvane_window_sample.exe"));
    EXPECT_EQ(PathKey(RecordsOf(snapshot, hidden.Pid())[0].ImagePath), PathKey(folder + "purvane_hidden_sample.exe"));
    const TProcessInfo hostInfo = RecordsOf(snapshot, host.Pid())[0];
    EXPECT_EQ(PathKey(hostInfo.ImagePath), PathKey(folder + "purvane_library_host.exe"));
    EXPECT_EQ(hostInfo.Name, "purvane_library_host.exe");
    EXPECT_TRUE(HasModule(hostInfo, library));
}

TEST(ProcessSnapshot, OutOfRangeIndexesGiveEmptyRecords)
{
    TProcessSnapshot snapshot;
    snapshot.Refresh();
    ASSERT_GT(snapshot.ProcessCount(), 1);
    ExpectEmpty(snapshot.GetProcessInfo(-1));
    ExpectEmpty(snapshot.GetProcessInfo(snapshot.ProcessCount()));
}

TEST(ProcessSnapshot, ASecondRefreshReplacesTheFirstList)
{
    TProcessSnapshot snapshot;
    snapshot.Refresh();
    const std::vector<TProcessInfo> own = RecordsOf(snapshot, GetCurrentProcessId());
    ASSERT_EQ(own.size(), 1u);
    const TProcessInfo kept = own[0];
    snapshot.Refresh();
    std::set<std::uint32_t> ids;
    for (int i = 0; i < snapshot.ProcessCount(); ++i) EXPECT_TRUE(ids.insert(snapshot.GetProcessInfo(i).PID).second);
    EXPECT_EQ(RecordsOf(snapshot, GetCurrentProcessId()).size(), 1u);

    snapshot.SetDetectionRange({dtServices, dtDrivers});
    snapshot.Refresh();
    EXPECT_EQ(snapshot.ProcessCount(), 0);
    // The copy taken before stays whole, whatever the snapshot became.
    EXPECT_EQ(kept.PID, GetCurrentProcessId());
    EXPECT_FALSE(kept.ImagePath.empty());
    EXPECT_FALSE(kept.Modules.empty());
    EXPECT_NE(kept.CreateTime, 0u);
}

// What a snapshot lists of the other architecture's samples: printed for the
// record; only the listing of the processes is stable enough to test.
TEST(ProcessSnapshot, ListsProcessesOfTheOtherArchitecture)
{
    const std::string folder = OtherArchitectureSampleFolder();
    if (folder.empty()) GTEST_SKIP() << "this machine runs no 32-bit code: no samples of the other architecture";
    const std::string library = folder + "purvane_sample_library.dll";
    TSampleProcess host(folder + "purvane_library_host.exe", "\"" + library + "\"");
    ASSERT_TRUE(host.Started());
    TProcessSnapshot snapshot;
    snapshot.Refresh();
    const std::vector<TProcessInfo> found = RecordsOf(snapshot, host.Pid());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].CreateTime, host.CreateTime());
    std::cout << "other architecture's host: ImagePath \"" << found[0].ImagePath << "\", " << found[0].Modules.size()
              << " modules, library listed: " << HasModule(found[0], library) << ", CreateTime matches: "
              << (found[0].CreateTime == host.CreateTime()) << "\n";
    for (const TModuleInfo& module : found[0].Modules) std::cout << "  " << module.ModulePath << "\n";
}

// The file identity of a path, to tell whether two spellings name one file.
std::uint64_t FileIndexOf(const std::wstring& path)
{
    const TFileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.Get(), &info)) return 0;
    return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

// An executable whose name the ANSI code page cannot spell would be listed
// with "?" and never open; it is listed by its short path instead.
TEST(ProcessSnapshot, AnExecutableTheCodePageCannotSpellIsListedByAPathThatOpens)
{
    TTempDir dir;
    const std::wstring unspellable = WidePath(dir.Path("")) + L"\u4E2D\u6587.exe";
    ASSERT_TRUE(CopyFileW(WidePath(SampleFolder() + "purvane_hidden_sample.exe").c_str(), unspellable.c_str(), FALSE));
    const std::string spelled = SpellablePath(unspellable);
    if (spelled.find('?') != std::string::npos) GTEST_SKIP() << "the volume keeps no short names";
    EXPECT_EQ(FileIndexOf(WidePath(spelled)), FileIndexOf(unspellable));
    EXPECT_EQ(SpellablePath(WidePath(dir.Path("plain.exe"))), dir.Path("plain.exe"));  // spellable: as it is

    TSampleProcess sample(spelled);
    ASSERT_TRUE(sample.Started());
    TProcessSnapshot snapshot;
    snapshot.Refresh();
    const std::vector<TProcessInfo> found = RecordsOf(snapshot, sample.Pid());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].ImagePath.find('?'), std::string::npos) << found[0].ImagePath;
    EXPECT_EQ(FileIndexOf(WidePath(found[0].ImagePath)), FileIndexOf(unspellable)) << found[0].ImagePath;
    sample.End();
}

}  // namespace
