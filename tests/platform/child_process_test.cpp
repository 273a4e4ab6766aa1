#include "platform/child_process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "test_support.h"

using test_support::CountOpenDescriptors;
using test_support::CountThreads;
using test_support::ProcessExists;
using test_support::TempDir;
using test_support::WaitFor;

namespace {

const std::string kChild = VX_TEST_CHILD;

// Collects the chunks the runner hands on, from its reader thread.
struct Collector {
    std::mutex lock;
    std::vector<std::string> chunks;

    static void OnOutput(ExcuteProcess*, const std::string& chunk, void* context) {
        Collector* self = static_cast<Collector*>(context);
        std::lock_guard<std::mutex> guard(self->lock);
        self->chunks.push_back(chunk);
    }
    std::string All() {
        std::lock_guard<std::mutex> guard(lock);
        std::string all;
        for (const std::string& chunk : chunks) all += chunk;
        return all;
    }
    std::vector<std::string> Chunks() {
        std::lock_guard<std::mutex> guard(lock);
        return chunks;
    }
};

// Starts the helper with `arguments` and collects its output into `collector`.
bool Start(ExcuteProcess& runner, Collector& collector, const std::string& arguments,
           const std::string& workPath = "/tmp") {
    runner.SetName("child");
    runner.SetWorkPath(workPath);
    runner.SetOutputCallback(&Collector::OnOutput, &collector);
    return runner.CreateProcess(kChild + " " + arguments);
}

// True when process `pid` has been reaped (it no longer exists, not even as a zombie).
bool Gone(int pid) {
    return !ProcessExists(pid);
}

}  // namespace

TEST(ChildProcess, LargeWriteArrivesWholeInChunksOfAtMost1023Bytes) {
    ExcuteProcess runner;
    Collector collector;
    ASSERT_TRUE(Start(runner, collector, "write-bytes 5000"));
    ASSERT_TRUE(WaitFor([&] { return collector.All().size() >= 5000; }));
    runner.CloseProcess();

    std::string all = collector.All();
    ASSERT_EQ(all.size(), 5000u);
    for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], 'a' + i % 26) << "at " << i;
    std::vector<std::string> chunks = collector.Chunks();
    EXPECT_GE(chunks.size(), 5u);
    for (const std::string& chunk : chunks) EXPECT_LE(chunk.size(), 1023u);
}

TEST(ChildProcess, ChunkIsCutAtZeroByte) {
    ExcuteProcess runner;
    Collector collector;
    ASSERT_TRUE(Start(runner, collector, "zero-byte"));
    ASSERT_TRUE(WaitFor([&] { return !collector.Chunks().empty(); }));
    runner.CloseProcess();
    std::vector<std::string> chunks = collector.Chunks();
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], "before");
}

TEST(ChildProcess, StandardErrorAndOutputArriveInWriteOrder) {
    ExcuteProcess runner;
    Collector collector;
    ASSERT_TRUE(Start(runner, collector, "stderr-stdout"));
    ASSERT_TRUE(WaitFor([&] { return collector.All().find("err4\n") != std::string::npos; }));
    runner.CloseProcess();
    EXPECT_EQ(collector.All(), "out0\nerr0\nout1\nerr1\nout2\nerr2\nout3\nerr3\nout4\nerr4\n");
}

TEST(ChildProcess, ArgumentsAreSplitWithoutShellAndQuotesGroup) {
    ExcuteProcess runner;
    Collector collector;
    ASSERT_TRUE(Start(runner, collector, "echo \"two  words\" $HOME 'x'"));
    ASSERT_TRUE(WaitFor([&] { return collector.All().find('\n') != std::string::npos; }));
    runner.CloseProcess();
    EXPECT_EQ(collector.All(), "two  words $HOME 'x'\n");
}

TEST(ChildProcess, ChildRunsInTheWorkPathAndLauncherDirectoryStays) {
    TempDir dir;
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof(before)), nullptr);
    ExcuteProcess runner;
    Collector collector;
    ASSERT_TRUE(Start(runner, collector, "pwd", dir.Path()));
    ASSERT_TRUE(WaitFor([&] { return collector.All().find('\n') != std::string::npos; }));
    runner.CloseProcess();
    EXPECT_EQ(collector.All(), dir.Path() + "\n");
    char after[4096];
    ASSERT_NE(getcwd(after, sizeof(after)), nullptr);
    EXPECT_STREQ(before, after);
}

