#include "live/data_service.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "live_rig.h"

using live_test::burstHead;
using live_test::LiveRig;
using live_test::packet;
using live_test::TempDir;
using platform::Ctl;

namespace {

constexpr std::uint64_t kUnit = 0x0013A20040A1B2C3ull;

std::string int16Samples(int n, int first, int step) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(first + i * step));
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>(v >> 8);
    }
    return s;
}

struct DataServiceTest : ::testing::Test, LiveRig {};

TEST_F(DataServiceTest, ASampleOnAnEmptyTableGetsAnEntryRateValueAndCount) {
    int fastSyncs = 0;
    service.hooks.startFastSync = [&] { ++fastSyncs; };
    display.onNewUnit = [&] { ++fastSyncs; };
    rx(kUnit, "C012,D1,S04,01234\r\n");
    ASSERT_GE(lineOf(kUnit, 12), 0);
    const live::OutputLine& e = entry(kUnit, 12);
    EXPECT_EQ(e.SampleRate, 4);
    EXPECT_FLOAT_EQ(e.Value, 1.234f);
    EXPECT_EQ(e.SampleCount, 1);
    EXPECT_EQ(e.PowerOn, 1);
    EXPECT_EQ(e.DataKind, live::kKindSample);
    EXPECT_EQ(e.MsgType, 'C');
    EXPECT_EQ(fastSyncs, 2);  // a new unit and a new sample rate
    // Shown in row 1 of page 1, undimmed, with the offset time of one sample at 4 Hz.
    EXPECT_EQ(panel.u64(Ctl::Address1), kUnit);
    EXPECT_EQ(panel.value(Ctl::Device1), 12);
    EXPECT_DOUBLE_EQ(panel.value(Ctl::Output1), static_cast<double>(1.234f));
    EXPECT_EQ(panel.value(Ctl::Offset1), 250);
    EXPECT_FALSE(panel.dimmed(Ctl::Output1));
}

TEST_F(DataServiceTest, ZeroOffsetScaleAndSwellmeterValues) {
    rx(kUnit, "C012,D1,S04,01234\r\n");
    live::OutputLine& e = table[lineOf(kUnit, 12)];
    e.ZeroOn = 1;
    e.Offset = 0.5f;
    rx(kUnit, "C012,D1,S04,01234\r\n");
    EXPECT_NEAR(e.Value, 0.734f, 1e-6);
    EXPECT_EQ(service.WorkValue[0], e.Value);
    e.ZeroOn = 0;
    rx(kUnit, "C012,D1,S04,123456\r\n", 1);  // tenths of millimetres from a long staff
    EXPECT_FLOAT_EQ(e.Value, 12.3456f);
    session.UnitType = 9;
    rx(kUnit, "C012,D1,S04,10.12345\r\n");
    EXPECT_FLOAT_EQ(e.Value, 10.12345f);
    rx(kUnit, "C012,D1,S04,-0.12345\r\n");  // the difference of two gauges
    EXPECT_FLOAT_EQ(e.Value, -0.12345f);
}

