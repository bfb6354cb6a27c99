// Writing settings from the configuration, ports and upload tabs: the commands a unit
// receives, the controls while its answer is awaited, and what the operator is told when it
// never comes.
#include <gtest/gtest.h>

#include <algorithm>

#include "scan_rig.h"

namespace {

using platform::Ctl;
using platform::Event;

// The replies of a data logger: ports 1 and 5 carry staffs, port 2 a serial sensor.
std::map<std::string, std::string> loggerAnswers() {
    std::map<std::string, std::string> a = {
        {"RX", "RX,255"},
        {"RH", "RH,DL-XB-08-001"},
        {"RK", "RK,1.07"},
        {"RD", "RD,DL0042"},
        {"RL", "RL,0"},
        {"RI", "RI,10"},
        {"RN", "RN,1"},
        {"RR", "RR,0"},
        {"RQ", "RQ,2026-01-01T00:00"},
        {"RT", "RT,2026-03-04T05:06:07"},
        {"RV", "RV,12.60"},
        {"#3P0RX", "3P0RX,1"},
        {"RJ", "RJ,0"},
        {"RB", "RB,9"},
        {"RM", "RM,22"},
        {"RE", "RE,0.045"},
        {"#3P0RE", "3P0RE,00000000ABCD0001"},
    };
    for (int g = 1; g <= 4; ++g) {
        const std::string p = "#" + std::to_string(g) + "P0RS";
        a[p] = p.substr(1) + ",4";
    }
    for (int port = 0; port < 8; ++port) {
        const std::string head = std::to_string(port / 4 + 1) + "P" + std::to_string(port % 4);
        const int type = port == 0 || port == 4 ? 3 : port == 1 ? 6 : 1;
        a["#" + head + "RD"] = head + "RD," + std::to_string(type);
        a["#" + head + "RB"] = head + "RB,3";
        a["#" + head + "RL"] = head + "RL,04,06,08,10,20,30";
    }
    for (int ch = 0; ch < 4; ++ch) {
        const std::string head = "4P" + std::to_string(ch) + "RR";
        a["#" + head] = head + ",0";
    }
    return a;
}

struct Settings : configtest::ScanRig {
    // An XB staff read out completely, firmware 2.10, current mode 2.
    void staff() {
        answers = configtest::staffAnswers("2.10");
        start(0);
        report(5);
        select(5);
        scan();
        commands.clear();
    }
    // A data logger selected by 255 and read out completely.
    void logger() {
        answers = loggerAnswers();
        unit = links::kBroadcastAddress;  // the remote PAN read goes there and is answered
        start(8);
        select(255);
        scan();
        commands.clear();
    }
    void commit(Ctl c, double v) {
        panel.setValue(c, v);
        panel.raise(c, Event::Commit);
        answer();
    }
    std::string last() const { return commands.empty() ? "" : commands.back(); }
};

TEST_F(Settings, WriteDimsUntilTheUnitConfirmsAndShowsWhatItHolds) {
    staff();
    answers["WL,20"] = "WL,20";
    answers["WI,2000"] = "WI,1440";  // the unit keeps its limit
    panel.setValue(Ctl::SelBurstLength, 20);
    panel.raise(Ctl::SelBurstLength, Event::Commit);
    EXPECT_TRUE(panel.dimmed(Ctl::SelBurstLength));
    answer();
    EXPECT_EQ(last(), "WL,20");
    EXPECT_FALSE(panel.dimmed(Ctl::SelBurstLength));

    commit(Ctl::SelBurstInterval, 2000);
    EXPECT_EQ(panel.value(Ctl::SelBurstInterval), 1440);
    EXPECT_FALSE(panel.dimmed(Ctl::SelBurstInterval));
    tick(50);
    EXPECT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 0);
}

TEST_F(Settings, AWriteNeverAnsweredIsNamedAfterTheResends) {
    staff();
    commit(Ctl::AntiAliasFilter, 0);
    EXPECT_TRUE(panel.dimmed(Ctl::AntiAliasFilter));
    tick(6 * 43);
    EXPECT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 0);
    tick(43);
    // The first send and six resends, then the word.
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "WF,0"), 7);
    ASSERT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("Anti-alias filter"), std::string::npos);
    EXPECT_FALSE(panel.dimmed(Ctl::AntiAliasFilter));
}

