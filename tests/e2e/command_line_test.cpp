// The command line a station is started with: a typo must stop the start with the one line that
// is wrong, never run on without what it asked for; a long duration must work.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>

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

// The simulator's command line answers as the program's does: --help on standard output, each
// scenario named once; a mistake in one line with a pointer to --help, and nothing started.
TEST(SimulatorCommandLine, HelpNamesEachScenarioOnceAndAMistakeIsOneLine) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const auto runSim = [&](std::vector<std::string> args) {
        args.insert(args.begin(), (binDir() / "fathomsim").string());
        Child sim(args, dir / "sim.out", dir / "sim.err");
        EXPECT_TRUE(sim.wait(10)) << args.back();
        return Finished{sim.exitCode(), sim.out(), sim.err()};
    };
    const Finished help = runSim({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.err, "");
    const std::size_t from = help.out.find("one of:");
    ASSERT_NE(from, std::string::npos) << help.out;
    std::istringstream line(help.out.substr(from + 7, help.out.find('\n', from) - from - 7));
    std::vector<std::string> names{std::istream_iterator<std::string>(line), {}};
    EXPECT_GE(names.size(), 8u);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << help.out;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--bogus"},
                                               {"--type", "12"},
                                               {"--type"},
                                               {"--seed", "1x"},
                                               {"--clock-drift", "fast"},
                                               {"--scenario", "nowhere"},
                                               {"--variant", "nope"}}) {
        const Finished r = runSim(args);
        EXPECT_EQ(r.code, 2) << args.front();
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        EXPECT_NE(r.err.find(args.back()), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("fathomsim --help"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
}  // namespace e2e