// Noise is not data: each of these came through with a valid checksum (or from a line that
// turned noise into a record) and must leave no trace but a count.
TEST_F(DataServiceTest, NoiseIsDroppedAndCountedNeverShownOrRecorded) {
    std::vector<links::FrameSource> dropped;
    service.hooks.noiseDropped = [&](links::FrameSource s) { dropped.push_back(s); };
    TempDir dir;
    dialogs.promptReplies.push_back("99");
    dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir.file("n.csv")});
    recorder.SaveOutputDataToFile();
    std::string binaryTag = burstHead('A', 4, 8, '0', std::string("2014-02\x01\xFF" "0T16:00:40", 19));
    std::string junkA = burstHead('A', 4, 8);
    for (int i = 0; i < 32; ++i) junkA += i == 17 ? "12\x80" "34" : "001500";
    std::string nanF = burstHead('F', 5, 8);
    for (int i = 0; i < 32; ++i) nanF += std::string("\x00\x00\xC0\x7F", 4);
    const std::vector<std::string> noise = {
        "C012,D1,S04,\r\n",                               // no digits
        "C012,D1,S04,12345678901234567890123456789012\r\n",  // a 32-digit value
        "C012,D1,S04,01\x02" "34\r\n",
        "C0x2,D1,S04,01234\r\n",
        "C012,D1,S4,01234\r\n",
        "C012,D4,2\xB0" "1\r\n",
        "C012,D8,2014-0\x002-10\r\n",
        "C012,D9,12:0A:05\r\n",
        "C012,D7,g\r\n",
        binaryTag + std::string(192, '0'),
        junkA,
        nanF,
        "Q012,S04,B0,2014-02-10T16:00:40,,",               // no such message
    };
    for (const std::string& n : noise) rx(kUnit, n);
    EXPECT_EQ(dropped.size(), noise.size());
    for (int i = 0; i < live::kOutputLineCount; ++i) EXPECT_FALSE(table[i].inUse()) << i;
    recorder.StopOutputDataToFile();
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("n000.csv")));

    // What units really send passes, signs and long numbers included.
    dropped.clear();
    for (const char* ok : {"C012,D1,S04,-0123\r\n", "C012,D4,-1.5\r\n", "C012,D7,B\r\n",
                           "C012,D8,2026-12-08\r\n", "C012,D9,23:59:59\r\n", "C012,D4,16.1"}) {
        rx(kUnit, ok);
    }
    rx(kUnit, "C012,D1,S04,123456\r\n", 1);  // 12.3456 m on a 20 m staff
    std::string negA = burstHead('A', 4, 8, '3');
    for (int i = 0; i < 32; ++i) negA += "-00123";
    rx(kUnit, negA);
    EXPECT_TRUE(dropped.empty());
    EXPECT_FLOAT_EQ(entry(kUnit, 12).Value, 12.3456f);
    EXPECT_FLOAT_EQ(entry(kUnit, 4).Value, -0.123f);
}

TEST_F(DataServiceTest, TextSubTypesSetTimeTemperatureAndPowerState) {
    rx(kUnit, "C012,D1,S04,01234\r\n");
    rx(kUnit, "C012,D1,S04,01234\r\n");
    live::OutputLine& e = table[lineOf(kUnit, 12)];
    EXPECT_EQ(e.SampleCount, 2);
    rx(kUnit, "C012,D8,2026-12-08\r\n");
    rx(kUnit, "C012,D9,12:00:05\r\n");
    EXPECT_EQ(e.SampleCount, 0);
    EXPECT_STREQ(e.DateTime.data(), "2026-12-08T12:00:05");
    EXPECT_EQ(e.Year, 2026);
    EXPECT_EQ(e.Month, 12);
    EXPECT_EQ(e.Day, 8);
    EXPECT_EQ(e.Hour, 12);
    EXPECT_EQ(e.Minute, 0);
    EXPECT_EQ(e.Second, 5);
    EXPECT_EQ(e.OffsetTime, 0);
    EXPECT_EQ(panel.text(Ctl::DateTime1), "2026-12-08T12:00:05");

    rx(kUnit, "C012,D7,L\r\n");
    EXPECT_EQ(e.PowerState, '2');
    EXPECT_EQ(panel.color(Ctl::Led1), platform::kLedYellow);
    rx(kUnit, "C012,D7,X\r\n");  // unknown letter: unchanged
    EXPECT_EQ(e.PowerState, '2');
    rx(kUnit, "C012,D7,B\r\n");
    EXPECT_EQ(panel.color(Ctl::Led1), platform::kRed);

    rx(kUnit, "C012,D4,21.5\r\n");
    EXPECT_FLOAT_EQ(e.Temperature, 21.5f);
    EXPECT_DOUBLE_EQ(panel.value(Ctl::TempPortA), 21.5);
    EXPECT_FALSE(panel.dimmed(Ctl::TempPortA));
    EXPECT_TRUE(panel.dimmed(Ctl::TempPlayback));
}