TEST_F(Settings, AWriteOverwrittenBeforeItsAnswerIsNamed) {
    staff();
    answers["WP,0"] = "WP,0";
    commit(Ctl::EnablePower, 0);  // answered at once
    answers.erase("WP,0");
    panel.setValue(Ctl::AntiAliasFilter, 0);
    panel.raise(Ctl::AntiAliasFilter, Event::Commit);  // its command is lost ...
    commit(Ctl::EnablePower, 1);                       // ... under this one,
    reply("WP,1");                                     // which the unit confirms
    tick();
    ASSERT_EQ(dialogs.count("SETTING NOT CONFIRMED"), 1);
    const std::string& text = dialogs.shown.back().text;
    EXPECT_NE(text.find("Anti-alias filter"), std::string::npos);
    EXPECT_EQ(text.find("Power"), std::string::npos);
}

TEST_F(Settings, DeviceNumberOnlyForRadioStaffs) {
    staff();
    answers["WX,37"] = "WX,37";
    commit(Ctl::NewDeviceNum, 37);
    EXPECT_EQ(last(), "WX,37");
    EXPECT_EQ(panel.value(Ctl::SelectDeviceNum), 37);
    EXPECT_FALSE(panel.dimmed(Ctl::NewDeviceNum));
}

TEST_F(Settings, DeviceNumbersOfOtherUnitsArePreset) {
    logger();
    ASSERT_FALSE(panel.dimmed(Ctl::NewDeviceNum));
    commit(Ctl::NewDeviceNum, 42);
    EXPECT_EQ(panel.value(Ctl::NewDeviceNum), 1);
    EXPECT_TRUE(commands.empty());
}

TEST_F(Settings, AsciiOneSampleFormatLimitsTheRateToEight) {
    answers = configtest::staffAnswers("2.10");
    answers["RO"] = "RO,4";
    answers["RS"] = "RS,4";
    start(0);
    report(5);
    select(5);
    scan();
    answers["WS,8"] = "WS,8";
    commit(Ctl::SelSampleRate, 16);
    EXPECT_EQ(last(), "WS,8");
    EXPECT_EQ(panel.value(Ctl::SelSampleRate), 8);
    EXPECT_FALSE(panel.dimmed(Ctl::SelSampleRate));
}

TEST_F(Settings, AsciiOneSampleFormatIsRefusedAtSixteenHertz) {
    answers = configtest::staffAnswers("2.10");
    answers["RS"] = "RS,16";
    start(0);
    report(5);
    select(5);
    scan();
    commands.clear();
    commit(Ctl::SelDataFormat, 4);
    EXPECT_EQ(panel.value(Ctl::SelDataFormat), 2);  // the format the unit reported
    EXPECT_EQ(dialogs.count("ASCII 1 SAMPLE RATE LIMIT"), 1);
    EXPECT_TRUE(commands.empty());
    EXPECT_FALSE(panel.dimmed(Ctl::SelDataFormat));
}

TEST_F(Settings, StaffSettingsFollowTheCurrentMode) {
    staff();  // current mode 2: the "S" writes
    answers["ST,1"] = "ST,1";
    answers["SS,4.250"] = "SS,4.250";
    commit(Ctl::SelStaffType, 1);
    EXPECT_EQ(last(), "ST,1");
    commit(Ctl::SelStaffLength, 4.25);
    EXPECT_EQ(last(), "SS,4.250");
    EXPECT_FALSE(panel.dimmed(Ctl::SelStaffLength));
    EXPECT_EQ(panel.textColor(Ctl::SelStaffLength), platform::kGreenConnected);
}

TEST_F(Settings, StreamingOutputsNeedTheirComPower) {
    logger();
    for (int i = 0; i < 6; ++i) panel.setValue(platform::ctlAt(Ctl::StreamingData1, i), 2);
    for (const char* w : {"WB,1", "WB,3", "WB,11", "WM,2"}) answers[w] = w;
    panel.setValue(Ctl::ComPower1, 2);
    panel.setValue(Ctl::ComPower2, 2);
    panel.setValue(Ctl::StreamingData1, 1);
    commit(Ctl::StreamingData2, 1);
    EXPECT_EQ(last(), "WB,1");  // output 2 is on, but its com power is off
    commit(Ctl::ComPower1, 1);
    EXPECT_EQ(last(), "WM,2");
    commit(Ctl::StreamingData2, 1);
    EXPECT_EQ(last(), "WB,3");
    // Output 4 needs no com power.
    commit(Ctl::StreamingData4, 1);
    EXPECT_EQ(last(), "WB,11");
}

