#include "tests/platform/child_process_test.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/console_output.h"
#include "tests/support/test_support.h"

using namespace test_support;

const std::string kChild = "\"" VX_TEST_CHILD "\"";

namespace {

std::mutex g_lock;  // guards the chunks that the reader threads hand on

const std::string& TempPath() {
    static const std::string path = std::filesystem::temp_directory_path().generic_string();
    return path;
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
    runner.SetWorkPath(TempPath());
    runner.SetOutputCallback(&Collect, &chunks);
    EXPECT_TRUE(runner.CreateProcess(command)) << command;
}

Chunks RunUntil(const std::string& command, const std::string& expected) {
    Chunks chunks;
    ExcuteProcess runner;
    Start(runner, chunks, command);
    Eventually([&] { return Joined(chunks) == expected; });
    runner.CloseProcess();
    ConsoleFlush(5000);  // nothing it printed may reach a later test's capture
    EXPECT_EQ(Joined(chunks), expected);
    return chunks;
}

TEST(ChildProcess, OutputArrivesWholeInChunksOfAtMost1023BytesCutAtAZeroByte) {
    std::string bytes(5000, ' ');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 26);
    Chunks chunks = RunUntil(kChild + " write-bytes 5000", bytes);
    for (const std::string& chunk : chunks) EXPECT_LE(chunk.size(), 1023u);
    EXPECT_EQ(RunUntil(kChild + " zero-byte", "before"), Chunks{"before"});
    // Quotes group, backslashes stay as they are unless a quote follows.
    RunUntil(kChild + " echo \"two  words\" $HOME 'x' a\\b \\\"q\\\"",
             "two  words $HOME 'x' a\\b \"q\"\n");
}

TEST(ChildProcess, AnUnquotedProgramPathWithBlanksNamesTheProgramAsWindowsReadsIt) {
    TempDir dir;
    const std::string program = dir.path + "/with blank/vx child" +
                                std::filesystem::path(VX_TEST_CHILD).extension().string();
    std::filesystem::create_directories(dir.path + "/with blank");
    std::filesystem::copy_file(VX_TEST_CHILD, program);
    RunUntil(program + " echo hi", "hi\n");
}

TEST(ChildProcess, StartThatCannotSucceedFailsWithItsMessageAndCloseThenOnlyPrints) {
    TempDir dir;
    const Usage before = CurrentUsage();
    const std::pair<std::string, std::string> cases[] = {{dir.path, "/nonexistent/program arg"},
                                                         {"/nonexistent", kChild + " exit 0"},
                                                         {dir.path, "vx_no_such_program_on_path"},
                                                         {dir.path, ""}};
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
    EXPECT_EQ(CurrentUsage().handles, before.handles);
}

TEST(ChildProcess, ChildThatEndsByItselfIsReportedAndCollectedAtOnceWithoutCallback) {
    TempDir dir;
    ConsoleWrite("\n", 1);  // the console's own writer thread belongs to the baseline
    ConsoleFlush(5000);
    const int threads = CurrentUsage().threads;
    const std::pair<std::string, std::string> cases[] = {{" zero-byte", "before"}, {" exit 3", ""}};
    for (const auto& [arguments, said] : cases) {
        StdoutCapture printed;
        ExcuteProcess runner;
        runner.SetName("Z");
        runner.SetWorkPath(dir.path);
        EXPECT_TRUE(runner.CreateProcess(kChild + arguments));
        const int pid = runner.GetPid();
        // The reader reports the end, then ends itself once the pipe is closed: all without
        // CloseProcess, and the child is collected by then.
        EXPECT_TRUE(Eventually([&] { return CurrentUsage().threads == threads; }));
        EXPECT_TRUE(IsCollected(pid));
        runner.CloseProcess();
        // Reported once, behind what it wrote; the close adds no report.
        EXPECT_EQ(printed.Take(), "CreateProcess success. workpath=" + dir.path +
                                      ", cmd=" + kChild + arguments + "\n" + said +
                                      "Process Z (pid " + std::to_string(pid) +
                                      ") ended with status " + (said.empty() ? "3" : "0") +
                                      " after 00:00:00.\nCloseProcess success.\n");
    }
}