TEST_F(DataServiceTest, TemperatureGoesToTheIndicatorOfItsPortOrOfTheFile) {
    for (int type : {3, 9, 0}) {
        SCOPED_TRACE(type);
        session.UnitType = type;
        rx(1, "C001,D4,18.0", 0, links::FrameSource::PortA);
        rx(2, "C002,D4,07.5", 0, links::FrameSource::PortB);
        chart.PlotSource = 1;
        rx(7, "C007,D4,21.0", 0, links::FrameSource::File);
        chart.PlotSource = 0;
        EXPECT_DOUBLE_EQ(panel.value(Ctl::TempPortA), 18.0);
        EXPECT_DOUBLE_EQ(panel.value(Ctl::TempPortB), 7.5);
        EXPECT_DOUBLE_EQ(panel.value(Ctl::TempPlayback), 21.0);
        for (Ctl c : {Ctl::TempPortA, Ctl::TempPortB, Ctl::TempPlayback}) {
            EXPECT_FALSE(panel.dimmed(c));
            panel.setValue(c, 0);
        }
    }
}

TEST_F(DataServiceTest, RateZeroOrAboveThirtyTwoEndsAsOne) {
    rx(kUnit, "C012,D1,S00,01000\r\n");
    EXPECT_EQ(entry(kUnit, 12).SampleRate, 1);
    rx(kUnit, "C012,D1,S64,01000\r\n");
    EXPECT_EQ(entry(kUnit, 12).SampleRate, 1);
}

TEST_F(DataServiceTest, IBurstAtSixteenDecodesSixtyFourValuesAndItsDuration) {
    int plots = 0;
    chart.PlotRun = 1;
    service.hooks.PlotData = [&](int) { ++plots; };
    rx(kUnit, burstHead('I', 7, 16, '2') + int16Samples(64, -1000, 100));
    const live::OutputLine& e = entry(kUnit, 7);
    EXPECT_EQ(e.OffsetTime, 4000);
    EXPECT_EQ(e.SampleCount, 64);
    EXPECT_EQ(e.SampleRate, 16);
    EXPECT_EQ(e.PowerState, '2');
    EXPECT_EQ(e.DataKind, live::kKindBurst);
    EXPECT_STREQ(e.DateTime.data(), "2014-02-10T16:00:40");
    EXPECT_EQ(e.Second, 40);
    EXPECT_FLOAT_EQ(service.WorkValue[0], -1.0f);
    EXPECT_FLOAT_EQ(service.WorkValue[63], 5.3f);
    EXPECT_FLOAT_EQ(e.Value, 5.3f);
    EXPECT_EQ(plots, 1);
}

TEST_F(DataServiceTest, EveryBurstEncodingDecodes) {
    std::string a = burstHead('A', 4, 32);
    for (int i = 0; i < 32; ++i) {
        char s[8];
        std::snprintf(s, sizeof s, "%05d,", 1000 + i);
        a += s;
    }
    rx(kUnit, a);
    EXPECT_FLOAT_EQ(service.WorkValue[31], 1.031f);
    EXPECT_EQ(entry(kUnit, 4).OffsetTime, 1000);

    std::string f = burstHead('F', 5, 8);
    for (int i = 0; i < 32; ++i) {
        float v = 0.25f * static_cast<float>(i);
        char b[4];
        std::memcpy(b, &v, 4);  // the units send little-endian, as this machine stores it
        f.append(b, 4);
    }
    rx(kUnit, f);
    EXPECT_FLOAT_EQ(entry(kUnit, 5).Value, 7.75f);
    EXPECT_EQ(entry(kUnit, 5).OffsetTime, 4000);

    rx(kUnit, burstHead('i', 6, 4) + int16Samples(60, 1, 1));
    EXPECT_EQ(entry(kUnit, 6).SampleCount, 60);
    EXPECT_EQ(entry(kUnit, 6).OffsetTime, 15000);
    EXPECT_FLOAT_EQ(entry(kUnit, 6).Value, 0.060f);

    std::string g = burstHead('G', 9, 1);
    for (int i = 0; i < 128; ++i) g += static_cast<char>(i);
    rx(kUnit, g);
    EXPECT_EQ(entry(kUnit, 9).SampleCount, 128);
    EXPECT_EQ(entry(kUnit, 9).Value, 0.0f);
    EXPECT_EQ(service.WorkASCIIValue[127], 127);
}