TEST_F(Settings, LengthTablesTravelInHalfMetres) {
    logger();
    panel.setCell(Ctl::DLDeviceLength2, 2, 0, "12.5");
    panel.raise(Ctl::DLDeviceLength2, Event::Commit, {2, 0});
    answer();
    EXPECT_EQ(last(), "#1P1WL,2,25");
    EXPECT_TRUE(panel.dimmed(Ctl::DLDeviceLength2));
    panel.setCell(Ctl::DLDeviceLength2, 2, 0, "12.74");
    panel.raise(Ctl::DLDeviceLength2, Event::Commit, {2, 0});
    answer();
    EXPECT_EQ(last(), "#1P1WL,2,25");
    reply("1P1WL,2,25");
    EXPECT_EQ(panel.cell(Ctl::DLDeviceLength2, 2, 0), "12.5");
    EXPECT_FALSE(panel.dimmed(Ctl::DLDeviceLength2));
}

// A logger keeps its lengths in two digits of half-metres: text that is no length, negative or
// past 49.5 m is refused with a word, and the table asks the logger what it holds instead.
TEST_F(Settings, LengthTablesTakeOnlyLengthsALoggerCanHold) {
    logger();
    const char* refused[] = {"abc", "-3.2", "1e10", "49.6", "nan", "2.5 m", ""};
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        panel.setCell(Ctl::DLDeviceLength2, 2, 0, text);
        panel.raise(Ctl::DLDeviceLength2, Event::Commit, {2, 0});
        answer();
        EXPECT_EQ(last(), "#1P1RL");
        EXPECT_FALSE(panel.dimmed(Ctl::DLDeviceLength2));
    }
    EXPECT_EQ(dialogs.count("STAFF LENGTH"), static_cast<int>(std::size(refused)));
    panel.setCell(Ctl::DLDeviceLength2, 2, 0, "49.5");
    panel.raise(Ctl::DLDeviceLength2, Event::Commit, {2, 0});
    answer();
    EXPECT_EQ(last(), "#1P1WL,2,99");
}

TEST_F(Settings, PortTypeChoosesBaudRingOrLengthTable) {
    logger();
    for (const char* w : {"2P2WD,6", "2P2WD,3", "2P2WD,1"}) answers[std::string("#") + w] = w;
    commit(Ctl::UnitPortType7, 6);
    EXPECT_EQ(last(), "#2P2WD,6");
    EXPECT_TRUE(panel.visible(Ctl::UnitPortBaud7));
    EXPECT_FALSE(panel.visible(Ctl::DLDeviceLength7));
    commit(Ctl::UnitPortType7, 3);
    EXPECT_FALSE(panel.visible(Ctl::UnitPortBaud7));
    EXPECT_TRUE(panel.visible(Ctl::DLDeviceLength7));
    commit(Ctl::UnitPortType7, 1);
    EXPECT_FALSE(panel.visible(Ctl::UnitPortBaud7));
    EXPECT_FALSE(panel.visible(Ctl::DLDeviceLength7));
    commit(Ctl::UnitPortBaud3, 4);
    EXPECT_EQ(last(), "#1P2WB,4");
    commit(Ctl::DLSampleRateG4, 16);
    EXPECT_EQ(last(), "#4P0WS,16");
    commit(Ctl::AdcRangeCh3, 5);
    EXPECT_EQ(last(), "#4P2WR,5");
}

TEST_F(Settings, RadioPowerOffResetsTheSensorPanEntryFirst) {
    logger();
    EXPECT_EQ(panel.u64(Ctl::DataLogPanId), 0xABCD0001u);
    answers["#3P0WX,1"] = "3P0WX,1";
    commit(Ctl::XBeePower, 1);
    answer();
    // Back on, the logger's radio is asked for its coordinator's PAN ID.
    EXPECT_EQ(commands, (std::vector<std::string>{"#3P0WX,1", "#3P0RE"}));
    EXPECT_EQ(panel.u64(Ctl::DataLogPanId), 0xABCD0001u);
    commit(Ctl::XBeePower, 2);
    EXPECT_EQ(last(), "#3P0WX,2");
    EXPECT_TRUE(panel.dimmed(Ctl::DataLogPanId));
    EXPECT_EQ(panel.u64(Ctl::DataLogPanId), 0u);
}

TEST_F(Settings, BluetoothLinkOnlyWhenTheOperatorAgrees) {
    logger();
    dialogs.confirmReplies = {false, true};
    panel.raise(Ctl::Link2BlueTooth, Event::Commit);
    answer();
    EXPECT_TRUE(commands.empty());
    panel.raise(Ctl::Link2BlueTooth, Event::Commit);
    answer();
    EXPECT_EQ(last(), "LB");
    EXPECT_EQ(dialogs.count("LINK TO BLUETOOTH MODULE?"), 2);
}