TEST(ChildProcess, CloseProcessKillsChildAndGrandchildAndLeavesNoThreadOrHandle) {
    ConsoleWrite("\n", 1);  // the console's own writer thread belongs to the baseline
    const Usage before = CurrentUsage();
    {
        // Half ignore termination, half have a child of their own. While they run another
        // child starts: none of their pipes, nor a handle of this process, may reach it.
        Chunks outputs[8];
        ExcuteProcess runners[8];
        for (int i = 0; i < 8; ++i) {
            Start(runners[i], outputs[i], kChild + (i % 2 ? " ignore-term" : " grandchild"));
            ASSERT_TRUE(Eventually([&] { return !Joined(outputs[i]).empty(); }));
        }
        ExpectOnlyThePipeInherited();
        EXPECT_GE(CurrentUsage().threads, before.threads + 8);  // their readers still wait
        for (int i = 0; i < 8; ++i) {
            const int pid = runners[i].GetPid();
            const std::string said = Joined(outputs[i]);  // "ready\n" or "grandchild PID\n"
            EXPECT_TRUE(said == "ready\n" || said.rfind("grandchild ", 0) == 0) << said;
            runners[i].CloseProcess();
            EXPECT_TRUE(Eventually([&] { return IsGone(pid); })) << "child left behind";
            // A grandchild is reparented and reaped by init or a subreaper: give it a moment.
            if (i % 2 == 0) {
                const int grandchild = atoi(said.c_str() + said.find(' ') + 1);
                EXPECT_TRUE(Eventually([&] { return HasEnded(grandchild); })) << grandchild;
            }
        }
    }
    // The system may list an ended thread for a moment after it was joined.
    EXPECT_TRUE(Eventually([&] { return CurrentUsage().threads == before.threads; }));
    EXPECT_EQ(CurrentUsage().handles, before.handles);
}

// What a child started lives on its own once the child has ended, until CloseProcess.
TEST(ChildProcess, CloseProcessEndsWhatAnEndedChildLeftRunning) {
    Chunks output;
    ExcuteProcess runner;
    Start(runner, output, kChild + " grandchild leave");
    ASSERT_TRUE(Eventually([&] { return !Joined(output).empty(); }));
    const int pid = runner.GetPid(), grandchild = atoi(Joined(output).c_str() + 11);
    ASSERT_TRUE(Eventually([&] { return HasEnded(pid); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(HasEnded(grandchild));
    // The child's id stays reserved (unreaped), so that it cannot pass to an unrelated process
    // before CloseProcess ends what the child left.
    EXPECT_FALSE(IsGone(pid));
    runner.CloseProcess();
    EXPECT_TRUE(Eventually([&] { return IsGone(pid); }));
    EXPECT_TRUE(Eventually([&] { return HasEnded(grandchild); }));
}

TEST(ChildProcess, CloseProcessWaitsForTheCallbackInProgressAndNoneFollows) {
    ExcuteProcess runner;
    runner.SetWorkPath(TempPath());
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
    // The child writes three lines and ends while the reader is still held in the callback
    // of the first chunk: the rest sits in the pipe when the close begins.
    Chunks chunks;
    ExcuteProcess runner;
    runner.SetWorkPath(TempPath());
    runner.SetOutputCallback(&HeldHandler, &chunks);
    ASSERT_TRUE(runner.CreateProcess(kChild + " flood 3000 1000"));
    const int pid = runner.GetPid();
    ASSERT_TRUE(Eventually([&] { return !Joined(chunks).empty() && HasEnded(pid); }));
    std::thread closer([&] { runner.CloseProcess(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    g_release = true;
    closer.join();
    const std::string line = std::string(999, 'x') + "\n";
    EXPECT_EQ(Joined(chunks), line + line + line);
}
