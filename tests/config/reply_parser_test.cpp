// Replies of radio units as they arrive from the adapter, one at a time, and what the
// configuration pages show for them.
#include "config/reply_parser.h"

#include <gtest/gtest.h>

#include <cstring>

#include "scan_rig.h"

namespace {

using configtest::ScanRig;
using platform::Ctl;

struct Replies : ScanRig {
    // A unit of the given type, selected and connected; its scan is left to the test.
    void connect(int type) {
        answers = {{"WZ,2", "WZ,2"}};
        start(type);
        report(5);
        select(5);
        tick();
    }
    std::vector<double> startFields() {
        std::vector<double> v;
        for (Ctl c : {Ctl::SelStartYear, Ctl::SelStartMonth, Ctl::SelStartDay, Ctl::SelStartHour,
                      Ctl::SelStartMinute})
            v.push_back(panel.value(c));
        return v;
    }
};

TEST_F(Replies, StartTimeShownIsOneMinuteLaterAcrossMonthsYearsAndLeapDays) {
    connect(0);
    struct Case {
        const char* reply;
        std::vector<double> shown;
    };
    for (const Case& c : {Case{"RQ,2015-12-31T23:59", {2016, 1, 1, 0, 0}},
                          Case{"RQ,2016-02-28T23:59", {2016, 2, 29, 0, 0}},
                          Case{"RQ,2016-02-29T23:59", {2016, 3, 1, 0, 0}},
                          // The units count every fourth year a leap year, 2100 too.
                          Case{"RQ,2100-02-28T23:59", {2100, 2, 29, 0, 0}},
                          Case{"RQ,2015-04-30T10:59", {2015, 4, 30, 11, 0}}}) {
        SCOPED_TRACE(c.reply);
        reply(c.reply);
        EXPECT_EQ(startFields(), c.shown);
    }
    EXPECT_FALSE(panel.dimmed(Ctl::WriteStartTime) && !panel.visible(Ctl::WriteStartTime));
    EXPECT_EQ(config::DaysInMonth(2100, 2), 29);
    EXPECT_EQ(config::DaysInMonth(2015, 2), 28);
}

TEST_F(Replies, FirmwareVersionChoosesTheCalibrationLayoutByUnitType) {
    connect(0);
    reply("RK,1.9");
    EXPECT_TRUE(panel.visible(Ctl::SelCalGain));
    EXPECT_FALSE(panel.visible(Ctl::CalTable));
    EXPECT_EQ(state().Version12CalPts, 0);
    // A sonic unit keeps its table whatever its firmware.
    reply("RH,ER-XB-02-035");
    reply("RK,1.9");
    EXPECT_TRUE(panel.visible(Ctl::CalTable));
    EXPECT_FALSE(panel.visible(Ctl::SelCalGain));
    EXPECT_EQ(state().Version12CalPts, 1);
}

TEST_F(Replies, PartNumberDecidesTheRadioUnitType) {
    connect(0);
    reply("RH,ER-XB-02-036");
    EXPECT_EQ(host->session().UnitType, 2);
    EXPECT_FALSE(panel.visible(Ctl::EnablePower));
    EXPECT_FALSE(panel.visible(Ctl::RemotePanID));
    EXPECT_TRUE(panel.dimmed(Ctl::SelCurrentMode));
    reply("RH,ER-XB-02-035");
    EXPECT_EQ(host->session().UnitType, 1);
    EXPECT_TRUE(panel.visible(Ctl::EnablePower));
    reply("RH,FR-XB-02-777");
    EXPECT_EQ(host->session().UnitType, 0);
    EXPECT_TRUE(panel.visible(Ctl::SelCurrentMode));
    EXPECT_EQ(panel.value(Ctl::UnitTypeRing), 0);
}

TEST_F(Replies, CurrentModeZeroIsNoAnswer) {
    connect(0);
    tick(16);  // on to step 17, "RW"; nothing answers from step 2 on
    ASSERT_EQ(host->apiFrames().TxWait, 1);
    reply("RW,0");
    EXPECT_EQ(host->apiFrames().TxWait, 1);
    EXPECT_TRUE(panel.dimmed(Ctl::SelCurrentMode));
    reply("RW,2");
    EXPECT_EQ(host->apiFrames().TxWait, 0);
    EXPECT_EQ(state().ConfigCurrentMode, 2);
    EXPECT_FALSE(panel.dimmed(Ctl::SetAutoCalLow));
}

TEST_F(Replies, BatteryColoursFollowTheUnitsCells) {
    for (int type : {0, 8}) {
        SCOPED_TRACE(type);
        connect(type);
        reply("RV,2.70");
        const auto& ramp = panel.colorRamp(Ctl::BatteryVoltage);
        EXPECT_EQ(config::rampColor(ramp, 2.70), type == 0 ? 0xFFFF00u : 0xCC0000u);
        if (type == 0) {
            EXPECT_EQ(config::rampColor(ramp, 2.62), 0xCC0000u) << "up to 2.62 is red";
            EXPECT_EQ(config::rampColor(ramp, 2.90), 0x009900u);
            EXPECT_EQ(panel.label(Ctl::BatteryVoltage), "Battery Voltage");
        } else {
            EXPECT_EQ(config::rampColor(ramp, 12.4), 0x009900u);
            EXPECT_EQ(config::rampColor(ramp, 46.0), 0xCC0000u);
        }
        EXPECT_FALSE(panel.dimmed(Ctl::ReadBattery));
    }
}

TEST_F(Replies, WritesShowWhatTheUnitHolds) {
    connect(0);
    panel.setValue(Ctl::SelBurstLength, 5);
    panel.setDimmed(Ctl::SelBurstLength, true);
    reply("WL,5");
    EXPECT_FALSE(panel.dimmed(Ctl::SelBurstLength));
    // A unit that kept another value says so, and that value is what the operator sees.
    panel.setDimmed(Ctl::SelBurstLength, true);
    host->apiFrames().TxWait = 1;
    reply("WL,4");
    EXPECT_FALSE(panel.dimmed(Ctl::SelBurstLength));
    EXPECT_EQ(panel.value(Ctl::SelBurstLength), 4);
    EXPECT_EQ(host->apiFrames().TxWait, 0);
    // The sample rate goes into the unit's entry once the unit confirms it.
    panel.setValue(Ctl::SelSampleRate, 16);
    reply("WS,16");
    bool stored = false;
    for (int i = 0; i < live::kOutputLineCount; ++i)
        stored = stored || (host->deviceTable()[i].NetAddress == unit &&
                            host->deviceTable()[i].SampleRate == 16);
    EXPECT_TRUE(stored);
    // A clock write that failed keeps the wait, so the write is sent again.
    host->apiFrames().TxWait = 1;
    reply("WT,0");
    EXPECT_EQ(host->apiFrames().TxWait, 1);
}

TEST_F(Replies, ASerialNumberTooLongForItsCommandIsRefused) {
    connect(0);
    commands.clear();
    panel.setDimmed(Ctl::SaveSerialNumber, false);  // as the read-out of the serial leaves it
    panel.setText(Ctl::SaveSerialNumber, std::string(config::kMaxSerialLength + 1, '7'));
    panel.raise(Ctl::SaveSerialNumber, platform::Event::Commit);
    answer();
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(dialogs.count("SERIAL NUMBER TOO LONG"), 1);
    panel.setText(Ctl::SaveSerialNumber, std::string(config::kMaxSerialLength, '7'));
    panel.raise(Ctl::SaveSerialNumber, platform::Event::Commit);
    answer();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], "W\xAA," + std::string(config::kMaxSerialLength, '7'));
}