TEST(ChildProcess, ProgramIsFoundOnPath) {
    ExcuteProcess runner;
    Collector collector;
    runner.SetWorkPath("/tmp");
    runner.SetOutputCallback(&Collector::OnOutput, &collector);
    ASSERT_TRUE(runner.CreateProcess("sh -c \"echo from-path\""));
    ASSERT_TRUE(WaitFor([&] { return collector.All() == "from-path\n"; }));
    runner.CloseProcess();
}

TEST(ChildProcess, ChildStartsWithNoSignalBlockedOrIgnored) {
    // The launcher blocks its console signals and an embedded interpreter ignores SIGPIPE;
    // neither may reach a child.
    sigset_t blocked, old;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    pthread_sigmask(SIG_BLOCK, &blocked, &old);
    struct sigaction ignore = {}, previous;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);

    ExcuteProcess runner;
    Collector collector;
    bool started = Start(runner, collector, "signals");
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    sigaction(SIGPIPE, &previous, nullptr);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WaitFor([&] { return collector.All().find('\n') != std::string::npos; }));
    runner.CloseProcess();
    EXPECT_EQ(collector.All(), "blocked 0 ignored 0\n");
}

TEST(ChildProcess, MissingProgramOrWorkPathFailsTheStart) {
    TempDir dir;
    const int descriptors = CountOpenDescriptors();
    {
        ExcuteProcess runner;
        runner.SetWorkPath(dir.Path());
        testing::internal::CaptureStdout();
        EXPECT_FALSE(runner.CreateProcess("/nonexistent/program arg"));
        EXPECT_EQ(
            testing::internal::GetCapturedStdout(),
            "CreateProcess failed. workpath=" + dir.Path() + ", cmd=/nonexistent/program arg\n");
        EXPECT_EQ(runner.GetPid(), -1);
    }
    {
        ExcuteProcess runner;
        runner.SetWorkPath(dir.Path() + "/missing");
        testing::internal::CaptureStdout();
        EXPECT_FALSE(runner.CreateProcess(kChild + " exit 0"));
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "CreateProcess failed. workpath=" + dir.Path() + "/missing, cmd=" + kChild +
                      " exit 0\n");
    }
    {
        ExcuteProcess runner;
        runner.SetWorkPath(dir.Path());
        EXPECT_FALSE(runner.CreateProcess("vx_no_such_program_on_path"));
        EXPECT_FALSE(runner.CreateProcess(""));
    }
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
}

TEST(ChildProcess, CloseProcessOnRunnerNeverStartedOnlyPrints) {
    ExcuteProcess runner;
    testing::internal::CaptureStdout();
    runner.CloseProcess();
    runner.CloseProcess();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "CloseProcess success.\nCloseProcess success.\n");
}

TEST(ChildProcess, WithoutCallbackOutputIsPrintedUnchanged) {
    ExcuteProcess runner;
    runner.SetWorkPath("/tmp");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(runner.CreateProcess(kChild + " zero-byte"));
    int pid = runner.GetPid();
    WaitFor([&] { return Gone(pid); });
    runner.CloseProcess();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("\nbeforeCloseProcess success.\n"), std::string::npos) << printed;
}

TEST(ChildProcess, ChildThatEndsByItselfIsReapedAtOnce) {
    ExcuteProcess runner;
    Collector collector;
    ASSERT_TRUE(Start(runner, collector, "exit 3"));
    int pid = runner.GetPid();
    ASSERT_GT(pid, 0);
    // No zombie stays until CloseProcess.
    EXPECT_TRUE(WaitFor([&] { return Gone(pid); }));
    testing::internal::CaptureStdout();
    runner.CloseProcess();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "CloseProcess success.\n");
}

