// A station's files when the world moves under them: the folder removed, a file renamed, a
// folder unusable at midnight, the program killed. Nothing may go on being written where
// nobody finds it, stop for good, or end in half a frame.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>

#include "e2e/expected_records.h"
#include "e2e/processes.h"
#include "support/wire_frames.h"

namespace e2e {
namespace {

std::size_t records(const std::string& csv) { return splitRecords(readFile(csv)).size(); }

// FATHOM_CLOCK for the children started while it lives: the calendar starts `secondsBefore`
// seconds before a midnight.
class WarpedCalendar {
  public:
    explicit WarpedCalendar(int secondsBefore, int daySeconds = 0) {
        const std::time_t now = std::time(nullptr) + 1;
        std::tm local{};
        localtime_r(&now, &local);
        char at[32];
        std::strftime(at, sizeof at, "%Y-%m-%dT%H:%M:%S", &local);
        char text[128];
        std::snprintf(text, sizeof text, "start=2031-03-01T23:59:%02d,at=%s", 60 - secondsBefore,
                      at);
        std::string value = text;
        if (daySeconds > 0) value += ",day=" + std::to_string(daySeconds);
        setenv("FATHOM_CLOCK", value.c_str(), 1);
    }
    ~WarpedCalendar() { unsetenv("FATHOM_CLOCK"); }
    WarpedCalendar(const WarpedCalendar&) = delete;
    WarpedCalendar& operator=(const WarpedCalendar&) = delete;
};

TEST(StationFiles, AFolderRemovedOrAFileRenamedIsFollowedByANewFileAtThePath) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    const std::string site = dir / "site";
    fs::create_directories(site);
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", site + "/day.csv",
                         "--capture", site + "/raw"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(waitFor([&] { return records(site + "/day000.csv") > 0; }, 10)) << host.err();

    fs::remove_all(site);
    ASSERT_TRUE(waitFor([&] { return records(site + "/day001.csv") > 0; }, 10))
        << host.out() << host.err();
    EXPECT_TRUE(waitFor([&] { return fs::exists(site + "/raw001.DAT"); }, 5)) << host.err();
    EXPECT_NE(host.err().find("RECORDING FILE GONE: " + site + "/day000.csv"), std::string::npos)
        << host.err();
    EXPECT_NE(host.err().find("CAPTURE FILE GONE: " + site + "/raw.DAT"), std::string::npos);

    fs::rename(site + "/day001.csv", dir / "kept.csv");
    ASSERT_TRUE(waitFor([&] { return records(site + "/day002.csv") > 0; }, 10)) << host.err();
    // The renamed file is left alone from then on; the status names the file being written.
    const std::string kept = readFile(dir / "kept.csv");
    ASSERT_TRUE(waitFor([&] { return records(site + "/day002.csv") > 3; }, 10));
    EXPECT_EQ(readFile(dir / "kept.csv"), kept);
    EXPECT_TRUE(waitFor(
        [&] {
            return host.out().find("recording rolled over to " + site + "/day002.csv") !=
                   std::string::npos;
        },
        5))
        << host.out();
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(5));
    EXPECT_EQ(host.exitCode(), 0) << host.err();
}

// The folder cannot be used around midnight (a file has taken its name): the recording
// pauses rather than stop for good, tries again, and goes on in the next file when it can.
TEST(StationFiles, AFolderUnusableAtMidnightPausesTheRecordingUntilItCanGoOn) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const WarpedCalendar calendar(4);
    Simulator sim(dir, "radio", {"--type", "0"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    const std::string site = dir / "site";
    fs::create_directories(site);
    Child host(hostArgs({"--unit-type", "0", "--port", sim.path(), "--record", site + "/day.csv",
                         "--interval", "1"}),
               dir / "host.out", dir / "host.err");
    ASSERT_TRUE(waitFor([&] { return records(site + "/day000.csv") > 0; }, 10)) << host.err();
    fs::remove_all(site);
    { std::ofstream(site) << "not a folder"; }
    ASSERT_TRUE(waitFor([&] { return host.err().find("RECORDING PAUSED") != std::string::npos; },
                        15))
        << host.out() << host.err();
    // Through midnight (4 s after the start) and the rollover's tick, and some tries later:
    // still running, paused, and said once.
    EXPECT_FALSE(waitFor([&] { return !host.running(); }, 15));
    fs::remove(site);
    ASSERT_TRUE(waitFor([&] { return host.err().find("RECORDING RESUMED") != std::string::npos; },
                        12))
        << host.err();
    std::string resumed;
    for (const auto& e : fs::directory_iterator(site)) resumed = e.path().string();
    ASSERT_TRUE(waitFor([&] { return records(resumed) > 0; }, 10)) << resumed;
    host.signal(SIGTERM);
    ASSERT_TRUE(host.wait(5));
    EXPECT_EQ(host.exitCode(), 0) << host.err();
    const std::string err = host.err();
    EXPECT_EQ(err.find("RECORDING STOPPED"), std::string::npos) << err;
    EXPECT_EQ(err.find("RECORDING PAUSED"), err.rfind("RECORDING PAUSED")) << err;
}

// A busy radio network, its capture following the recording's days (a warped calendar lives
// three midnights in a minute), and the program killed without warning again and again:
// every capture file ends on a whole frame.
TEST(StationFiles, CaptureFilesRollOverAtMidnightAndAKillNeverTearsAFrame) {
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const WarpedCalendar calendar(6, 12);
    Simulator sim(dir, "radio24", {"--scenario", "radio24"});
    ASSERT_FALSE(sim.path().empty()) << sim.child().err();
    const auto args = hostArgs({"--unit-type", "0", "--port", sim.path(), "--record",
                                dir / "day.csv", "--interval", "1", "--capture", dir / "raw"});
    for (int run = 0; run < 4; ++run) {
        Child host(args, dir / "host.out", dir / "host.err");
        ASSERT_TRUE(waitFor([&] { return host.out().find("capturing frames to") != std::string::npos; },
                            10))
            << host.err();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500 + 1700 * run));
        host.signal(SIGKILL);
        ASSERT_TRUE(host.wait(5));
    }
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir.operator/(""))) {
        if (e.path().extension() != ".DAT") continue;
        ++files;
        const std::string dat = readFile(e.path());
        const std::vector<std::string> frames = decodeFrames(dat);
        if (frames.empty()) continue;
        const std::string& last = frames.back();
        EXPECT_TRUE(dat.ends_with(testing_support::wireFrame(
            std::span(reinterpret_cast<const std::uint8_t*>(last.data()), last.size()))))
            << e.path() << " ends in a torn frame";
    }
    // Four runs, and the midnights some of them lived: more files than runs.
    EXPECT_GT(files, 4);
}

}  // namespace
}  // namespace e2e