TEST_F(Replies, SerialNumberWriteIsReadBack) {
    answers = {{"WZ,2", "WZ,2"}};
    connect(0);
    commands.clear();
    reply("W\xAA,XB30000");
    answer();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], "RD");
    EXPECT_EQ(host->apiFrames().TxWait, 1);
}

// A ring shows exactly what the unit reported: the data formats by the values "WO" writes
// (0, 1, 2 and 4), and a value the ring lacks as its number, never as another item.
TEST_F(Replies, RingsShowTheReportedValueOrItsNumber) {
    connect(0);
    const auto shown = [&] {
        const int i = panel.selectedIndex(Ctl::SelDataFormat);
        return i < 0 ? std::string()
                     : panel.items(Ctl::SelDataFormat)[static_cast<std::size_t>(i)].label;
    };
    reply("RO,0");
    EXPECT_EQ(shown(), "ASCII 32 Samples");
    reply("RO,4");
    EXPECT_EQ(shown(), "ASCII 1 Sample");
    reply("RO,3");
    EXPECT_EQ(shown(), "3");
    EXPECT_EQ(panel.value(Ctl::SelDataFormat), 3);
    reply("RO,2");
    EXPECT_EQ(shown(), "Integer 64 Samples");
    EXPECT_EQ(panel.itemCount(Ctl::SelDataFormat), 4) << "the number goes with the value";
}

