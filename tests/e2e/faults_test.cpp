// An unattended station under the faults a station by the sea meets: a disk that fills, a
// restart after a power cut, noise on the line, an adapter unplugged and plugged in again, a
// stop in the middle of a flood of data. fathomhost --headless over pseudo-terminals, in
// short real time.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "e2e/expected_records.h"
#include "e2e/processes.h"
#include "support/wire_frames.h"

namespace e2e {
namespace {

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Every record of a recording file whole, with nothing torn at its end.
::testing::AssertionResult wholeRecords(const std::string& file) {
    std::string rest;
    const std::vector<std::string> records = splitRecords(readFile(file), &rest);
    if (!rest.empty())
        return ::testing::AssertionFailure() << file << " ends in a torn record: " << rest;
    for (const std::string& r : records) {
        if (kRadioRecordLengths.count(r.size() + 2) == 0)
            return ::testing::AssertionFailure() << file << " holds a broken record: " << r;
    }
    return ::testing::AssertionSuccess() << records.size() << " records";
}

// A capture that ends on a complete frame: its last bytes are the last frame it decodes to.
bool endsOnAWholeFrame(const std::string& dat) {
    const std::vector<std::string> frames = decodeFrames(dat);
    if (frames.empty()) return false;
    const std::string& last = frames.back();
    return dat.ends_with(testing_support::wireFrame(
        std::span(reinterpret_cast<const std::uint8_t*>(last.data()), last.size())));
}

// fathomhost recording a radio line that the test itself writes into.
struct LineStation {
    ScratchDir dir;
    TestPty line;
    Child host{hostArgs({"--unit-type", "0", "--port", line.slavePath(), "--record",
                         dir / "out.csv", "--duration", "60"}),
               dir / "host.out", dir / "host.err"};
    bool started() {
        return dir.ok() && line.ok() &&
               waitFor([&] { return host.out().find("recording to") != std::string::npos; }, 10);
    }
};

// The disk fills: the file size limit of the running program stands in for it (a write that
// crosses it goes through in part, then fails, as on a full disk), and a new file has room.
TEST(Faults, AFullDiskLeavesWholeRecordsAndFramesAndTheStationGoesOn) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", dir / "out.csv",
                         "--capture", dir / "raw.DAT", "--duration", "30"}),
               dir / "host.out", dir / "host.err");
    const rlimit full{1500, RLIM_INFINITY};
    ASSERT_EQ(prlimit(host.pid(), RLIMIT_FSIZE, &full, nullptr), 0);
    // Paused when the disk fills, and within a few seconds going on in the next files.
    ASSERT_TRUE(waitFor(
        [&] {
            return host.out().find("recording rolled over to") != std::string::npos &&
                   host.out().find("capture goes on in") != std::string::npos;
        },
        25))
        << host.out() << host.err();
    ASSERT_TRUE(host.running()) << host.err();
    EXPECT_EQ(count(host.err(), "RECORDING PAUSED"), 1u) << host.err();
    EXPECT_EQ(count(host.err(), "CAPTURE PAUSED"), 1u) << host.err();
    EXPECT_NE(host.out().find("recording rolled over to " + dir / "out001.csv"), std::string::npos)
        << host.out();
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(5));
    EXPECT_EQ(host.exitCode(), 0) << host.err();

    EXPECT_LE(fs::file_size(dir / "out000.csv"), 1500u);
    EXPECT_TRUE(wholeRecords(dir / "out000.csv"));
    EXPECT_TRUE(wholeRecords(dir / "out001.csv"));
    const std::string dat = readFile(dir / "raw.DAT");
    EXPECT_LE(dat.size(), 1500u);
    EXPECT_TRUE(endsOnAWholeFrame(dat));
    // The capture's bytes are the simulator's, with one gap where the disk was full.
    EXPECT_EQ(sim.log().compare(0, dat.size(), dat), 0);
    EXPECT_NE(sim.log().find(readFile(dir / "raw001.DAT")), std::string::npos);
}

// A power cut or a service restart: the same command line again must start, keep what the
// first run wrote and go on in the next free numbers.
TEST(Faults, ARestartWithTheSameCommandKeepsTheFilesAndTakesTheNextNumbers) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    const std::vector<std::string> args =
        hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", dir / "run", "--capture",
                  dir / "run", "--duration", "2"});
    std::string first;
    for (int run = 0; run < 2; ++run) {
        Child host(args, dir / "host.out", dir / "host.err");
        ASSERT_TRUE(host.wait(10));
        ASSERT_EQ(host.exitCode(), 0) << host.err();
        if (run == 0) first = readFile(dir / "run000.csv");
        if (run == 1) {
            EXPECT_NE(host.out().find("run000.csv exists already"), std::string::npos);
        }
    }
    EXPECT_EQ(readFile(dir / "run000.csv"), first);
    EXPECT_TRUE(fs::exists(dir / "run001.csv"));
    EXPECT_TRUE(fs::exists(dir / "run.DAT"));
    EXPECT_TRUE(fs::exists(dir / "run001.DAT"));
}

