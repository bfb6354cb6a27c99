// The output port of a station whose reader stops (a stalled consumer, a USB port nobody
// reads): what waits for it must stay bounded, the loss must be counted and said, and the
// recording must not lose or wait for anything.
#include <gtest/gtest.h>

#include "e2e/expected_records.h"
#include "e2e/processes.h"
#include "support/wire_frames.h"

namespace e2e {
namespace {

// Peak resident memory of a running process, in KiB.
long peakKiB(pid_t pid) {
    std::istringstream status(readFile("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    }
    return -1;
}

struct Flooded {
    long growthKiB = -1;  // of the peak resident memory while the flood was worked through
    std::size_t sent = 0, recorded = 0;
    std::string err;
    int code = -1000;
};

// A radio line flooded with about 30 MB of frames, recorded, and with `stalled` streamed to an
// output port whose reader takes nothing (the test never reads it).
Flooded flood(bool stalled) {
    Flooded f;
    ScratchDir dir;
    TestPty line, out;
    if (!dir.ok() || !line.ok() || !out.ok()) return f;
    std::vector<std::string> args{"--unit-type", "0", "--port", line.slavePath(), "--record",
                                  dir / "out.csv"};
    if (stalled) args.insert(args.end(), {"--output-port", out.slavePath()});
    Child host(hostArgs(args), dir / "host.out", dir / "host.err");
    if (!waitFor([&] { return host.out().find("recording to") != std::string::npos; }, 10))
        return f;
    const std::string frame =
        testing_support::receivePacket(0x0013A20040A10004ull, "C004,D1,S32,01500\r\n");
    std::string burst;
    while (burst.size() < 256 * 1024) burst += frame;
    const long before = peakKiB(host.pid());
    // Burst by burst, each recorded before the next is sent: the input never piles up, so
    // what grows is what waits for the output port.
    constexpr int kBursts = 120;
    constexpr std::size_t kRecordBytes = 21;  // "C004,D1,S32,01.5000\r\n"
    const std::string csv = dir / "out000.csv";
    for (int i = 0; i < kBursts; ++i) {
        if (!line.send(burst, 20)) return f;
        f.sent += burst.size() / frame.size();
        if (!waitFor([&] { return fs::file_size(csv) >= f.sent * kRecordBytes; }, 20)) break;
    }
    f.growthKiB = peakKiB(host.pid()) - before;
    host.signal(SIGTERM);
    host.wait(5);
    f.code = host.exitCode();
    f.recorded = splitRecords(readFile(dir / "out000.csv")).size();
    f.err = host.err();
    return f;
}

TEST(StationOutputPort, AReaderThatStopsCostsBoundedMemoryAndNeverARecord) {
    const Flooded alone = flood(false);
    const Flooded stalled = flood(true);
    ASSERT_GT(stalled.sent, 0u);
    EXPECT_EQ(stalled.code, 0) << stalled.err;
    EXPECT_EQ(stalled.recorded, stalled.sent);
    const std::string& err = stalled.err;
    EXPECT_NE(err.find("OUTPUT PORT NOT KEEPING UP: "), std::string::npos) << err;
    EXPECT_EQ(err.find("OUTPUT PORT NOT KEEPING UP"), err.rfind("OUTPUT PORT NOT KEEPING UP"));
    // About 17 MB of records went to a port that took none: what waits for it is bounded (a
    // few hundred KiB), so the station needs hardly more memory than without the port.
    EXPECT_LT(stalled.growthKiB - alone.growthKiB, 4 * 1024)
        << "peak memory grew by " << stalled.growthKiB << " KiB with the stalled port, "
        << alone.growthKiB << " KiB without";
}

}  // namespace
}  // namespace e2e