TEST_F(Replies, TheGpsTimeIndicatorGoesWithTheLoggerThatLitIt) {
    connect(8);
    reply("RJ,1");
    ASSERT_TRUE(panel.visible(Ctl::GPSTimeIndicator));
    panel.setValue(Ctl::UnitTypeRing, 0);
    panel.raise(Ctl::UnitTypeRing, platform::Event::Commit);
    EXPECT_FALSE(panel.visible(Ctl::GPSTimeIndicator));
}

// A reply to an earlier command (late, after the resend, or a second time) does not complete
// the step of the command now awaited, nor put its value in that step's place.
TEST_F(Replies, AReplyToAnotherCommandDoesNotCompleteTheAwaitedOne) {
    connect(0);
    auto& tx = host->apiFrames();
    tx.TxWait = 1;
    tx.TxStr.fill('\0');
    std::memcpy(tx.TxStr.data(), "RL\r\n", 4);
    replyUnasked("RS,16");
    EXPECT_EQ(tx.TxWait, 1);
    EXPECT_NE(panel.value(Ctl::SelSampleRate), 16);
    replyUnasked("RL,7");
    EXPECT_EQ(tx.TxWait, 0);
    EXPECT_EQ(panel.value(Ctl::SelBurstLength), 7);
}

TEST_F(Replies, LargeUploadsAskFirst) {
    connect(8);
    int opened = 0;
    host->replyParser().hooks.OpenUpLoadFile = [&] { ++opened; };
    const auto switchOn = [&] {
        panel.setValue(Ctl::UpLoadFile, 1);
        panel.raise(Ctl::UpLoadFile, platform::Event::Commit);
    };
    reply("OF,6");     // files 1 to 5 can be uploaded
    reply("OI,1000");  // nobody asked: no file is opened
    EXPECT_EQ(opened, 0);
    switchOn();
    reply("OI,1000000");
    reply("OI,1000000");  // the same answer again (to a resent request): one file
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(host->configState().ConfigStatus, 2);
}

TEST_F(Replies, CalibrationPointRestartsTheCalibrationReads) {
    for (auto [type, reply0, step] :
         {std::tuple{1, "FP,1.2500", 20}, std::tuple{1, "SP,1.2500", 17},
          std::tuple{0, "FP,1.2500", 17}}) {
        SCOPED_TRACE(reply0);
        connect(type);
        if (type == 1) reply("RH,ER-XB-02-035");
        panel.setValue(Ctl::CalPointMeters, 1.25);
        host->configState().ConfigStatus = 3;
        reply(reply0);
        EXPECT_EQ(state().ConfigStatus, 2);
        EXPECT_EQ(state().ConfigType, step);
    }
}

TEST_F(Replies, MalformedAndForeignRepliesChangeNothing) {
    connect(0);
    for (const char* r : {"", "R", "1P9RL,10", "9P0RS,1", "1P0WL,7,20", "3P1RL,1", "ZZ,1", "Q"}) {
        SCOPED_TRACE(r);
        host->apiFrames().TxWait = 1;
        reply(r);
        EXPECT_EQ(host->apiFrames().TxWait, 1);
    }
    // Text without "$" is no reply at all.
    ports.receive(port, testing_support::receivePacket(unit, "RS,8\r\n"));
    EXPECT_EQ(host->apiFrames().TxWait, 1);
}

}  // namespace