// Noise floods the radio line between the frames of a good unit: every sample of the unit is
// recorded, and nothing else.
TEST(Faults, NoiseOnTheRadioLineNeverBecomesARecordAndTheGoodUnitLosesNothing) {
    LineStation station;
    ASSERT_TRUE(station.started()) << station.host.err();
    TestPty& line = station.line;
    Child& host = station.host;
    const ScratchDir& dir = station.dir;
    unsigned seed = 7;
    auto junk = [&](std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i)
            s.push_back(static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16));
        return s;
    };
    std::vector<std::string> want;
    for (int i = 0; i < 200; ++i) {
        char text[40];
        std::snprintf(text, sizeof text, "C002,D1,S04,%05d\r\n", 1000 + i);
        std::string bytes = junk(300);
        // A frame whose checksum is right by construction but whose payload is junk.
        bytes += testing_support::receivePacket(0x0013A20040A10002ull, "C002,D1,S04," + junk(20));
        bytes += testing_support::receivePacket(0x0013A20040A10002ull, text);
        ASSERT_TRUE(line.send(bytes));
        want.push_back(std::string(text, 11) + "," + fixed((1000 + i) / 1000.0, 7, 4));
    }
    ASSERT_TRUE(waitFor(
        [&] { return splitRecords(readFile(dir / "out000.csv")).size() >= want.size(); }, 10));
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(5));
    EXPECT_EQ(splitRecords(readFile(dir / "out000.csv")), want);
    EXPECT_NE(host.out().find("noise record(s) dropped"), std::string::npos) << host.out();
}

// SIGTERM in the middle of a flood that does not let up: the program stops at once and the
// recording ends on a whole record.
TEST(Faults, AStopDuringAFloodComesAtOnceAndLeavesWholeRecords) {
    LineStation station;
    ASSERT_TRUE(station.started()) << station.host.err();
    TestPty& line = station.line;
    Child& host = station.host;
    const ScratchDir& dir = station.dir;
    std::string burst;
    const std::string frame =
        testing_support::receivePacket(0x0013A20040A10004ull, "C004,D1,S32,01500\r\n");
    while (burst.size() < 1'000'000) burst += frame;
    std::atomic<bool> flooding{true};
    std::thread writer([&] {
        for (int i = 0; i < 200 && flooding; ++i) line.send(burst, 1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    host.signal(SIGTERM);
    const bool stopped = host.wait(3);
    flooding = false;
    writer.join();
    EXPECT_TRUE(stopped) << "fathomhost did not stop while the data kept coming";
    ASSERT_TRUE(host.wait(5));
    EXPECT_EQ(host.exitCode(), 0) << host.err();
    EXPECT_GT(splitRecords(readFile(dir / "out000.csv")).size(), 1000u);
    EXPECT_TRUE(wholeRecords(dir / "out000.csv"));
}

// The adapter is unplugged and plugged in again (the simulator ends and a new one takes the
// same name): the loss is said once with the path, the port reopens by itself, and recording
// goes on in the same file.
TEST(Faults, AnUnpluggedAdapterIsReopenedWhenItReturns) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string link = dir / "ttyRADIO";
    auto first = std::make_unique<Simulator>(
        dir, "radio1", std::vector<std::string>{"--type", "0", "--link", link});
    ASSERT_FALSE(first->path().empty()) << first->child().err();
    Child host(hostArgs({"--unit-type", "0", "--port", link, "--record", dir / "out.csv",
                         "--duration", "40"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(
        waitFor([&] { return splitRecords(readFile(dir / "out000.csv")).size() >= 5; }, 10));
    ASSERT_TRUE(first->pull());
    ASSERT_TRUE(waitFor([&] { return host.err().find("lost") != std::string::npos; }, 6))
        << host.err();
    const std::size_t before = splitRecords(readFile(dir / "out000.csv")).size();
    Simulator second(dir, "radio2", {"--type", "0", "--link", link});
    ASSERT_FALSE(second.path().empty());
    ASSERT_TRUE(waitFor([&] { return host.out().find("reconnected") != std::string::npos; }, 12))
        << host.out() << host.err();
    ASSERT_TRUE(
        waitFor([&] { return splitRecords(readFile(dir / "out000.csv")).size() > before + 3; }, 8));
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(5));
    EXPECT_EQ(count(host.err(), "lost"), 1u) << host.err();
    EXPECT_NE(host.err().find(link + " lost; it will be reopened when the port returns"),
              std::string::npos)
        << host.err();
    EXPECT_EQ(host.err().find("SERIAL PORT"), std::string::npos) << host.err();
    EXPECT_TRUE(wholeRecords(dir / "out000.csv"));
}

}  // namespace
}  // namespace e2e
