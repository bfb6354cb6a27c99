#include "chart/playback.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "chart_rig.h"
#include "link/api_frame_codec.h"
#include "support/wire_frames.h"

namespace {

using chart_test::ChartRig;
using platform::Ctl;
using platform::Event;
using platform::FileSelection;

constexpr const char* kT0 = "2014-02-10T16:00:40";

struct PlaybackTest : ChartRig {
    live_test::TempDir dir;

    chart::Playback& playback() { return host->playback(); }

    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    void open(const std::string& path) {
        dialogs.fileReplies.push_back({FileSelection::Status::Existing, path});
        panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);
    }
    void tick() { panel.raise(Ctl::ReadFileTimer, Event::TimerTick); }
    // Ticks until the end of the file stops plotting.
    int playToEnd() {
        int ticks = 0;
        while (host->chartCtr().PlotRun != 0 && ticks < 1000) {
            tick();
            ++ticks;
        }
        return ticks;
    }
    // Source "file", the file opened, plotting on.
    void play(const std::string& path) {
        commit(Ctl::PlotSourceSelect, 1);
        open(path);
        startPlotting();
    }
    std::vector<float> traceData(int t) {
        const auto& b = trace(t);
        return {b.Data.begin(), b.Data.begin() + static_cast<long>(b.NumPoints)};
    }
    struct Row {
        double device, rate, value, offset;
        std::string time;
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> rows() {
        std::vector<Row> r;
        for (int i = 0; i < live::kRowsPerPage; ++i) {
            r.push_back({panel.value(platform::ctlAt(Ctl::Device1, i)),
                         panel.value(platform::ctlAt(Ctl::Rate1, i)),
                         panel.value(platform::ctlAt(Ctl::Output1, i)),
                         panel.value(platform::ctlAt(Ctl::Offset1, i)),
                         panel.text(platform::ctlAt(Ctl::DateTime1, i))});
        }
        return r;
    }
};

// A sample-file line of 32 values, as the recorder writes a burst.
std::string blockLine(char kind, int device, int rate, const char* time, const char* value,
                      int count = 32) {
    char head[40];
    std::snprintf(head, sizeof head, "%c%03d,S%02d,B0,%s", kind, device, rate, time);
    std::string s = head;
    for (int i = 0; i < count; ++i) s += std::string(",") + value;
    return s + "\r\n";
}

TEST_F(PlaybackTest, ARecordingPlaysBackOntoTheSameRowsAndTracesAsLiveData) {
    // Live: recorded by the program's own recorder while charting.
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("survey.csv")});
    panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    startPlotting();
    for (int i = 0; i < 12; ++i) {
        char t[24];
        std::snprintf(t, sizeof t, "2014-02-10T16:00:%02d", 40 + 4 * (i % 5));
        aBurst(4, 8, t, 1000 + 137 * i);  // later blocks land before earlier ones too
    }
    timeTag(7, "2014-02-10", "16:00:41");
    samples(7, 4, 9, 1234);
    rx(7, "C007,D4,21.50\r\n");
    const std::vector<Row> liveRows = rows();
    const std::vector<float> live0 = traceData(0);
    const std::vector<float> live1 = traceData(1);
    const double liveTemp = panel.value(Ctl::TempPortA);
    panel.raise(Ctl::MenuStopOutputData, Event::Commit);
    ASSERT_EQ(host->recorder().OutputDataFileOpen, 0);
    ASSERT_GT(chart_test::ChartRig::stored(0), 0);

    // Played back: the list was cleared by the source switch and fills from the file again.
    play(dir.file("survey000.csv"));
    EXPECT_EQ(panel.value(platform::ctlAt(Ctl::Device1, 0)), 0);
    EXPECT_GT(playToEnd(), 2);  // lines cross the 1 KB reads
    EXPECT_EQ(rows(), liveRows);
    EXPECT_EQ(traceData(0), live0);
    EXPECT_EQ(traceData(1), live1);
    EXPECT_EQ(trace(1).DeviceNum, 7);
    EXPECT_EQ(panel.value(Ctl::TempPlayback), liveTemp);
    EXPECT_FALSE(panel.dimmed(Ctl::TempPlayback));
    EXPECT_EQ(panel.intValue(Ctl::RawStartStop), 0);  // the end of the file stops plotting
    EXPECT_TRUE(playback().FileOpen());               // and keeps it open
}

