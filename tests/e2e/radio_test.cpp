// A simulated radio network on a pseudo-terminal and fathomhost --headless reading it: the
// recording file, the frame capture, the output port and the trace must agree, value for
// value and byte for byte, with what the simulated units sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "e2e/expected_records.h"
#include "e2e/processes.h"

namespace e2e {
namespace {

// The bytes of the trace's lines for one direction ("<" received, ">" sent), in order.
std::string traceBytes(const std::string& trace, const std::string& port, char direction) {
    std::string bytes;
    std::istringstream lines(trace);
    const std::string tag = " " + port + " " + direction + " ";
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(tag);
        if (at == std::string::npos) continue;
        std::istringstream hex(line.substr(at + tag.size(), line.find("  |") - at - tag.size()));
        for (std::string byte; hex >> byte;)
            bytes.push_back(static_cast<char>(std::stoi(byte, nullptr, 16)));
    }
    return bytes;
}

std::size_t countStarting(const std::vector<std::string>& records, const std::string& head) {
    return static_cast<std::size_t>(std::count_if(
        records.begin(), records.end(), [&](const std::string& r) { return r.starts_with(head); }));
}

// Staffs 1 ("A" bursts, ASCII 32 samples), 2 ("C" texts, one sample each) and 3 ("I" bursts),
// over a line that delivers every byte on its own, in bursts, late, or with stray bytes
// between the frames.
struct RadioNetwork : ::testing::TestWithParam<Play> {};

TEST_P(RadioNetwork, RecordsCaptureAndTraceMatchWhatTheUnitsSent) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::vector<std::string> args{"--type", "0"};
    for (const std::string& a : GetParam().args()) args.push_back(a);
    Simulator sim(dir, "radio", args);
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", dir / "out.csv",
                         "--capture", dir / "raw.DAT", "--trace", dir / "trace.log"}),
               dir / "host.out", dir / "host.err");
    // Once every kind of message has been recorded, the units fall silent (the simulator is
    // frozen) and the program takes in what is on the line before it is stopped: however
    // long the stop takes on a busy machine, the capture then holds all the units sent.
    ASSERT_TRUE(waitFor(
        [&] {
            const auto r = splitRecords(readFile(dir / "out000.csv"));
            return countStarting(r, "A001,S08,") >= 1 && countStarting(r, "I003,S16,") >= 1 &&
                   countStarting(r, "C002,D1,S04,") >= 12;
        },
        20))
        << host.err();
    sim.child().signal(SIGSTOP);
    const std::string sent = sim.log();
    ASSERT_TRUE(waitFor([&] { return readFile(dir / "raw.DAT").size() + 200 > sent.size(); }, 10));
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(10)) << "fathomhost did not stop";
    ASSERT_EQ(host.exitCode(), 0) << host.err();
    sim.child().signal(SIGCONT);
    ASSERT_TRUE(sim.stop());

    // The capture holds the simulator's bytes from the first on, unchanged (a frame the
    // simulator was writing when it froze is left out whole).
    const std::string dat = readFile(dir / "raw.DAT");
    ASSERT_GT(dat.size(), 1000u);
    EXPECT_EQ(sent.compare(0, dat.size(), dat), 0) << "the capture differs from the bytes sent";
    EXPECT_LT(sent.size() - dat.size(), 200u) << "the capture misses part of the run";

    // Every record, in order, from the frames of that span.
    const std::vector<std::string> want = radioRecords(decodeFrames(dat));
    std::string rest;
    const std::vector<std::string> got = splitRecords(readFile(dir / "out000.csv"), &rest);
    EXPECT_TRUE(rest.empty()) << "torn record at the end: " << rest;
    EXPECT_TRUE(isNearlyAll(got, want, 0));
    EXPECT_GE(countStarting(got, "A001,S08,"), 1u);
    EXPECT_GE(countStarting(got, "I003,S16,"), 1u);
    EXPECT_GE(countStarting(got, "C002,D1,S04,"), 12u);
    for (const std::string& r : got) EXPECT_EQ(kRadioRecordLengths.count(r.size() + 2), 1u) << r;

    // The trace shows both directions: every received byte, and the program's PAN ID query.
    const std::string trace = readFile(dir / "trace.log");
    // The capture closes as the program stops; the trace goes on to its last byte read.
    const std::string received = traceBytes(trace, sim.path(), '<');
    ASSERT_GE(received.size(), dat.size());
    EXPECT_EQ(received.compare(0, dat.size(), dat), 0) << "the trace differs from the capture";
    EXPECT_LT(received.size() - dat.size(), 200u) << "bytes read after the capture closed";
    const std::string panIdQuery("\x7E\x00\x04\x08\x01\x49\x44\x69", 8);
    EXPECT_NE(traceBytes(trace, sim.path(), '>').find(panIdQuery), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Variants, RadioNetwork,
                         ::testing::ValuesIn(plays({"plain", "byte-by-byte", "bursts",
                                                    "slow-adapter", "noisy-line"},
                                                   1)),
                         playName);

TEST(RadioNetwork, OutputPortCarriesExactlyTheRecordedLines) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    TestPty out;
    ASSERT_TRUE(out.ok());
    Simulator sim(dir, "radio", {"--type", "0", "--seed", "3"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", dir / "out.csv",
                         "--output-port", out.slavePath(), "--duration", "4"}),
               dir / "host.out", dir / "host.err");
    const bool stopped = waitFor(
        [&] {
            out.drain();
            return host.wait(0);
        },
        12);
    ASSERT_TRUE(stopped) << "fathomhost did not stop after --duration";
    ASSERT_EQ(host.exitCode(), 0) << host.err();
    waitFor([&] {
        const std::size_t before = out.received().size();
        out.drain();
        return out.received().size() == before;
    }, 1);

    const std::string file = readFile(dir / "out000.csv");
    EXPECT_GE(splitRecords(file).size(), 10u);
    EXPECT_EQ(out.received(), file);
}

}  // namespace
}  // namespace e2e