TEST(ChildProcess, CloseProcessKillsChildIgnoringTermAndItsGrandchildren) {
    ExcuteProcess runner;
    Collector collector;
    ASSERT_TRUE(Start(runner, collector, "spawn-grandchild"));
    ASSERT_TRUE(WaitFor([&] { return collector.All().find('\n') != std::string::npos; }));
    int grandchild = atoi(collector.All().substr(strlen("grandchild ")).c_str());
    ASSERT_GT(grandchild, 0);
    int pid = runner.GetPid();
    runner.CloseProcess();
    EXPECT_FALSE(ProcessExists(pid)) << "child left as a process or zombie";
    // The grandchild is reparented and reaped by init or a subreaper: give it a moment.
    EXPECT_TRUE(WaitFor([&] { return test_support::ProcessState(grandchild) != "S"; }));

    ExcuteProcess stubborn;
    Collector stubbornOutput;
    ASSERT_TRUE(Start(stubborn, stubbornOutput, "ignore-term"));
    ASSERT_TRUE(WaitFor([&] { return stubbornOutput.All() == "ready\n"; }));
    int stubbornPid = stubborn.GetPid();
    stubborn.CloseProcess();
    EXPECT_FALSE(ProcessExists(stubbornPid));
}

TEST(ChildProcess, NoThreadOrDescriptorLeaksAndNothingReachesTheNextChild) {
    const int descriptors = CountOpenDescriptors();
    const int threads = CountThreads();
    {
        // A first runner stays open while the second child starts: its pipe must not be
        // inherited.
        ExcuteProcess first;
        Collector firstOutput;
        ASSERT_TRUE(Start(first, firstOutput, "sleep 10000"));
        ExcuteProcess second;
        Collector secondOutput;
        ASSERT_TRUE(Start(second, secondOutput, "list-fds"));
        ASSERT_TRUE(WaitFor([&] { return secondOutput.All().find('\n') != std::string::npos; }));
        EXPECT_EQ(secondOutput.All(), "fds 0 1 2\n");
        EXPECT_GE(CountThreads(), threads + 1);  // the first reader still waits
        second.CloseProcess();
        first.CloseProcess();
    }
    EXPECT_EQ(CountThreads(), threads);
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
}

TEST(ChildProcess, CloseProcessWaitsForCallbackInProgress) {
    // A slow handler is inside the callback when CloseProcess comes: CloseProcess must
    // return only after the callback has finished, and no further chunk may follow.
    struct Slow {
        std::atomic<bool> inside{false};
        std::atomic<bool> finished{false};
        std::atomic<int> callsAfterClose{0};
        std::atomic<bool> closed{false};
        static void OnOutput(ExcuteProcess*, const std::string&, void* context) {
            Slow* self = static_cast<Slow*>(context);
            if (self->closed) ++self->callsAfterClose;
            self->inside = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            self->finished = true;
        }
    } slow;
    ExcuteProcess runner;
    runner.SetWorkPath("/tmp");
    runner.SetOutputCallback(&Slow::OnOutput, &slow);
    ASSERT_TRUE(runner.CreateProcess(kChild + " flood 100000000 1000"));
    ASSERT_TRUE(WaitFor([&] { return slow.inside.load(); }));
    runner.CloseProcess();
    slow.closed = true;
    EXPECT_TRUE(slow.finished);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(slow.callsAfterClose, 0);
}

TEST(ChildProcess, ManyRunnersStartAndCloseCleanly) {
    const int descriptors = CountOpenDescriptors();
    std::vector<std::unique_ptr<ExcuteProcess>> runners;
    std::vector<std::unique_ptr<Collector>> outputs;
    for (int i = 0; i < 16; ++i) {
        runners.emplace_back(new ExcuteProcess);
        outputs.emplace_back(new Collector);
        ASSERT_TRUE(Start(*runners.back(), *outputs.back(), "echo runner " + std::to_string(i)));
    }
    for (int i = 0; i < 16; ++i) {
        ASSERT_TRUE(
            WaitFor([&] { return outputs[i]->All() == "runner " + std::to_string(i) + "\n"; }));
    }
    for (auto& runner : runners) runner->CloseProcess();
    runners.clear();
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
}