// What a device entry shows of a unit, whatever its key (radio address live, device number
// played back).
struct Shown {
    char type;
    int rate, count, kind, offsetTime, year, month, day, hour, minute, second;
    char power;
    float value, temperature;
    std::string dateTime;
    bool operator==(const Shown&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Shown& s) {
    return o << s.type << " rate " << s.rate << " count " << s.count << " kind " << s.kind
             << " offset " << s.offsetTime << " power " << s.power << " value " << s.value
             << " temperature " << s.temperature << " " << s.dateTime;
}

TEST_F(PlaybackTest, EveryRecordKindPlaysBackToTheDeviceValuesItWasRecordedFrom) {
    dialogs.promptReplies.push_back("99");
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("kinds.csv")});
    panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    // Text messages of every sub-type.
    timeTag(1, "2014-02-10", "16:00:41");
    samples(1, 4, 3, 1234);
    rx(1, "C001,D4,21.50\r\n");
    rx(1, "C001,D7,L\r\n");
    // A burst of each encoding, with values the file's four decimals hold exactly.
    auto burst = [this](char type, int device, int rate, const std::string& data) {
        rx(device, live_test::burstHead(type, device, rate, '2', kT0) + data);
    };
    std::string a, f, i64, i60;
    for (int k = 0; k < 32; ++k) {
        char v[8];
        std::snprintf(v, sizeof v, "%06d", 1000 + 25 * k);
        a += v;
        const float level = -0.5f + 0.0625f * static_cast<float>(k);
        f.append(reinterpret_cast<const char*>(&level), 4);  // little-endian, as the units send
    }
    for (int k = 0; k < 60; ++k) {
        const auto mm = static_cast<std::int16_t>(k % 2 ? -1250 + k : 3000 - k);
        i60.append(reinterpret_cast<const char*>(&mm), 2);
    }
    i64 = i60;
    for (int k = 60; k < 64; ++k) i64 += std::string("\x10\x27", 2);  // 10.000 m
    burst('A', 2, 8, a);
    burst('F', 3, 8, f);
    burst('I', 4, 16, i64);
    burst('i', 5, 1, i60);
    // Raw data bytes hold line ends and line starts: the record keeps its fixed length.
    std::string raw = "level 1.234\r\nA004,S32\nG";
    raw.resize(128, '\r');
    burst('G', 6, 1, raw);
    panel.raise(Ctl::MenuStopOutputData, Event::Commit);

    auto shown = [this] {
        std::map<int, Shown> m;
        for (int k = 0; k < live::kOutputLineCount; ++k) {
            const live::OutputLine& e = host->deviceTable()[k];
            if (!e.inUse()) continue;
            m[e.DeviceNum] = {e.MsgType,    e.SampleRate,  e.SampleCount,    e.DataKind,
                              e.OffsetTime, e.Year,        e.Month,          e.Day,
                              e.Hour,       e.Minute,      e.Second,         e.PowerState,
                              e.Value,      e.Temperature, e.DateTime.data()};
        }
        return m;
    };
    const std::map<int, Shown> live = shown();
    const std::vector<Row> liveRows = rows();
    ASSERT_EQ(live.size(), 6u);

    play(dir.file("kinds000.csv"));
    playToEnd();
    EXPECT_EQ(shown(), live);
    EXPECT_EQ(rows(), liveRows);
}

