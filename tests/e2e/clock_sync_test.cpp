// Auto time sync over a real serial path: the simulator's radio units start 2 s ahead of this
// computer's clock; after the cycle has passed them, the headless program has brought each to
// within 0.02 s of it (the simulator reports every sync it takes, with its error before and
// after), and the program has printed each sync it sent.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>

#include "processes.h"

namespace e2e {
namespace {

// Units two seconds ahead, or (clock-drift) up to a minute off either way and running up to
// 500 ppm fast or slow: every unit's first sync brings it into step.
struct ClockSync : ::testing::TestWithParam<Play> {};

TEST_P(ClockSync, RadioUnitsEndInStep) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const bool plain = GetParam().variant == "plain";
    std::vector<std::string> args{"--type", "0"};
    for (const std::string& a : GetParam().args()) args.push_back(a);
    if (plain) args.insert(args.end(), {"--clock-ahead", "2"});
    Simulator sim(dir, "radio", args);
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--auto-sync", "on",
                         "--duration", "18"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(host.wait(30)) << "fathomhost did not stop after --duration";
    ASSERT_EQ(host.exitCode(), 0) << host.err();
    ASSERT_TRUE(sim.stop());

    // Each unit's sync, as the simulator took it.
    const std::regex taken(R"(unit ([0-9A-F]{16}) clock sync: ([-+][0-9.]+) s ahead before, )"
                           R"(([-+][0-9.]+) s after)");
    std::set<std::string> synced;
    std::istringstream lines(sim.child().err());
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, taken)) continue;
        if (!synced.insert(m[1]).second) continue;  // the first sync of each unit
        if (plain) {
            EXPECT_NEAR(std::stod(m[2]), 2.0, 0.05) << line;
        }
        EXPECT_NEAR(std::stod(m[3]), 0.0, 0.02) << line;
    }
    EXPECT_EQ(synced.size(), 3u) << sim.child().err();

    // The operator's log names every sync it sent.
    const std::string out = host.out();
    EXPECT_NE(out.find("automatic time sync on"), std::string::npos) << out;
    for (const std::string& unit : synced) {
        EXPECT_NE(out.find("(" + unit + ") set to "), std::string::npos) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, ClockSync, ::testing::ValuesIn(plays({"plain", "clock-drift"}, 1)),
                         playName);

}  // namespace
}  // namespace e2e
