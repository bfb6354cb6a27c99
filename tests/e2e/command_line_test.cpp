// The command line a station is started with: a typo must stop the start with the one line that
// is wrong, never run on without what it asked for; a long duration must work.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/processes.h"

namespace e2e {
namespace {

// fathomhost with these arguments (no --headless added), run to its end.
struct Finished {
    int code = -1000;
    std::string out, err;
};
Finished runHost(const ScratchDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), (binDir() / "fathomhost").string());
    Child host(args, dir / "host.out", dir / "host.err");
    if (!host.wait(10)) return {};
    return {host.exitCode(), host.out(), host.err()};
}

TEST(StationCommandLine, AWrongArgumentIsRefusedWithItsOneLineAndAPointerToHelp) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string csv = dir / "o.csv";
    struct Case {
        std::vector<std::string> args;
        std::string named;  // what the error line must name
    };
    const std::vector<Case> cases{
        // One dash where two were meant: it used to be taken for a window-system option.
        {{"--headless", "--unit-type", "0", "--port", "SIM1", "-record", csv}, "-record"},
        // A stray word: "--duration 3 s".
        {{"--headless", "--unit-type", "0", "--port", "SIM1", "--duration", "3", "s"}, "\"s\""},
        {{"--headless", "--unit-type", "0", "--port", "SIM1", "--duration", "inf"}, "inf"},
        {{"--headless", "--unit-type", "0", "--port", "SIM1", "--port", "SIM2"}, "--port"},
        {{"--headless", "--unit-type", "0", "--port", "SIM1", "--to", csv}, "--to"},
        {{"--headless", "--unit-type", "3", "--port", "SIM2", "--capture", dir / "x"}, "--capture"},
        {{"--headless", "--unit-type", "0", "--port", "SIM1", "--screenshot", dir / "x.png"},
         "--screenshot"},
        {{"--frobnicate"}, "--frobnicate"},
    };
    for (const Case& c : cases) {
        const Finished r = runHost(dir, c.args);
        EXPECT_EQ(r.code, 2) << c.named << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        const std::string first = r.err.substr(0, r.err.find('\n'));
        EXPECT_NE(first.find(c.named), std::string::npos) << first;
        EXPECT_NE(r.err.find("fathomhost --help"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(dir / "o000.csv"));
}

// 30 days is 2,592,000,000 ms, more than a timer's interval holds: the run must go on, quietly,
// and stop at SIGTERM as any other.
TEST(StationCommandLine, AThirtyDayDurationRunsAndStopsCleanly) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", dir / "out.csv",
                         "--duration", "2592000"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(waitFor([&] { return fs::exists(dir / "out000.csv") &&
                                     fs::file_size(dir / "out000.csv") > 0; },
                        10))
        << host.err();
    EXPECT_TRUE(host.running());
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(5));
    EXPECT_EQ(host.exitCode(), 0) << host.err();
    EXPECT_EQ(host.err(), "");
}

}  // namespace
}  // namespace e2e
