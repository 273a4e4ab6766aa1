#include "platform/child_process.h"
#include "platform/console_output.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/test_support.h"

using namespace test_support;
using Chunks = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

const std::string kChild = VX_TEST_CHILD;
const std::string kZeroByte = "printf before\\0after";  // "before", a zero byte, "after"

// How many threads and open descriptors this process has (less the one reading the directory).
struct Usage {
    static int Count(const char* dir) {
        return int(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
    int threads = Count("/proc/self/task"), descriptors = Count("/proc/self/fd") - 1;
};

std::mutex g_lock;  // guards the chunks that the reader threads hand on

void Collect(ExcuteProcess*, const std::string& chunk, void* chunks) {
    std::lock_guard<std::mutex> guard(g_lock);
    static_cast<Chunks*>(chunks)->push_back(chunk);
}

std::string Joined(const Chunks& chunks) {
    std::lock_guard<std::mutex> guard(g_lock);
    std::string all;
    for (const std::string& chunk : chunks) all += chunk;
    return all;
}

void Start(ExcuteProcess& runner, Chunks& chunks, const std::string& command) {
    runner.SetWorkPath("/");
    runner.SetOutputCallback(&Collect, &chunks);
    EXPECT_TRUE(runner.CreateProcess(command)) << command;
}

// Runs `command` until its output is `expected`; nothing more may come once it is closed.
Chunks RunUntil(const std::string& command, const std::string& expected) {
    Chunks chunks;
    ExcuteProcess runner;
    Start(runner, chunks, command);
    Eventually([&] { return Joined(chunks) == expected; });
    runner.CloseProcess();
    EXPECT_EQ(Joined(chunks), expected);
    return chunks;
}

std::atomic<int> g_entered{0}, g_returned{0};
void SlowHandler(ExcuteProcess*, const std::string&, void*) {
    if (++g_entered == 1) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ++g_returned;
}

// Holds the reader inside the callback of the first chunk until the test lets it go.
std::atomic<bool> g_release{false};
void HeldHandler(ExcuteProcess* runner, const std::string& chunk, void* chunks) {
    Collect(runner, chunk, chunks);
    while (!g_release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace

TEST(ChildProcess, OutputArrivesWholeInChunksOfAtMost1023BytesCutAtAZeroByte) {
    std::string bytes(5000, ' ');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 26);
    Chunks chunks = RunUntil(kChild + " write-bytes 5000", bytes);
    for (const std::string& chunk : chunks) EXPECT_LE(chunk.size(), 1023u);
    EXPECT_EQ(RunUntil(kZeroByte, "before"), Chunks{"before"});
}

TEST(ChildProcess, ChildGetsItsArgumentsDirectoryAndCleanSignalsWithoutAShell) {
    // Standard error comes in write order with standard output. The launcher blocks its
    // console signals and an embedded interpreter ignores SIGPIPE: neither reaches a child.
    char before[4096], after[4096];
    ASSERT_NE(getcwd(before, sizeof(before)), nullptr);
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    auto previousPipe = signal(SIGPIPE, SIG_IGN);
    const std::pair<std::string, std::string> cases[] = {
        {kChild + " echo \"two  words\" $HOME 'x'", "two  words $HOME 'x'\n"},
        {"sh -c \"echo out; echo err >&2; pwd -P\"", "out\nerr\n/\n"},  // sh found on PATH
        {kChild + " signals", "blocked 0 ignored 0\n"}};
    for (const auto& c : cases) RunUntil(c.first, c.second);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    signal(SIGPIPE, previousPipe);
    EXPECT_STREQ(getcwd(after, sizeof(after)), before);  // the launcher's own stays
}

TEST(ChildProcess, StartThatCannotSucceedFailsWithItsMessageAndCloseThenOnlyPrints) {
    const Usage before;
    const std::pair<std::string, std::string> cases[] = {{"/tmp", "/nonexistent/program arg"},
                                                         {"/nonexistent", kChild + " exit 0"},
                                                         {"/tmp", "vx_no_such_program_on_path"},
                                                         {"/tmp", ""}};
    for (const auto& c : cases) {
        ExcuteProcess runner;
        runner.SetWorkPath(c.first);
        StdoutCapture printed;
        EXPECT_FALSE(runner.CreateProcess(c.second));
        EXPECT_EQ(runner.GetPid(), -1);
        runner.CloseProcess();  // it never started a child: closing, also twice, only prints
        runner.CloseProcess();
        EXPECT_EQ(printed.Take(), "CreateProcess failed. workpath=" + c.first +
                                      ", cmd=" + c.second +
                                      "\nCloseProcess success.\nCloseProcess success.\n");
    }
    EXPECT_EQ(Usage().descriptors, before.descriptors);
}

TEST(ChildProcess, ChildThatEndsByItselfIsReapedAtOnceAndItsOutputPrintedWithoutCallback) {
    StdoutCapture printed;
    ExcuteProcess runner;
    runner.SetName("Z");
    runner.SetWorkPath("/tmp");
    EXPECT_TRUE(runner.CreateProcess(kZeroByte));
    const int pid = runner.GetPid();
    EXPECT_TRUE(Eventually([&] { return kill(pid, 0) != 0; }));  // not even a zombie is left
    runner.CloseProcess();
    // Its end is reported once, behind what it wrote; the close adds no report.
    EXPECT_EQ(printed.Take(), "CreateProcess success. workpath=/tmp, cmd=" + kZeroByte +
                                  "\nbeforeProcess Z (pid " + std::to_string(pid) +
                                  ") ended with status 0 after 00:00:00.\nCloseProcess success.\n");
}

TEST(ChildProcess, CloseProcessKillsChildAndGrandchildAndLeavesNoZombieThreadOrDescriptor) {
    ConsoleWrite("\n", 1);  // the console's own writer thread belongs to the baseline
    const Usage before;
    {
        // Half ignore SIGTERM, half have a child of their own. While they run another child
        // starts: none of their pipes may reach it.
        Chunks outputs[8];
        ExcuteProcess runners[8];
        for (int i = 0; i < 8; ++i) {
            Start(runners[i], outputs[i], kChild + (i % 2 ? " ignore-term" : " grandchild"));
            ASSERT_TRUE(Eventually([&] { return !Joined(outputs[i]).empty(); }));
        }
        RunUntil("ls /proc/self/fd", "0\n1\n2\n3\n");    // 3: the directory ls reads
        EXPECT_GE(Usage().threads, before.threads + 8);  // their readers still wait
        for (int i = 0; i < 8; ++i) {
            const int pid = runners[i].GetPid();
            const std::string said = Joined(outputs[i]);  // "ready\n" or "grandchild PID\n"
            EXPECT_TRUE(said == "ready\n" || said.rfind("grandchild ", 0) == 0) << said;
            runners[i].CloseProcess();
            EXPECT_NE(kill(pid, 0), 0) << "child left as a process or zombie";
            // A grandchild is reparented and reaped by init or a subreaper: give it a moment.
            const int grandchild = atoi(said.c_str() + said.find(' ') + 1);
            const std::string stat = "/proc/" + std::to_string(grandchild) + "/stat";
            EXPECT_TRUE(
                Eventually([&] { return ReadFile(stat).find(") S ") == std::string::npos; }));
        }
    }
    EXPECT_EQ(Usage().threads, before.threads);
    EXPECT_EQ(Usage().descriptors, before.descriptors);
}

// A child that ended while what it started still runs in its group stays unreaped, so that
// the group's id cannot pass to an unrelated group before CloseProcess ends that group.
TEST(ChildProcess, AnEndedChildKeepsItsGroupReservedUntilCloseEndsWhatItStarted) {
    Chunks output;
    ExcuteProcess runner;
    Start(runner, output, kChild + " grandchild leave");
    ASSERT_TRUE(Eventually([&] { return !Joined(output).empty(); }));
    const int pid = runner.GetPid(), grandchild = atoi(Joined(output).c_str() + 11);
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    ASSERT_TRUE(Eventually([&] { return ReadFile(stat).find(") Z ") != std::string::npos; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(ReadFile(stat).find(") Z "), std::string::npos) << "reaped while its group lives";
    runner.CloseProcess();
    EXPECT_NE(kill(pid, 0), 0);
    const std::string grandchildStat = "/proc/" + std::to_string(grandchild) + "/stat";
    EXPECT_TRUE(
        Eventually([&] { return ReadFile(grandchildStat).find(") S ") == std::string::npos; }));
}

TEST(ChildProcess, CloseProcessWaitsForTheCallbackInProgressAndNoneFollows) {
    ExcuteProcess runner;
    runner.SetWorkPath("/tmp");
    runner.SetOutputCallback(&SlowHandler, nullptr);
    ASSERT_TRUE(runner.CreateProcess(kChild + " flood 100000000 1000"));
    ASSERT_TRUE(Eventually([&] { return g_entered > 0; }));
    runner.CloseProcess();
    const int calls = g_entered;
    EXPECT_EQ(g_returned, calls);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(g_entered, calls);
}

TEST(ChildProcess, OutputWrittenBeforeCloseProcessIsStillHandedOn) {
    TempDir dir;
    const std::string marker = dir.path + "/written";
    Chunks chunks;
    ExcuteProcess runner;
    runner.SetWorkPath("/tmp");
    runner.SetOutputCallback(&HeldHandler, &chunks);
    ASSERT_TRUE(runner.CreateProcess("/bin/sh -c \"echo first; while [ ! -e " + dir.path +
                                     "/go ]; do sleep 0.01; done; echo last; touch " + marker +
                                     "; exec sleep 30\""));
    ASSERT_TRUE(Eventually([&] { return Joined(chunks) == "first\n"; }));
    WriteFile(dir / "go", "");
    // "last" sits in the pipe while the reader is still held in the first callback.
    ASSERT_TRUE(Eventually([&] { return access(marker.c_str(), F_OK) == 0; }));
    std::thread closer([&] { runner.CloseProcess(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    g_release = true;
    closer.join();
    EXPECT_EQ(Joined(chunks), "first\nlast\n");
}
