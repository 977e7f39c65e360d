// Ending the samples: gracefully, by force after the time-out, at once, and
// never the program itself, a missing process or a reused id.
#include <gtest/gtest.h>

#include "process/process_routines.h"
#include "process/process_snapshot.h"
#include "tests/process/sample_processes.h"

namespace {

constexpr std::int32_t kTimeoutMs = 1500;
// GetTickCount64 steps by the system's timer interval.
constexpr ULONGLONG kTickSlackMs = 50;

std::string Sample(const std::string& name) { return SampleFolder() + name; }

struct TTimedResult {
    unsigned result;
    ULONGLONG elapsed;
};

template <typename TCall>
TTimedResult Timed(TCall call)
{
    const ULONGLONG start = GetTickCount64();
    const unsigned result = call();
    return {result, GetTickCount64() - start};
}

TEST(CloseAndTerminateProcess, AWindowThatClosesOnRequestEndsByItself)
{
    TSampleProcess sample(Sample("purvane_window_sample.exe"));
    ASSERT_TRUE(sample.Started());
    EXPECT_EQ(CloseAndTerminateProcess(sample.Pid(), 10000), TERMINATION_CLOSED);
    ASSERT_TRUE(sample.WaitForExit(5000));
    EXPECT_EQ(sample.ExitCode(), SAMPLE_EXIT_CLOSED);
}

TEST(CloseAndTerminateProcess, ProcessesThatDoNotCloseAreForcedAfterTheTimeOut)
{
    for (const char* name : {"purvane_hidden_sample.exe", "purvane_stubborn_sample.exe"}) {
        TSampleProcess sample(Sample(name));
        ASSERT_TRUE(sample.Started()) << name;
        const TTimedResult ended = Timed([&] { return CloseAndTerminateProcess(sample.Pid(), kTimeoutMs); });
        EXPECT_EQ(ended.result, TERMINATION_FORCED) << name;
        EXPECT_GE(ended.elapsed + kTickSlackMs, static_cast<ULONGLONG>(kTimeoutMs)) << name;
        ASSERT_TRUE(sample.WaitForExit(5000)) << name;
        EXPECT_EQ(sample.ExitCode(), 0u) << name;
    }
}

TEST(CloseAndTerminateProcess, TheStubbornWindowIsAskedToCloseFirst)
{
    TSampleProcess sample(Sample("purvane_stubborn_sample.exe"));
    ASSERT_TRUE(sample.Started());
    // Time enough for the window to take the message before the force.
    EXPECT_EQ(CloseAndTerminateProcess(sample.Pid(), 3000), TERMINATION_FORCED);
    EXPECT_TRUE(sample.CloseSeen());
}

TEST(CloseAndTerminateProcess, ANegativeTimeOutForcesAtOnceWithoutAsking)
{
    TSampleProcess sample(Sample("purvane_window_sample.exe"));
    ASSERT_TRUE(sample.Started());
    const TTimedResult ended = Timed([&] { return CloseAndTerminateProcess(sample.Pid(), -1); });
    EXPECT_EQ(ended.result, TERMINATION_FORCED);
    EXPECT_LT(ended.elapsed, static_cast<ULONGLONG>(kTimeoutMs));
    ASSERT_TRUE(sample.WaitForExit(5000));
    EXPECT_EQ(sample.ExitCode(), 0u);  // terminated, not closed
}

TEST(CloseAndTerminateProcess, ATimeOutOfZeroStillForces)
{
    TSampleProcess sample(Sample("purvane_hidden_sample.exe"));
    ASSERT_TRUE(sample.Started());
    EXPECT_EQ(CloseAndTerminateProcess(sample.Pid(), 0), TERMINATION_FORCED);
    EXPECT_TRUE(sample.WaitForExit(5000));
}

TEST(CloseAndTerminateProcess, TheProgramItselfIdZeroAndAMissingIdGiveZero)
{
    // A window of the program's own, which must receive no WM_CLOSE.
    const TWindowHandle window(CreateWindowA("STATIC", "own", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                             GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(window);
    const struct {
        const char* what;
        std::uint32_t pid;
    } cases[] = {{"own id", GetCurrentProcessId()}, {"id 0", 0}, {"missing id", 0xFFFFFFFCu}};
    for (const auto& c : cases) {
        EXPECT_EQ(CloseAndTerminateProcess(c.pid, kTimeoutMs), TERMINATION_NOTHING_DONE) << c.what;
        EXPECT_EQ(CloseAndTerminateProcess(c.pid, -1), TERMINATION_NOTHING_DONE) << c.what;
    }
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, window.Get(), WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

// The creation time that a snapshot saw for pid; 0 when it lists no such id.
std::uint64_t SnapshotCreateTime(std::uint32_t pid)
{
    TProcessSnapshot snapshot;
    snapshot.Refresh();
    for (int i = 0; i < snapshot.ProcessCount(); ++i)
        if (snapshot.GetProcessInfo(i).PID == pid) return snapshot.GetProcessInfo(i).CreateTime;
    return 0;
}

TEST(CloseAndTerminateProcess, TheCreationTimeFormEndsTheProcessTheSnapshotSaw)
{
    TSampleProcess sample(Sample("purvane_window_sample.exe"));
    ASSERT_TRUE(sample.Started());
    const std::uint64_t seen = SnapshotCreateTime(sample.Pid());
    ASSERT_NE(seen, 0u);
    EXPECT_EQ(CloseAndTerminateProcess(sample.Pid(), seen, 10000), TERMINATION_CLOSED);
    EXPECT_TRUE(sample.WaitForExit(5000));
}

// The id of a process that ended since the refresh may belong to another
// process by now, one created at another time. Ids do not come back soon
// under Wine, so the other process is the snapshot's own with its record's
// time changed: neither it nor its windows may be touched.
TEST(CloseAndTerminateProcess, AProcessCreatedAtAnotherTimeOrAnUnreadOneIsLeftAlone)
{
    TSampleProcess sample(Sample("purvane_stubborn_sample.exe"));
    ASSERT_TRUE(sample.Started());
    const std::uint64_t seen = SnapshotCreateTime(sample.Pid());
    ASSERT_NE(seen, 0u);
    for (const std::uint64_t other : {seen + 1, seen - 1, std::uint64_t{0}}) {
        EXPECT_EQ(CloseAndTerminateProcess(sample.Pid(), other, 0), TERMINATION_NOTHING_DONE);
        EXPECT_EQ(CloseAndTerminateProcess(sample.Pid(), other, -1), TERMINATION_NOTHING_DONE);
    }
    Sleep(500);  // a posted WM_CLOSE would have been taken by now
    EXPECT_TRUE(sample.IsRunning());
    EXPECT_FALSE(sample.CloseSeen());
    EXPECT_EQ(CloseAndTerminateProcess(sample.Pid(), seen, -1), TERMINATION_FORCED);
}

}  // namespace
