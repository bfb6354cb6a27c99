// What fathomhost --headless does when things go wrong: an instrument that vanishes mid-run,
// a port that cannot be opened, a recording file that cannot be written.
#include <gtest/gtest.h>

#include "e2e/expected_records.h"
#include "e2e/processes.h"

namespace e2e {
namespace {

// The simulator dies (SIGKILL: no goodbye on the line). The program says the port is lost,
// keeps every record whole, and still stops cleanly with status 0 on SIGTERM.
TEST(Failures, LostPortKeepsTheRecordingIntact) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", dir / "out.csv",
                         "--duration", "40"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(waitFor([&] { return splitRecords(readFile(dir / "out000.csv")).size() >= 10; }, 8))
        << host.err();

    ASSERT_TRUE(sim.pull());
    EXPECT_TRUE(waitFor([&] { return host.err().find("lost") != std::string::npos; }, 6))
        << "no lost port reported: " << host.err();
    EXPECT_NE(host.err().find(sim.path()), std::string::npos) << host.err();
    ASSERT_TRUE(host.running()) << "fathomhost gave up: " << host.err();

    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(5)) << "fathomhost did not stop on SIGTERM";
    EXPECT_EQ(host.exitCode(), 0) << host.err();
    EXPECT_NE(host.out().find("stopped"), std::string::npos);

    std::string rest;
    const std::vector<std::string> records = splitRecords(readFile(dir / "out000.csv"), &rest);
    EXPECT_TRUE(rest.empty()) << "torn record at the end: " << rest;
    EXPECT_GE(records.size(), 10u);
    for (const std::string& r : records) {
        EXPECT_EQ(kRadioRecordLengths.count(r.size() + 2), 1u) << r;
        EXPECT_EQ(r.find_first_of("\r\n"), std::string::npos) << r;
    }
}

TEST(Failures, PortThatCannotBeOpenedIsNamedAndFails) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string port = dir / "ttyNOWHERE";
    Child host(hostArgs({"--unit-type", "0", "--port", port, "--duration", "5"}), dir / "host.out",
               dir / "host.err");
    ASSERT_TRUE(host.wait(8));
    EXPECT_NE(host.exitCode(), 0);
    EXPECT_NE(host.err().find(port), std::string::npos) << host.err();
}

TEST(Failures, RecordingFileThatCannotBeWrittenIsNamedAndFails) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    const std::string file = dir / "no-such-dir/out.csv";
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", file,
                         "--duration", "5"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(host.wait(8));
    EXPECT_NE(host.exitCode(), 0);
    EXPECT_NE(host.err().find(dir / "no-such-dir/out"), std::string::npos) << host.err();
}

}  // namespace
}  // namespace e2e