TEST_F(Settings, PortTypeHelpOnlyForRadioUnitTypes) {
    logger();
    panel.raise(Ctl::UnitPortType1, Event::RightClick);
    EXPECT_EQ(dialogs.count("UNIT TYPE"), 1);
    host->chooseUnitType(4);
    panel.setDimmed(Ctl::UnitPortType1, false);
    panel.raise(Ctl::UnitPortType1, Event::RightClick);
    EXPECT_EQ(dialogs.count("UNIT TYPE"), 1);
}

}  // namespace

namespace {

// The last frame of the given API frame type that the program wrote to the adapter.
simtest::Bytes lastFrame(Settings& t, std::uint8_t type) {
    simtest::Bytes found;
    for (const simtest::Bytes& f : simtest::decodeFrames(t.ports.ports[t.port].written))
        if (!f.empty() && f[0] == type) found = f;
    return found;
}

TEST_F(Settings, RemotePanIdTravelsAsEightBytesOrIsPutBack) {
    staff();
    ASSERT_EQ(panel.u64(Ctl::RemotePanID), unitPan);
    dialogs.confirmReplies = {true, false};
    panel.setU64(Ctl::RemotePanID, 0x1234);
    panel.raise(Ctl::RemotePanID, Event::Commit);
    const simtest::Bytes f = lastFrame(*this, 0x17);
    ASSERT_EQ(f.size(), 23u);
    EXPECT_EQ(simtest::Bytes(f.begin() + 13, f.end()),
              (simtest::Bytes{'I', 'D', 0, 0, 0, 0, 0, 0, 0x12, 0x34}));
    EXPECT_EQ(panel.textColor(Ctl::RemotePanID), 0x0066FFu);
    EXPECT_TRUE(panel.dimmed(Ctl::SaveRemotePanID));

    // The unit answers on its old network before it moves: the entry is released.
    std::vector<std::uint8_t> ok{0x97, 1};
    for (int i = 0; i < 8; ++i) ok.push_back(static_cast<std::uint8_t>(unit >> (56 - 8 * i)));
    ok.insert(ok.end(), {0xFF, 0xFE, 'I', 'D', 0});
    ports.receive(port, testing_support::wireFrame(ok));
    EXPECT_FALSE(panel.dimmed(Ctl::RemotePanID));

    // Declined: the value last read back returns, whatever was typed.
    panel.setU64(Ctl::RemotePanID, 0x9999);
    panel.raise(Ctl::RemotePanID, Event::Commit);
    EXPECT_EQ(panel.u64(Ctl::RemotePanID), unitPan);
}

TEST_F(Settings, CoordinatorPanIdIsTextEndedByLineFeedThenReturn) {
    logger();
    dialogs.confirmReplies = {false, true};
    panel.setU64(Ctl::DataLogPanId, 0x5555);
    panel.raise(Ctl::DataLogPanId, Event::Commit);
    EXPECT_EQ(panel.u64(Ctl::DataLogPanId), 0xABCD0001u);  // declined: the value read back

    panel.setU64(Ctl::DataLogPanId, 0xABCD0002);
    panel.raise(Ctl::DataLogPanId, Event::Commit);
    const simtest::Bytes f = lastFrame(*this, 0x10);
    EXPECT_EQ(std::string(f.begin() + 14, f.end()), "#3P0WE,00000000ABCD0002\n\r");
    EXPECT_TRUE(panel.dimmed(Ctl::DataLogPanId));
    EXPECT_TRUE(panel.dimmed(Ctl::SaveXBPanId));
    reply("3P0WE0");
    EXPECT_FALSE(panel.dimmed(Ctl::DataLogPanId));
    EXPECT_EQ(panel.u64(Ctl::DataLogPanId), 0xABCD0002u);

    // Kept through power cycles: seven bytes in a remote AT command, the NUL included.
    panel.raise(Ctl::SaveXBPanId, Event::Commit);
    const simtest::Bytes save = lastFrame(*this, 0x17);
    EXPECT_EQ(std::string(save.begin() + 13, save.end()), std::string("#3P0WM\0", 7));
    reply("3P0WM0");
    EXPECT_FALSE(panel.dimmed(Ctl::SaveXBPanId));
    // A later change declined now puts back what the coordinator took.
    dialogs.confirmReplies = {false};
    panel.setU64(Ctl::DataLogPanId, 0x7777);
    panel.raise(Ctl::DataLogPanId, Event::Commit);
    EXPECT_EQ(panel.u64(Ctl::DataLogPanId), 0xABCD0002u);
}

}  // namespace
