// fathomsim on a pseudo-terminal and fathomhost --headless --show-config reading one unit's
// settings over it: every line must carry what the simulated unit holds.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>

#include "e2e/processes.h"

namespace e2e {
namespace {

// "name: value" lines of the host's standard output (timestamped log lines left out).
std::map<std::string, std::string> settings(const std::string& out, std::string* first) {
    std::map<std::string, std::string> m;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() > 4 && line[4] == '-' && std::isdigit(static_cast<unsigned char>(line[0])))
            continue;
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        if (m.empty() && first) *first = line.substr(0, colon);
        m[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return m;
}

std::map<std::string, std::string> readSettings(const std::string& simArg, const std::string& type,
                                                const std::string& device, std::string* first,
                                                const Play& play = {"plain"}) {
    ScratchDir dir;
    if (!dir.ok()) return {};
    std::vector<std::string> args{simArg == "logger" ? "--scenario" : "--type", simArg};
    for (const std::string& a : play.args()) args.push_back(a);
    Simulator sim(dir, "sim", args);
    if (sim.path().empty()) {
        ADD_FAILURE() << sim.child().err();
        return {};
    }
    Child host(hostArgs({"--unit-type", type, "--port", sim.path(), "--show-config", device}),
               dir / "host.out", dir / "host.err");
    EXPECT_TRUE(host.wait(90)) << "fathomhost did not finish the read-out";
    EXPECT_EQ(host.exitCode(), 0) << host.err();
    sim.stop();
    return settings(host.out(), first);
}

// Units that answer slowly, late (after the command was sent again), twice, just inside the
// time-out, in parts, or with two replies in one frame: every setting still reaches its own
// line.
struct ShowConfig : ::testing::TestWithParam<Play> {};

TEST_P(ShowConfig, XbStaffPrintsItsSettingsInScanOrder) {
    std::string first;
    auto s = readSettings("0", "0", "1", &first, GetParam());
    EXPECT_EQ(first, "Device number");
    EXPECT_EQ(s["Device number"], "1");
    EXPECT_EQ(s["Part number"], "FR-XB-02-021");
    EXPECT_EQ(s["Firmware version"], "2.10");
    EXPECT_EQ(s["Sample rate (Hz)"], "8");
    EXPECT_EQ(s["Data format"], "ASCII 32 Samples");
    EXPECT_EQ(s["Burst length (min)"], "0");
    EXPECT_EQ(s["Burst interval (min)"], "10");
    EXPECT_EQ(s["Anti-alias filter"], "On");
    EXPECT_EQ(s["Current mode"], "Mode 1");
    EXPECT_EQ(s["Staff length (m)"], "2.500");
    EXPECT_EQ(s["Calibration Points (m)"],
              "0.2000, 0.6000, 1.0000, 1.4000, 1.8000, 0.0000, "
              "0.0000, 0.0000, 0.0000, 0.0000, 0.0000, 0.0000");
    EXPECT_EQ(s["XB unit PAN ID"], "0000000000001234");
    EXPECT_EQ(s.count("Gain"), 0u) << "a 12-point staff has no gain to read";
}

INSTANTIATE_TEST_SUITE_P(Variants, ShowConfig,
                         ::testing::ValuesIn(plays({"plain", "slow-replies", "late-replies",
                                                    "duplicate-replies", "edge-replies",
                                                    "split-replies", "joined-replies",
                                                    "samples-between"},
                                                   1)),
                         playName);

TEST(ShowConfig, SonicUnitPrintsItsReceiverSettings) {
    auto s = readSettings("1", "1", "1", nullptr);
    EXPECT_EQ(s["Part number"], "ER-XB-02-035");
    EXPECT_EQ(s["High trip (mV)"], "900");
    EXPECT_EQ(s["Low trip (mV)"], "300");
    EXPECT_EQ(s["Dead zone (mm)"], "250");
    EXPECT_EQ(s["Staff type"], "Sonic");
    EXPECT_EQ(s["XB unit PAN ID"], "0000000000001234");
}

TEST(ShowConfig, DataLoggerPrintsItsGroupsAndPorts) {
    auto s = readSettings("logger", "8", "255", nullptr);
    EXPECT_EQ(s["Device number"], "255");
    EXPECT_EQ(s["File interval (days)"], "3");
    EXPECT_EQ(s["Group 2 rate (Hz)"], "2");
    EXPECT_EQ(s["Group 4 rate (Hz)"], "8");
    EXPECT_EQ(s["Port 1 type"], "Staff (length table)");
    EXPECT_EQ(s["Port 1 staff lengths (m)"], "2, 3, 4, 5, 10, 15");
    EXPECT_EQ(s["Channel 4 range"], "0 to 10.24 V");
    EXPECT_EQ(s["Radio power"], "On");
    EXPECT_EQ(s["Sensor PAN ID"], "00000000ABCD0001");
    EXPECT_EQ(s["Output 1"], "On");
    EXPECT_EQ(s["Output 2"], "Off");
    EXPECT_EQ(s.count("XB unit PAN ID"), 0u);
}

}  // namespace
}  // namespace e2e