TEST_F(PlaybackTest, ACaptureOfRadioFramesPlaysThroughTheDataService) {
    std::string bytes;
    auto put = [&bytes](std::uint8_t b) { bytes.push_back(static_cast<char>(b)); };
    auto frame = [&](std::uint64_t address, const std::string& payload) {
        const links::RxFrame f = live_test::packet(address, payload);
        links::writeFrame(std::span(f.data.data(), static_cast<std::size_t>(f.length)), {}, put);
    };
    // An address holding 0x7E and 0x7D: both travel escaped.
    const std::uint64_t escaped = 0x0013A20040007E7Dull;
    std::string burst = live_test::burstHead('A', 4, 8, '0', kT0);
    for (int i = 0; i < 32; ++i) burst += "001500";
    frame(escaped, burst);
    const std::size_t firstEnd = bytes.size();
    bytes += "garbage\x7E";  // a start byte then rubbish: dropped by its length or checksum
    frame(address(5), "C005,D8,2014-02-10\r\n");
    frame(address(5), "C005,D9,16:00:41\r\n");
    // Longer than the 255 bytes an old reader took, well inside the decoder's 999.
    frame(address(5), "C005,D1,S04,02500\r\n" + std::string(300, ' '));
    std::string broken = bytes.substr(0, firstEnd);
    broken[broken.size() - 1] ^= 0x01;  // bad checksum: the whole unit 6 frame is dropped
    bytes += broken.replace(broken.find("A004"), 4, "A006");

    play(write("capture.DAT", bytes));
    playToEnd();
    const live::DeviceTable& table = host->deviceTable();
    int unit4 = -1, unit5 = -1, unit6 = -1;
    for (int i = 0; i < live::kOutputLineCount; ++i) {
        if (table[i].DeviceNum == 4) unit4 = i;
        if (table[i].DeviceNum == 5) unit5 = i;
        if (table[i].DeviceNum == 6) unit6 = i;
    }
    ASSERT_GE(unit4, 0);
    ASSERT_GE(unit5, 0);
    EXPECT_EQ(unit6, -1);
    EXPECT_EQ(table[unit4].NetAddress, escaped);
    EXPECT_FLOAT_EQ(table[unit4].Value, 1.5f);
    EXPECT_FLOAT_EQ(table[unit5].Value, 2.5f);
    EXPECT_EQ(trace(0).DeviceNum, 4);
    EXPECT_EQ(chart_test::ChartRig::stored(0), 32);
}

// A capture holds the adapter's answers of its day: played back they would set today's
// adapter PAN ID read-out and, for an accepted change, send "WR" to the real adapter.
TEST_F(PlaybackTest, FramesFromACaptureNeverReachTheLiveAdapterNorTheRecording) {
    host->chooseUnitType(0);
    ASSERT_TRUE(host->choosePort(Ctl::PortARing, "/dev/ttyUSB0"));
    const int port = ports.numberForPath("/dev/ttyUSB0");
    auto wire = [](std::vector<std::uint8_t> data) {
        return testing_support::wireFrame(std::span(data.data(), data.size()));
    };
    // AT response: frame id, command, status, data; remote: frame id, addresses, the same.
    auto local = [&](std::vector<std::uint8_t> tail) {
        std::vector<std::uint8_t> f{0x88, 0x01, 'I', 'D'};
        f.insert(f.end(), tail.begin(), tail.end());
        return wire(f);
    };
    auto remote = [&](std::vector<std::uint8_t> tail) {
        std::vector<std::uint8_t> f(12, 0);  // from the address of no unit chosen: 0
        f[0] = 0x97;
        f.insert(f.end(), {'I', 'D'});
        f.insert(f.end(), tail.begin(), tail.end());
        return wire(f);
    };
    ports.receive(port, local({0, 0, 0, 0, 0, 0, 0, 0x12, 0x34}));  // today's adapter: 0x1234
    ASSERT_EQ(panel.u64(Ctl::AdapterPanId), 0x1234u);
    const std::uint64_t remoteShown = panel.u64(Ctl::RemotePanID);
    const std::size_t sent = ports.ports[port].written.size();

    const std::string capture = local({0, 0, 0, 0, 0, 0, 0, 0xAB, 0xCD}) +  // a read
                                local({0}) +  // a change taken: live, "WR" would follow
                                remote({0, 0, 0, 0, 0, 0, 0, 0x77, 0x77}) +
                                wire({0x90, 0, 0, 0, 0, 0, 0, 0, 5, 0xFF, 0xFE, 0x01, '$', 'I', 'D',
                                      '7', '7', '\r', '\n'}) +  // a configuration reply
                                testing_support::receivePacket(address(5), "C005,D7,G\r\n");
    // A recording runs meanwhile: the file's units are shown, never recorded again.
    dialogs.promptReplies.push_back("99");
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("today.csv")});
    panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    play(write("answers.DAT", capture));
    playToEnd();
    EXPECT_EQ(panel.value(Ctl::Device1), 5);
    EXPECT_EQ(std::filesystem::file_size(dir.file("today000.csv")), 0u);
    EXPECT_EQ(panel.u64(Ctl::AdapterPanId), 0x1234u);
    EXPECT_EQ(panel.u64(Ctl::RemotePanID), remoteShown);
    EXPECT_EQ(ports.ports[port].written.size(), sent) << "nothing is sent to the adapter";
}

