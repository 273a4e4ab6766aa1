// Every byte the children write reaches the launcher's log and console, also when several
// children flood their output at the same time.

#include <signal.h>

#include <algorithm>

#include "e2e_support.h"

namespace station_test {
namespace {

bool OnlyOf(const std::string& text, const std::string& characters) {
    return !text.empty() && text.find_first_not_of(characters) == std::string::npos;
}

// Bytes of the records that hold nothing but flood output.
size_t FloodBytesInLog(const Station& station) {
    size_t bytes = 0;
    for (const LogRecord& record : ParseLogRecords(station.LogText()))
        if (OnlyOf(record.message, "x\n")) bytes += record.message.size();
    return bytes;
}

TEST(OutputCapture, EveryByteOfSeveralFloodingChildrenReachesLogAndConsole) {
    const int children = 4;
    const size_t perChild = 400000;  // lines of 100 bytes
    Station station;
    station.WriteMinimalStation();
    const std::string child = station.AddChildProgram("f");
    station.WriteConfigPy(1, children,
                          {
                              {"Flood", "", "$(ProjectDir)/bin", child,
                               "flood " + std::to_string(perChild) + " 100 slot", 0},
                              {"Bytes", "", "$(ProjectDir)/bin", child, "write-bytes 5000", 0},
                          });
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process Bytes successful."));

    const size_t expected = children * perChild;
    for (int i = 0; i < 3000 && FloodBytesInLog(station) < expected; ++i) usleep(5000);
    EXPECT_EQ(expected, FloodBytesInLog(station));

    std::string letters;
    for (const LogRecord& record : ParseLogRecords(station.LogText()))
        if (OnlyOf(record.message, "abcdefghijklmnopqrstuvwxyz")) letters += record.message;
    std::string written(5000, ' ');
    for (size_t i = 0; i < written.size(); ++i) written[i] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(written, letters);

    // On the console each chunk is one line: the flood's bytes are all there (and the x's
    // of the letters).
    const std::string output = station.Output();
    const size_t lettersX = static_cast<size_t>(std::count(written.begin(), written.end(), 'x'));
    EXPECT_EQ(children * perChild / 100 * 99 + lettersX,
              static_cast<size_t>(std::count(output.begin(), output.end(), 'x')));

    station.Signal(SIGINT);
    EXPECT_EQ(0, station.WaitForExit().exitCode);
}

}  // namespace
}  // namespace station_test
