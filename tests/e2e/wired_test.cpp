// Wired units on pseudo-terminals: fathomhost --headless runs the connect handshake with each
// simulated unit, then turns every record it streams into a sample line. The recording file
// must hold, in order, the lines worked out here from the bytes the units sent.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>

#include "e2e/expected_records.h"
#include "e2e/processes.h"
#include "link/wired_record.h"

namespace e2e {
namespace {

// Records the program may still have been reading when it stopped.
constexpr std::size_t kClosingSlack = 12;

std::string device3(int device) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "C%03d", device);
    return buf;
}

// A configuration block field (two hex digits at 3k) of the unit's "ROK," reply.
int blockField(const std::string& log, int k) {
    const std::size_t at = log.find("ROK,");
    if (at == std::string::npos || log.size() < at + 4 + 3 * k + 2) return -1;
    return std::stoi(log.substr(at + 4 + 3 * k, 2), nullptr, 16);
}

std::string temperatureRecord(int device, long counts) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s,D4,%04.1f", device3(device).c_str(),
                  static_cast<double>(counts) * 0.0625);
    return padded(buf, 13);
}

std::string sampleHead(int device, int rate) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s,D1,S%02d,", device3(device).c_str(), rate);
    return buf;
}

// The line without the blanks a unit may pad it with.
std::string trimmed(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

// The numbers of a record line, a minus sign kept with the digits after it.
std::vector<long> numbersIn(const std::string& line) {
    std::vector<long> numbers;
    for (std::size_t i = 0; i < line.size();) {
        const bool sign = line[i] == '-' && i + 1 < line.size() &&
                          std::isdigit(static_cast<unsigned char>(line[i + 1]));
        if (!sign && !std::isdigit(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        std::size_t used = 0;
        numbers.push_back(std::stol(line.substr(i), &used));
        i += used;
    }
    return numbers;
}

// Staff records: a reading, then perhaps a temperature (in 1/16 degrees), whatever stands
// between them and however wide the unit writes them; the reading is 4095 steps over the
// staff, recorded in whole millimetres.
std::vector<std::string> staffRecords(const std::string& log, int device, double staffMm, int rate) {
    std::vector<std::string> records;
    for (const std::string& line : linesAfter(log, "GOK,")) {
        const std::vector<long> numbers = numbersIn(line);
        if (numbers.empty() || numbers.size() > 2) continue;
        const auto mm = static_cast<long long>(static_cast<double>(numbers[0]) / 4095.0 * staffMm);
        records.push_back(sampleHead(device, rate) + fixed(static_cast<double>(mm) / 1000, 7, 4));
        if (numbers.size() == 2) records.push_back(temperatureRecord(device, numbers[1]));
    }
    return records;
}

// Pressure gauge records "p.ppppp,tttt": the reading as sent.
std::vector<std::string> gaugeRecords(const std::string& log, int device, int rate) {
    std::vector<std::string> records;
    for (const std::string& padded : linesAfter(log, "GOK,")) {
        const std::string line = trimmed(padded);
        if (line.size() != 12) continue;
        records.push_back(sampleHead(device, rate) + fixed(number(line, 0, 7), 8, 5));
        records.push_back(temperatureRecord(device, std::atol(line.substr(8).c_str())));
    }
    return records;
}

// Date and time lines come every 60 samples; the comparisons leave them out.
std::vector<std::string> withoutClock(const std::vector<std::string>& records) {
    std::vector<std::string> kept;
    for (const std::string& r : records)
        if (r.compare(4, 3, ",D8") != 0 && r.compare(4, 3, ",D9") != 0) kept.push_back(r);
    return kept;
}

struct HostRun {
    std::vector<std::string> records;
    std::string out;
};

// fathomhost --headless for `seconds` on the given ports; the records it wrote.
HostRun runHost(const ScratchDir& dir, const std::string& unitType, std::vector<std::string> ports,
            const std::string& seconds) {
    std::vector<std::string> args{"--unit-type", unitType, "--record", dir / "out.csv",
                                  "--duration", seconds};
    args.insert(args.end(), ports.begin(), ports.end());
    Child host(hostArgs(args), dir / "host.out", dir / "host.err");
    EXPECT_TRUE(host.wait(std::stod(seconds) + 8)) << "fathomhost did not stop after --duration";
    EXPECT_EQ(host.exitCode(), 0) << host.err();
    std::string rest;
    HostRun run{splitRecords(readFile(dir / "out000.csv"), &rest), host.out()};
    EXPECT_TRUE(rest.empty()) << "torn record at the end: " << rest;
    return run;
}

// A staff on port A, whatever it puts between its fields, at its line ends or before them.
struct Staff : ::testing::TestWithParam<Play> {};

TEST_P(Staff, OnPortARecordsEveryReadingAndHearsTheExitG) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::vector<std::string> args{"--scenario", "staff3"};
    for (const std::string& a : GetParam().args()) args.push_back(a);
    Simulator staff(dir, "staff", args);
    ASSERT_FALSE(staff.path().empty()) << staff.child().err();
    const HostRun run = runHost(dir, "3", {"--port", staff.path()}, "8");
    // The "g" the program writes as it exits reaches the unit, which answers and streams on:
    // a second "GOK," after the handshake's.
    const auto goes = [&] {
        const std::string log = staff.log();
        std::size_t n = 0;
        for (auto at = log.find("GOK,"); at != std::string::npos; at = log.find("GOK,", at + 1))
            ++n;
        return n;
    };
    EXPECT_TRUE(waitFor([&] { return goes() == 2; }, 5)) << goes() << " GOK, in the unit's log";
    ASSERT_TRUE(staff.stop());
    EXPECT_NE(run.out.find("port A Connected"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("noise"), std::string::npos) << run.out;

    // What the unit streamed after the program had gone is not the program's to record.
    std::string sent = staff.log();
    sent = sent.substr(0, sent.find("GOK,", sent.find("GOK,") + 1));
    const double staffMm = links::staffLengthFor(3, static_cast<std::uint8_t>(blockField(sent, 2)),
                                                 static_cast<std::uint8_t>(blockField(sent, 1)));
    ASSERT_GT(staffMm, 0) << "the unit's block names no known staff";
    const std::vector<std::string> want = staffRecords(sent, 1, staffMm, blockField(sent, 7));
    const std::vector<std::string> got = withoutClock(run.records);
    EXPECT_GE(got.size(), 10u);
    EXPECT_TRUE(isNearlyAll(got, want, kClosingSlack));
}

INSTANTIATE_TEST_SUITE_P(Variants, Staff,
                         ::testing::ValuesIn(plays({"plain", "tab", "semicolon", "lf", "cr",
                                                    "lf-cr", "padded", "bare-readings",
                                                    "below-zero", "no-temperature"})),
                         playName);

// Two gauges: device 1 on port A, device 2 on port B, and after each port B sample device 3,
// the last port A reading less the port B reading.
TEST(WiredUnits, GaugesOnBothPortsAndTheirDifference) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator gaugeA(dir, "gaugeA", {"--scenario", "gauge9", "--seed", "1"});
    Simulator gaugeB(dir, "gaugeB", {"--scenario", "gauge9", "--seed", "2"});
    ASSERT_FALSE(gaugeA.path().empty() || gaugeB.path().empty());
    const HostRun run = runHost(dir, "9", {"--port", gaugeA.path(), "--port-b", gaugeB.path()}, "8");
    ASSERT_TRUE(gaugeA.stop());
    ASSERT_TRUE(gaugeB.stop());

    const std::vector<std::string> got = withoutClock(run.records);
    for (int device : {1, 2}) {
        const std::string sent = (device == 1 ? gaugeA : gaugeB).log();
        const std::vector<std::string> mine = recordsOfDevice(got, device);
        EXPECT_GE(mine.size(), 10u);
        EXPECT_TRUE(isNearlyAll(mine, gaugeRecords(sent, device, blockField(sent, 7)), kClosingSlack))
            << "device " << device;
    }

    double lastA = 0;
    std::size_t differences = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const std::string& r = got[i];
        if (r.compare(4, 3, ",D1") != 0) continue;
        const double value = number(r, 12, 12);
        if (deviceOf(r) == 1) lastA = value;
        if (deviceOf(r) != 3) continue;
        ++differences;
        ASSERT_GT(i, 0u);
        ASSERT_TRUE(got[i - 1].starts_with("C002,D1,")) << "device 3 not after a port B sample";
        char text[32];
        std::snprintf(text, sizeof text, "%.5f", lastA - number(got[i - 1], 12, 12));
        EXPECT_EQ(r, "C003,D1,S04," + fixed(std::strtod(text, nullptr), 8, 5));
    }
    EXPECT_EQ(differences, recordsOfDevice(got, 2).size() / 2);
}

// The readings of a synchronizer data line: its digit runs, whatever stands between them.
std::vector<long> digitRuns(const std::string& line) {
    std::vector<long> runs;
    for (std::size_t i = 0; i < line.size();) {
        if (!std::isdigit(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        const std::size_t from = i;
        while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
        runs.push_back(std::stol(line.substr(from, i - from)));
    }
    return runs;
}

// A board on port A: its data lines carry one reading per staff, devices 001 to 006 or 008,
// whatever the board puts between the readings and however wide it writes them.
void recordsEveryChannel(const Play& play, int channels) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::vector<std::string> args{"--scenario", channels == 6 ? "sync6" : "sync8"};
    for (const std::string& a : play.args()) args.push_back(a);
    Simulator sync(dir, "sync", args);
    ASSERT_FALSE(sync.path().empty()) << sync.child().err();
    // The staff lengths the operator would type into the table, in metres.
    const double lengths[8] = {5, 5, 3.5, 3.5, 8, 8, 2, 2};
    const std::string table = channels == 6 ? "5,5,3.5,3.5,8,8" : "5,5,3.5,3.5,8,8,2,2";
    const HostRun run = runHost(dir, "7", {"--port", sync.path(), "--sync-lengths", table}, "8");
    ASSERT_TRUE(sync.stop());

    // Data lines follow the unit's clock line ("mm-dd-yy hh:mm:ss") of the handshake; each
    // reading is a fraction 0-4095 of its staff's length.
    std::vector<std::string> want;
    bool streaming = false;
    for (const std::string& line : linesAfter(sync.log(), "Serial Number")) {
        if (line.size() == 17 && line[2] == '-' && line[5] == '-' && line[11] == ':') {
            streaming = true;
            continue;
        }
        const std::vector<long> readings = digitRuns(line);
        if (!streaming || line.starts_with("T ") || readings.size() != std::size_t(channels))
            continue;
        for (int c = 0; c < channels; ++c) {
            // The staff's length in whole millimetres first, then the fraction of it, as the
            // unit's reading is defined; the other order rounds differently now and then.
            const double staffMm = static_cast<double>(static_cast<long long>(lengths[static_cast<std::size_t>(c)] * 1000));
            const auto mm = static_cast<long>(static_cast<double>(readings[static_cast<std::size_t>(c)]) / 4095.0 * staffMm);
            want.push_back(sampleHead(c + 1, 4) + fixed(static_cast<double>(mm) / 1000.0, 7, 4));
        }
    }
    const std::vector<std::string> got = withoutClock(run.records);
    EXPECT_GE(got.size(), std::size_t(channels) * 8);
    EXPECT_TRUE(isNearlyAll(got, want, std::size_t(channels) * 3));
    EXPECT_EQ(run.out.find("noise"), std::string::npos) << run.out;
}


struct Synchronizer : ::testing::TestWithParam<Play> {};
TEST_P(Synchronizer, RecordsEightChannels) { recordsEveryChannel(GetParam(), 8); }
INSTANTIATE_TEST_SUITE_P(Variants, Synchronizer,
                         ::testing::ValuesIn(plays({"plain", "comma", "tab", "semicolon", "lf",
                                                    "cr", "lf-cr", "padded", "bare-readings"})),
                         playName);

// The six-channel board goes through the same reader: a few layouts, one seed in a short run.
struct SixChannelBoard : ::testing::TestWithParam<Play> {};
TEST_P(SixChannelBoard, RecordsSixChannels) { recordsEveryChannel(GetParam(), 6); }
INSTANTIATE_TEST_SUITE_P(Variants, SixChannelBoard, ::testing::ValuesIn(plays({"plain", "comma", "cr", "padded", "bare-readings"}, 1)),
                         playName);

}  // namespace
}  // namespace e2e