TEST_F(PlaybackTest, BrokenLinesAndFilesAreDroppedWithoutTouchingTheUnits) {
    std::string junk = " Plain60 header line\r\n";
    junk += blockLine('A', 4, 8, kT0, "01.5000");
    junk += blockLine('A', 4, 8, "2014-02-10T16:00:44", "09.0000", 31);  // a value short
    junk += blockLine('A', 0, 8, kT0, "09.0000");                        // device 0
    junk += blockLine('F', 4, 8, kT0, "9x.0000");                        // not a number
    junk += "C004,D1,S08\r\nCxyz,D1,S04,01.0000\r\nC004,D8,2014\r\n";    // truncated and bad
    junk += std::string(3000, 'A') + "\r\n";                             // longer than a line
    for (int i = 0; i < 256; ++i) junk += static_cast<char>(i);          // binary
    junk += blockLine('A', 4, 8, "2014-02-10T16:00:44", "02.0000").substr(0, 100);  // cut off
    const std::string path = write("broken.csv", junk);
    play(path);
    EXPECT_EQ(panel.text(Ctl::PlotFileHeader), " Plain60 header line");
    playToEnd();
    int used = 0;
    for (int i = 0; i < live::kOutputLineCount; ++i) used += host->deviceTable()[i].inUse();
    EXPECT_EQ(used, 1);
    EXPECT_EQ(panel.value(Ctl::Output1), 1.5);
    EXPECT_EQ(chart_test::ChartRig::stored(0), 32);
    ASSERT_EQ(dialogs.shown.size(), 1u);  // only the end of the file is told
    EXPECT_EQ(dialogs.shown[0].title, "END OF FILE");

    // A flash-card file not yet converted: told once, nothing taken.
    std::string card = "Y";
    card += blockLine('A', 9, 8, kT0, "01.5000");
    play(write("card.csv", card));
    playToEnd();
    EXPECT_EQ(dialogs.count("FILE TYPE ERROR"), 1);
    EXPECT_EQ(panel.value(Ctl::Device1), 0);
}

TEST_F(PlaybackTest, OnlyCsvAndDatFilesOpenAndAFailedOpenSaysWhy) {
    const std::string first = write("first.csv", blockLine('A', 4, 8, kT0, "01.5000"));
    open(first);
    ASSERT_TRUE(playback().FileOpen());
    EXPECT_EQ(panel.text(Ctl::PlotFileName), first);
    EXPECT_FALSE(panel.dimmed(Ctl::MenuClosePlotFile));

    dialogs.fileReplies.push_back({});  // cancelled: the open file stays
    panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);
    EXPECT_TRUE(playback().FileOpen());

    open(write("mixed.Csv", "C004,D1,S04,01.0000\r\n"));
    EXPECT_EQ(dialogs.count("WRONG FILE TYPE"), 1);
    EXPECT_FALSE(playback().FileOpen());  // the previous file was closed first
    EXPECT_TRUE(panel.dimmed(Ctl::MenuClosePlotFile));
    EXPECT_EQ(panel.text(Ctl::PlotFileName), "");

    const std::string gone = dir.file("gone.DAT");
    open(gone);
    ASSERT_EQ(dialogs.count("OPEN DATA FILE"), 1);
    EXPECT_NE(dialogs.shown.back().text.find(gone), std::string::npos);
    EXPECT_FALSE(playback().FileOpen());
}

