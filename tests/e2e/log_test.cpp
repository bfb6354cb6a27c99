// The station's log is only a log: a reader that stops reading it, or goes away, or a hang-up
// of the terminal, must never stop the recording nor end the program without closing its files.
#include <gtest/gtest.h>

#include "e2e/expected_records.h"
#include "e2e/processes.h"

namespace e2e {
namespace {

// A pipe the test holds both ends of; the host writes its log into it.
struct LogPipe {
    int read = -1, write = -1;
    LogPipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~LogPipe() {
        closeRead();
        if (write >= 0) ::close(write);
    }
    void closeRead() {
        if (read >= 0) ::close(read);
        read = -1;
    }
    // Fills the pipe to the brim, as a reader that has stopped reading leaves it.
    void fill() const {
        const int flags = fcntl(write, F_GETFL);
        fcntl(write, F_SETFL, flags | O_NONBLOCK);
        const std::string junk(4096, 'x');
        while (::write(write, junk.data(), junk.size()) > 0) {
        }
        // The host shares this end: its writes must block on the full pipe, as they would.
        fcntl(write, F_SETFL, flags);
    }
};

std::size_t records(const std::string& csv) { return splitRecords(readFile(csv)).size(); }

TEST(StationLog, AReaderThatStopsReadingNeverHoldsUpTheRecording) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    LogPipe log;
    ASSERT_GE(log.write, 0);
    log.fill();
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    const std::string csv = dir / "out000.csv";
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", dir / "out.csv"}),
               dir / "host.out", dir / "host.err", log.write);
    // Its first line already finds the log full; the recording starts and grows all the same.
    ASSERT_TRUE(waitFor([&] { return records(csv) > 0; }, 10)) << host.err();
    const std::size_t before = records(csv);
    ASSERT_TRUE(waitFor([&] { return records(csv) > before + 5; }, 10)) << host.err();
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(5)) << "fathomhost hung at SIGTERM with its log full";
    EXPECT_EQ(host.exitCode(), 0) << host.err();
}

TEST(StationLog, AReaderThatGoesAwayOrAHangUpEndsNothingButTheLog) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    for (int sig : {SIGTERM, SIGHUP}) {
        LogPipe log;
        ASSERT_GE(log.write, 0);
        const std::string name = sig == SIGTERM ? "term" : "hup";
        const std::string csv = dir / (name + "000.csv");
        Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record",
                             dir / (name + ".csv"), "--capture", dir / (name + ".DAT")}),
                   dir / "host.out", dir / (name + ".err"), log.write);
        ASSERT_TRUE(waitFor([&] { return records(csv) > 0; }, 10)) << host.err();
        // The reader goes away; the next lines (the stop's own) meet a broken pipe.
        log.closeRead();
        const std::size_t before = records(csv);
        ASSERT_TRUE(waitFor([&] { return records(csv) > before + 3; }, 10)) << host.err();
        host.signal(sig);
        ASSERT_TRUE(host.wait(5)) << name;
        // Stopped through the close path, not ended by the signal or by SIGPIPE.
        EXPECT_EQ(host.exitCode(), 0) << name << ": " << host.err();
        std::string torn;
        splitRecords(readFile(csv), &torn);
        EXPECT_EQ(torn, "") << name;
        EXPECT_GT(decodeFrames(readFile(dir / (name + ".DAT"))).size(), 0u) << name;
    }
}

}  // namespace
}  // namespace e2e
