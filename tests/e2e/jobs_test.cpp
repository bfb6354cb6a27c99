// Headless jobs (--show-config, --upload-file) are runs that must end: done and exit 0, or
// exit non-zero saying what was not done, whatever happens to the unit, the port or the run.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/processes.h"

namespace e2e {
namespace {

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::string lastLine(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == '\n') t.pop_back();
    return t.substr(t.rfind('\n') + 1);
}

TEST(HeadlessJobs, AnInterruptedUploadExitsNonZeroAndSaysWhatIsMissing) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    // The card loses block 100 of file 3 (a little over 1,000,000 bytes): the upload stands
    // still after 51,200 bytes for the seconds the program waits for a block, and is stopped
    // there.
    Simulator sim(dir, "logger", {"--scenario", "logger", "--drop-block", "100"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    Child host(hostArgs({"--unit-type", "8", "--port", sim.path(), "--upload-file", "3", "--to",
                         dir / "day3.DAT"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(waitFor([&] { return host.out().find("upload file 3: 51200 of") != std::string::npos; }, 60))
        << host.out() << host.err();
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(10));
    EXPECT_EQ(host.exitCode(), 1) << host.err();
    const std::string err = host.err();
    EXPECT_NE(err.find("interrupted uploading file 3"), std::string::npos) << err;
    EXPECT_EQ(count(err, "INCOMPLETE"), 1u) << err;
    EXPECT_NE(err.find("not uploaded to " + dir / "day3.DAT" + " (INCOMPLETE: 51200 of 1000300 bytes)"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find("complete:"), std::string::npos) << err;
    // The stop is the last word, after every progress line.
    EXPECT_NE(lastLine(host.out()).find("stopped"), std::string::npos) << host.out();
}

TEST(HeadlessJobs, AnInterruptedShowConfigExitsNonZeroAndSaysSo) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    // Unit 200 is not in the network: the run waits for it to report.
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--show-config", "200"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(waitFor([&] { return host.out().find("port A") != std::string::npos; }, 10));
    host.signal(SIGINT);
    ASSERT_TRUE(host.wait(5));
    EXPECT_EQ(host.exitCode(), 1);
    EXPECT_NE(host.err().find("interrupted waiting for unit 200 to report: the settings of unit "
                              "200 not shown"),
              std::string::npos)
        << host.err();
}

// A logger that stops answering (the simulator frozen) after the upload was asked for: the
// run ends at its time limit, naming the step it waited on.
TEST(HeadlessJobs, ASilentLoggerEndsTheRunAtItsTimeLimitNamingTheStep) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "logger", {"--scenario", "logger"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    Child host(hostArgs({"--unit-type", "8", "--port", sim.path(), "--upload-file", "2", "--to",
                         dir / "day2.DAT", "--time-limit", "20"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(waitFor([&] { return host.out().find("reading the data logger") !=
                                     std::string::npos; },
                        15))
        << host.out() << host.err();
    sim.child().signal(SIGSTOP);
    ASSERT_TRUE(host.wait(30)) << "the run did not end at its time limit";
    sim.child().signal(SIGCONT);
    EXPECT_EQ(host.exitCode(), 1);
    EXPECT_NE(host.err().find("(the job's time limit) "), std::string::npos) << host.err();
    EXPECT_NE(host.err().find("file 2 not uploaded to " + dir / "day2.DAT"), std::string::npos)
        << host.err();
}

// The instrument vanishes while its settings are read: the wait ends at once, not after the
// 120 s a step may take.
TEST(HeadlessJobs, APortThatVanishesEndsTheWaitAtOnce) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    for (const auto& [type, scenario] : {std::pair{"3", "staff3"}, std::pair{"0", "radio"}}) {
        Simulator sim(dir, std::string("unit") + type, {"--scenario", scenario});
        ASSERT_FALSE(sim.path().empty()) << sim.child().err();
        Child host(hostArgs({"--unit-type", type, "--port", sim.path(), "--show-config", "1"}),
                   dir / "host.out", dir / "host.err");
        ASSERT_TRUE(
            waitFor([&] { return host.out().find("port A") != std::string::npos; }, 10));
        ASSERT_TRUE(sim.pull());
        ASSERT_TRUE(host.wait(15)) << type << ": still waiting after its port went";
        EXPECT_EQ(host.exitCode(), 1) << type;
        EXPECT_NE(host.err().find(" lost "), std::string::npos) << type << host.err();
        EXPECT_NE(host.err().find("the settings of unit 1 not shown"), std::string::npos)
            << type << host.err();
    }
}

// A folder, or a file that is there already, as the upload's target: refused before any unit
// is talked to.
TEST(HeadlessJobs, AnUploadTargetIsCheckedBeforeAnyUnitIsAsked) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    { std::ofstream(dir / "there.DAT") << "yesterday"; }
    for (const std::string& to : {dir / "", dir / "there.DAT", dir / "nowhere/x.DAT"}) {
        Child host(hostArgs({"--unit-type", "8", "--port", dir / "ttyNONE", "--upload-file", "2",
                             "--to", to}),
                   dir / "host.out", dir / "host.err");
        ASSERT_TRUE(host.wait(5));
        EXPECT_EQ(host.exitCode(), 1);
        EXPECT_NE(host.err().find("cannot upload to " + to + ": "), std::string::npos)
            << host.err();
        // The port (which does not even exist) was never tried.
        EXPECT_EQ(host.err().find("ttyNONE"), std::string::npos) << host.err();
    }
    EXPECT_EQ(readFile(dir / "there.DAT"), "yesterday");
}

}  // namespace
}  // namespace e2e