TEST_F(PlaybackTest, SpeedSetsTheStepRateAndANegativeSpeedStepsBackwards) {
    play(write("five.csv", std::string(5000, ' ')));
    EXPECT_EQ(panel.maxValue(Ctl::FileKbPosition), 4);
    EXPECT_EQ(panel.timerInterval(Ctl::ReadFileTimer), 1000);
    EXPECT_TRUE(panel.timerEnabled(Ctl::ReadFileTimer));
    // Every speed offered can be stepped at: none of them is 0.
    for (const auto& item : panel.items(Ctl::PlotSpeedCtr)) EXPECT_NE(item.value, 0);

    commit(Ctl::PlotSpeedCtr, 2);
    EXPECT_EQ(panel.timerInterval(Ctl::ReadFileTimer), 500);
    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(playback().FileLocation(), 3072);
    aBurst(4, 8, kT0);  // something charted, so the reset shows
    commit(Ctl::PlotSpeedCtr, -1);
    EXPECT_TRUE(playback().FileReadBackwards());
    EXPECT_EQ(panel.timerInterval(Ctl::ReadFileTimer), 1000);
    tick();
    EXPECT_EQ(playback().FileLocation(), 2048);
    EXPECT_EQ(panel.value(Ctl::FileKbPosition), 2);
    EXPECT_EQ(panel.text(Ctl::ChartStartTime), "YYYY-MM-DDThh:mm:ss.sss");
    for (int i = 0; i < 5; ++i) tick();
    EXPECT_EQ(playback().FileLocation(), 0);

    commit(Ctl::PlotSpeedCtr, 1);
    for (int i = 0; i < 5; ++i) tick();
    EXPECT_EQ(playback().FileLocation(), 5000);
    EXPECT_EQ(host->chartCtr().PlotRun, 1);
    tick();  // nothing left to read
    EXPECT_EQ(host->chartCtr().PlotRun, 0);
}

// Blocks of 32 samples at 8/s every 4 s from kT0 on, with a pause of the recording.
std::string fourSecondBlocks(int count, int pauseAfter = -1, int pauseSeconds = 0) {
    std::string blocks;
    for (int i = 0; i < count; ++i) {
        const double t = platform::toAbsTime({2014, 2, 10, 16, 0, 40, 0}) + 4 * i +
                         (pauseAfter >= 0 && i > pauseAfter ? pauseSeconds : 0);
        blocks += blockLine('A', 4, 8, chart::timeText(t).c_str(), "01.5000");
    }
    return blocks;
}

// The time the "Played up to" line shows, and the pace it gives (0: none yet).
std::pair<std::string, double> playedUpTo(const std::string& text) {
    const std::size_t about = text.find(", about ");
    return {text.substr(0, 19), about == std::string::npos ? 0 : std::stod(text.substr(about + 8))};
}