TEST_F(DataServiceTest, TruncatedBurstIsDroppedWithoutTouchingTheValues) {
    rx(kUnit, burstHead('I', 7, 16) + int16Samples(64, 500, 0));
    service.WorkValue.fill(9.0f);
    rx(kUnit, burstHead('I', 7, 8) + int16Samples(10, 100, 0));
    EXPECT_EQ(service.WorkValue[0], 9.0f);
    EXPECT_EQ(entry(kUnit, 7).SampleRate, 16);
    EXPECT_FLOAT_EQ(entry(kUnit, 7).Value, 0.5f);
    rx(kUnit, "A");  // nothing but the type letter: device 0, no entry drawn
}

TEST_F(DataServiceTest, ATwentyFifthUnitIsIgnored) {
    for (int i = 1; i <= 24; ++i) rx(0x1000 + static_cast<std::uint64_t>(i), "C001,D1,S04,01000\r\n");
    int fast = 0;
    service.hooks.startFastSync = [&] { ++fast; };
    rx(0x2000, "C001,D1,S08,02000\r\n");
    EXPECT_EQ(lineOf(0x2000, 1), -1);
    EXPECT_EQ(fast, 0);
    for (int i = 0; i < live::kOutputLineCount; ++i) EXPECT_NE(table[i].NetAddress, 0x2000u);
}

TEST_F(DataServiceTest, ConfigurationReplyGoesToTheParserWithTheConfiguredDevice) {
    int parsedLine = -2;
    std::string seen;
    service.hooks.configDeviceNumber = [] { return 37; };
    service.hooks.RxConfigData = [&](int line) {
        parsedLine = line;
        seen = service.RxChars.data();
    };
    // A reply never takes an entry: before the unit has reported it has none.
    rx(kUnit, "$RS,8\r\n");
    EXPECT_EQ(parsedLine, -1);
    EXPECT_EQ(seen, "$RS,8\r\n");
    EXPECT_LT(lineOf(kUnit, 37), 0);
    rx(kUnit, "C037,D1,S04,01234\r\n");
    rx(kUnit, "$RS,8\r\n");
    EXPECT_EQ(parsedLine, lineOf(kUnit, 37));
    EXPECT_EQ(entry(kUnit, 37).MsgType, 'C') << "a reply is no data message";

    // A data logger configured as 255 answers on device 0, which no entry carries.
    session.UnitType = 8;
    service.hooks.configDeviceNumber = [] { return 255; };
    rx(0xFFFF, "$RX,255\r\n");
    EXPECT_EQ(parsedLine, -1);
    EXPECT_LT(lineOf(0xFFFF, 0), 0);

    // A reply longer than the text buffer is cut and still terminated.
    rx(kUnit, "$" + std::string(1020, 'x') + "\r\n");
    EXPECT_EQ(seen.size(), 1023u);
    links::RxFrame huge = packet(kUnit, "$" + std::string(2000, 'y'));
    huge.length = 5000;  // a length no frame can have
    service.RxDataService(huge, 0);
    EXPECT_EQ(seen.size(), service.RxChars.size() - 1);
}

// The radio may cut a reply into several frames, with the unit's samples between the parts,
// or carry two replies in one frame: the parser gets each whole reply once, and a reply that
// never got its line end is never taken for a whole one.
TEST_F(DataServiceTest, RepliesAreTakenLineByLineWhateverTheFrames) {
    std::vector<std::string> seen;
    service.hooks.RxConfigData = [&](int) { seen.push_back(service.RxChars.data()); };
    rx(kUnit, "$RS,1");
    rx(kUnit, "C037,D1,S04,01234\r\n");
    rx(kUnit + 1, "6");  // another unit's noise is not the rest of the reply
    EXPECT_TRUE(seen.empty());
    rx(kUnit, "6\r\n");
    rx(kUnit, "$RL,10\r\n$RI,");
    rx(kUnit, "30\r\n");
    EXPECT_EQ(seen, (std::vector<std::string>{"$RS,16\r\n", "$RL,10\r\n", "$RI,30\r\n"}));
    EXPECT_EQ(entry(kUnit, 37).Value, 1.234f) << "the sample between the parts counts";

    seen.clear();
    rx(kUnit, "$RS,1");     // cut short: its rest never came
    rx(kUnit, "$RS,8\n");  // the answer to the command sent again
    rx(kUnit, "$OR,ab");     // a data block is one frame, however long
    EXPECT_EQ(seen, (std::vector<std::string>{"$RS,8\n", "$OR,ab"}));
}