// The speed is a multiple of real time: the recording goes by at that pace whatever its
// bytes per second, "Played up to" says how fast it goes and going back says so.
TEST_F(PlaybackTest, PlayedUpToShowsTheRecordedTimeAndThePaceOfTheSpeedChosen) {
    play(write("blocks.csv", fourSecondBlocks(240)));  // 16 minutes
    EXPECT_EQ(panel.text(Ctl::PlotFileTime), "");
    EXPECT_EQ(panel.items(Ctl::PlotSpeedCtr)[4].label, "1x (real time)");
    commit(Ctl::PlotSpeedCtr, 2);
    EXPECT_EQ(panel.timerInterval(Ctl::ReadFileTimer), 500);
    tick();
    const std::string first = panel.text(Ctl::PlotFileTime);
    EXPECT_EQ(first, "2014-02-10T16:00:48") << "no pace from one step";
    for (int i = 0; i < 60; ++i) tick();  // 30 s
    auto [time, pace] = playedUpTo(panel.text(Ctl::PlotFileTime));
    EXPECT_EQ(time, std::string(host->deviceTable()[0].DateTime.data()));
    EXPECT_GT(pace, 1.5);
    EXPECT_LT(pace, 2.5);
    EXPECT_TRUE(panel.text(Ctl::PlotFileTime).ends_with(" times real time"));
    const std::int64_t at2x = playback().FileLocation();

    // An hour a minute: ticks of 50 ms, three recorded seconds each.
    commit(Ctl::PlotSpeedCtr, 60);
    EXPECT_EQ(panel.timerInterval(Ctl::ReadFileTimer), 50);
    for (int i = 0; i < 40; ++i) tick();  // 2 s
    std::tie(time, pace) = playedUpTo(panel.text(Ctl::PlotFileTime));
    EXPECT_GT(pace, 50);
    EXPECT_LT(pace, 70);
    EXPECT_GT(playback().FileLocation() - at2x, 7 * 1024) << "two minutes of blocks";

    commit(Ctl::PlotSpeedCtr, -1);
    tick();
    EXPECT_TRUE(panel.text(Ctl::PlotFileTime).starts_with("going back"))
        << panel.text(Ctl::PlotFileTime);
    panel.raise(Ctl::MenuClosePlotFile, Event::Commit);
    EXPECT_EQ(panel.text(Ctl::PlotFileTime), "");
}

// A pause of two hours in the recording is played over, not waited out at real time.
TEST_F(PlaybackTest, AGapInTheRecordingIsSkippedAndSaidSo) {
    play(write("paused.csv", fourSecondBlocks(60, 20, 7200)));
    int ticks = 0;
    while (panel.text(Ctl::PlotFileTime).find("gap") == std::string::npos && ticks < 200) {
        tick();
        ++ticks;
    }
    EXPECT_LT(ticks, 200);
    const std::string text = panel.text(Ctl::PlotFileTime);
    EXPECT_TRUE(text.starts_with("2014-02-10T18:0")) << text;
    EXPECT_TRUE(text.ends_with("(a gap in the recording was skipped)")) << text;
}

// The file's times are read in the background; then a time typed in "Go to time" starts the
// playing there, the slider shows where that is, going back steps by recorded time, and a
// time the file does not hold is refused with the times it does.
TEST_F(PlaybackTest, GoToTimeAndGoingBackFollowTheIndexOfTheFilesTimes) {
    const std::string blocks = fourSecondBlocks(240);
    play(write("blocks.csv", blocks));
    panel.setText(Ctl::PlotGoToTime, "16:05:00");
    panel.raise(Ctl::PlotGoToTime, Event::Commit);
    ASSERT_EQ(dialogs.count("GO TO TIME"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("still being read"), std::string::npos);

    EXPECT_TRUE(panel.text(Ctl::PlotFileSpan).starts_with("reading the file's times: 0 %"));
    EXPECT_TRUE(panel.timerEnabled(Ctl::FileTimeIndexTimer));
    panel.raise(Ctl::FileTimeIndexTimer, Event::TimerTick);
    EXPECT_FALSE(panel.timerEnabled(Ctl::FileTimeIndexTimer));
    EXPECT_EQ(panel.text(Ctl::PlotFileSpan),
              "2014-02-10T16:00:40 to 2014-02-10T16:16:36 (15 min 56 s)");

    panel.setText(Ctl::PlotGoToTime, "16:05:00");
    panel.raise(Ctl::PlotGoToTime, Event::Commit);
    EXPECT_EQ(dialogs.count("GO TO TIME"), 1);
    const std::int64_t there = playback().FileLocation();
    EXPECT_EQ(there % 1024, 0);
    EXPECT_NEAR(static_cast<double>(there), 65.0 * blocks.size() / 240, 1024);  // block 65
    EXPECT_EQ(panel.value(Ctl::FileKbPosition), static_cast<double>(there / 1024));
    tick();
    EXPECT_EQ(panel.value(Ctl::Output1), 1.5);
    const std::string reached = panel.text(Ctl::PlotFileTime);
    EXPECT_GE(reached, "2014-02-10T16:05:00");
    EXPECT_LE(reached, "2014-02-10T16:05:20") << "within a kilobyte of blocks";

    // Back at an hour a minute: three recorded seconds a tick of 50 ms, from 16:05:01.
    commit(Ctl::PlotSpeedCtr, -60);
    for (int i = 0; i < 20; ++i) tick();
    EXPECT_EQ(panel.text(Ctl::PlotFileTime), "going back: 2014-02-10T16:04:01");
    EXPECT_LT(playback().FileLocation(), there - 3 * 1024);

    // The slider shows its time as soon as it is let go.
    commit(Ctl::FileKbPosition, 1);
    EXPECT_EQ(panel.text(Ctl::PlotGoToTime), "2014-02-10T16:00:48");

    for (const char* bad : {"16:20:00", "2014-02-11 16:05:00", "five past four"}) {
        panel.setText(Ctl::PlotGoToTime, bad);
        panel.raise(Ctl::PlotGoToTime, Event::Commit);
        EXPECT_EQ(playback().FileLocation(), 1024) << bad;
    }
    EXPECT_EQ(dialogs.count("GO TO TIME"), 4);
    EXPECT_NE(dialogs.shown.back().text.find("is not a time"), std::string::npos);
    EXPECT_NE(dialogs.shown[dialogs.shown.size() - 2].text.find(
                  "The file was recorded from 2014-02-10T16:00:40 to 2014-02-10T16:16:36"),
              std::string::npos);
}

// A large file's times are read a part a tick, with progress: playing and going to a time in
// the part read need not wait for the rest.
TEST_F(PlaybackTest, ALargeFilesTimesAreReadAPartATickWithProgress) {
    const std::string blocks = fourSecondBlocks(9000);  // ten hours, 2.6 MB
    play(write("large.csv", blocks));
    panel.raise(Ctl::FileTimeIndexTimer, Event::TimerTick);
    EXPECT_EQ(panel.text(Ctl::PlotFileSpan), "reading the file's times: 40 % of 2.6 MB");
    panel.setText(Ctl::PlotGoToTime, "2014-02-11 01:00:00");
    panel.raise(Ctl::PlotGoToTime, Event::Commit);
    ASSERT_EQ(dialogs.count("GO TO TIME"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("beyond what has been read"), std::string::npos);
    panel.setText(Ctl::PlotGoToTime, "17:00");
    panel.raise(Ctl::PlotGoToTime, Event::Commit);
    EXPECT_EQ(dialogs.count("GO TO TIME"), 1);
    EXPECT_NEAR(static_cast<double>(playback().FileLocation()), 890.0 * 289, 1024);
    tick();
    EXPECT_EQ(panel.value(Ctl::Output1), 1.5);
    for (int i = 0; i < 3; ++i) panel.raise(Ctl::FileTimeIndexTimer, Event::TimerTick);
    EXPECT_FALSE(panel.timerEnabled(Ctl::FileTimeIndexTimer));
    EXPECT_EQ(panel.text(Ctl::PlotFileSpan),
              "2014-02-10T16:00:40 to 2014-02-11T02:00:36 (9 h 59 min)");
}

TEST_F(PlaybackTest, TheSliderJumpsAndALineBegunBeforeTheJumpIsDropped) {
    // Line 1 spans the first kilobyte boundary; what follows the jump is a line of its own.
    std::string bytes(1000, ' ');
    bytes += blockLine('A', 4, 8, kT0, "01.5000");
    bytes.resize(2048, ' ');
    bytes += blockLine('A', 5, 8, kT0, "02.5000");
    play(write("jump.csv", bytes));
    tick();  // reads into the middle of the unit 4 line
    commit(Ctl::FileKbPosition, 2);
    EXPECT_EQ(playback().FileLocation(), 2048);
    playToEnd();
    EXPECT_EQ(panel.value(Ctl::Device1), 5);
    EXPECT_EQ(panel.value(Ctl::Device2), 0);

    commit(Ctl::FileKbPosition, 100);  // beyond the end: at the end
    EXPECT_EQ(playback().FileLocation(), static_cast<std::int64_t>(bytes.size()));
}

TEST_F(PlaybackTest, ClosingWhilePlayingStopsTheReaderAndTheWindowClosesTheFile) {
    std::string bytes;
    for (int i = 0; i < 20; ++i) bytes += blockLine('A', 4, 8, kT0, "01.5000");
    play(write("long.csv", bytes));
    tick();
    panel.raise(Ctl::MenuClosePlotFile, Event::Commit);
    EXPECT_FALSE(playback().FileOpen());
    EXPECT_FALSE(panel.timerEnabled(Ctl::ReadFileTimer));
    EXPECT_TRUE(panel.dimmed(Ctl::PlotSpeedCtr));
    EXPECT_TRUE(panel.dimmed(Ctl::FileKbPosition));
    EXPECT_EQ(panel.value(Ctl::FileKbPosition), 0);
    EXPECT_EQ(panel.maxValue(Ctl::FileKbPosition), 100);
    tick();  // a tick already queued finds no file
    EXPECT_EQ(playback().FileLocation(), 1024);

    play(dir.file("long.csv"));
    panel.raise(Ctl::MainWindow, Event::Close);
    EXPECT_FALSE(playback().FileOpen());
}

TEST_F(PlaybackTest, SwitchingTheDataSourceOrOpeningAFileClearsTheUnitsAndPausesTheRadioScan) {
    panel.setTimerEnabled(Ctl::DeviceDisplayTimer, true);  // a radio port is open
    panel.setTimerEnabled(Ctl::ConfigTimer, true);
    aBurst(4, 8, kT0);
    selectTrace(0, 4);
    startPlotting();
    commit(Ctl::PlotSourceSelect, 1);
    EXPECT_EQ(host->chartCtr().PlotSource, 1);
    EXPECT_FALSE(host->deviceTable()[0].inUse());
    EXPECT_EQ(panel.value(Ctl::Device1), 0);
    EXPECT_TRUE(panel.dimmed(Ctl::Device1));
    EXPECT_EQ(panel.intValue(Ctl::RawStartStop), 0);
    EXPECT_EQ(trace(0).DeviceNum, 0);
    EXPECT_FALSE(panel.timerEnabled(Ctl::ConfigTimer));

    commit(Ctl::PlotSourceSelect, 0);
    EXPECT_TRUE(panel.timerEnabled(Ctl::ConfigTimer));
    panel.setTimerEnabled(Ctl::DeviceDisplayTimer, false);  // no radio port: the scan stays off
    commit(Ctl::PlotSourceSelect, 1);
    commit(Ctl::PlotSourceSelect, 0);
    EXPECT_FALSE(panel.timerEnabled(Ctl::ConfigTimer));

    // A file opened to plot turns the source to the file, as choosing it on the ring does.
    aBurst(4, 8, kT0);
    ASSERT_TRUE(host->deviceTable()[0].inUse());
    panel.setTimerEnabled(Ctl::DeviceDisplayTimer, true);
    commit(Ctl::PlotSourceSelect, 0);
    open(write("one.csv", blockLine('A', 4, 8, kT0, "01.5000")));
    EXPECT_EQ(panel.intValue(Ctl::PlotSourceSelect), 1);
    EXPECT_EQ(host->chartCtr().PlotSource, 1);
    EXPECT_FALSE(host->deviceTable()[0].inUse());
    EXPECT_FALSE(panel.timerEnabled(Ctl::ConfigTimer));
    startPlotting();
    tick();
    EXPECT_GT(playback().FileLocation(), 0);
}

}  // namespace