TEST_F(DataServiceTest, ClockSyncTriggerSetsSeparatorsFromTheMessageKind) {
    rx(kUnit, "C012,D1,S04,01234\r\n");
    rx(kUnit + 1, burstHead('A', 3, 32, '0', "2014-02-10T16:00:47") + std::string(192, '0'));
    const int cLine = lineOf(kUnit, 12);
    const int aLine = lineOf(kUnit + 1, 3);
    int armed = cLine;
    std::vector<std::pair<std::uint64_t, std::string>> syncs;
    service.hooks.autoWaitSyncFor = [&](int line) { return line == armed; };
    service.hooks.AutoSyncFathomrodXB = [&](std::uint64_t a, const std::array<char, 3>& sep) {
        syncs.push_back({a, sep.data()});
        armed = -1;
    };
    rx(kUnit, "C012,D1,S04,01234\r\n");
    armed = aLine;
    rx(kUnit + 1, burstHead('A', 3, 32, '0', "2014-02-10T16:00:47") + std::string(192, '0'));
    ASSERT_EQ(syncs.size(), 2u);
    EXPECT_EQ(syncs[0], std::make_pair(kUnit, std::string("::")));
    EXPECT_EQ(syncs[1], std::make_pair(kUnit + 1, std::string("EH")));  // '4'+17, '7'+17
    EXPECT_EQ(clock.delays, 2);
    EXPECT_NEAR(clock.totalDelay, 0.008, 1e-12);
}

TEST_F(DataServiceTest, LocalAtResponsesHandleReadChangeAndFailure) {
    links::RxFrame f;
    const std::uint8_t read[] = {0x88, 1, 'I', 'D', 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34};
    std::memcpy(f.data.data(), read, sizeof read);
    f.length = sizeof read;
    int visible = -1, saves = 0, handled = 0;
    panIds.ConfigXBPANVisible = [&](int v) { visible = v; };
    panIds.SaveLocalPANID = [&] { ++saves; };
    service.hooks.frameHandled = [&] { ++handled; };
    writer.TxWait = 1;
    panel.setDimmed(Ctl::AdapterPanId, true);
    service.RxDataService(f, 0);
    EXPECT_EQ(panel.u64(Ctl::AdapterPanId), 0x1234u);
    EXPECT_EQ(panIds.LastLocalXstickPANID, 0x1234u);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(writer.TxWait, 0);
    EXPECT_FALSE(panel.dimmed(Ctl::AdapterPanId));

    f.length = 5;  // the answer to a write carries no data: make it permanent
    service.RxDataService(f, 0);
    EXPECT_EQ(saves, 1);

    panel.setU64(Ctl::AdapterPanId, 0x9999);
    f.data[4] = 1;  // refused: the kept value comes back
    service.RxDataService(f, 0);
    EXPECT_EQ(panel.u64(Ctl::AdapterPanId), 0x1234u);
    f.length = 3;  // no status byte at all: ignored
    service.RxDataService(f, 0);
    EXPECT_EQ(handled, 4);
}

TEST_F(DataServiceTest, RemoteWrFromTheConfiguredUnitShowsTheSavedPopUp) {
    config.ConfigDeviceAddr = kUnit;
    links::RxFrame f;
    f.data[0] = 0x97;
    for (int i = 0; i < 8; ++i) f.data[static_cast<std::size_t>(2 + i)] = static_cast<std::uint8_t>(kUnit >> (56 - 8 * i));
    f.data[12] = 'W';
    f.data[13] = 'R';
    f.data[14] = 0;
    f.length = 15;
    service.RxDataService(f, 0);
    ASSERT_EQ(dialogs.count("OK, REMOTE PAN ID SAVED!"), 1);
    EXPECT_EQ(dialogs.shown.back().text,
              "Saved! Now the XB unit's PAN ID will remain through power cycles.");
    config.ConfigDeviceAddr = kUnit + 1;  // another radio: dropped
    service.RxDataService(f, 0);
    EXPECT_EQ(dialogs.count("OK, REMOTE PAN ID SAVED!"), 1);
}

}  // namespace
